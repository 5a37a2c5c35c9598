#include "photo_list.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "exif/paths.h"
#include "exif/runtime_error.h"
#include "path_list_text.h"

namespace tovrin::cli {

namespace {

namespace fs = std::filesystem;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) return false;
    const std::size_t at = text.size() - suffix.size();
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (lower(text[at + i]) != suffix[i]) return false;
    return true;
}

// Name order without regard to case; names equal but for case keep a fixed
// order by their bytes.
bool nameBefore(const std::string& a, const std::string& b) {
    const auto byLetter = [](char x, char y) {
        return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byLetter)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byLetter))
        return false;
    return a < b;
}

void walk(const std::string& folder, std::vector<Target>& out) {
    std::vector<std::string> photos;
    std::vector<std::string> folders;
    std::vector<Target> unreadable;
    const std::string prefix = FolderPath(folder);
    std::error_code ec;
    fs::directory_iterator it(NativePath(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = Utf8Path(it->path().filename());
        // Left out as the window's file list leaves it out.
        if (name.empty() || IsHiddenEntry(prefix + name)) continue;
        std::error_code typeError;
        // A link to a folder is a link, not a folder to walk; a link to a
        // photo is a photo, as the window lists it.
        if (it->is_symlink(typeError)) {
            if (IsPhotoName(name) && it->is_regular_file(typeError)) photos.push_back(name);
        } else if (it->is_directory(typeError)) {
            folders.push_back(name);
        } else if (IsPhotoName(name) && it->is_regular_file(typeError)) {
            photos.push_back(name);
        }
        // An entry that cannot even be looked at (a path too long for the
        // system, a name it cannot hold) is said, never left out unseen.
        if (typeError && typeError != std::errc::no_such_file_or_directory)
            unreadable.push_back({prefix + name, ErrorFromCode(typeError).number()});
    }
    if (ec) {
        out.push_back({folder, ErrorFromCode(ec, true).number()});
        return;
    }
    out.insert(out.end(), unreadable.begin(), unreadable.end());
    std::sort(photos.begin(), photos.end(), nameBefore);
    std::sort(folders.begin(), folders.end(), nameBefore);
    for (const std::string& name : photos) out.push_back({prefix + name, 0});
    for (const std::string& name : folders) walk(prefix + name, out);
}

}  // namespace

bool IsPhotoName(const std::string& name) {
    return endsWithIgnoringCase(name, ".jpg") || endsWithIgnoringCase(name, ".jpeg");
}

std::vector<Target> ExpandTargets(const std::vector<Target>& given, bool recursive) {
    std::vector<Target> targets;
    for (const Target& target : given) {
        const std::string& path = target.path;
        if (target.error != 0) {
            targets.push_back(target);
            continue;
        }
        std::error_code ec;
        // Only a walk needs to know a folder first: without -r a folder goes
        // to the engine like any path, which refuses it (75) on its own open,
        // and a large list costs no extra look at every photo.
        if (recursive && !path.empty() && fs::is_directory(NativePath(path), ec)) {
            walk(path, targets);
        } else {
            // Anything else goes to the engine, which says what is wrong
            // with it (gone, not a regular file, not a photo).
            targets.push_back({path, 0});
        }
    }
    return targets;
}

std::vector<Target> ReadPathList(std::istream& in, bool nulSeparated) {
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Target> paths;
    for (const DecodedLine& line : DecodePathList(bytes, nulSeparated ? U'\0' : U'\n')) {
        if (line.text.empty()) continue;
        paths.push_back({line.text, line.decoded ? 0 : error::BadFileName});
    }
    return paths;
}

}  // namespace tovrin::cli
