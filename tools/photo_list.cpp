#include "photo_list.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "exif/paths.h"
#include "exif/photo_kinds.h"
#include "exif/runtime_error.h"
#include "path_list_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tovrin::cli {

namespace {

namespace fs = std::filesystem;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

// What one folder holds, as the walk needs it: names of photos and of
// folders, and entries that could not be looked at.
struct Listing {
    std::vector<std::string> photos;
    std::vector<std::string> folders;
    std::vector<Target> unreadable;
    int error = 0;  // the folder itself could not be read
};

#ifdef _WIN32
// A symbolic link or a junction; other reparse points (cloud placeholders,
// deduplicated files) are the files and folders they look like.
bool isLink(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (entry.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            entry.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

// What a link leads to: 0 for a regular file, -1 for anything else or
// nothing at all (a dangling link is no photo), else the error that kept it
// from being looked at.
int linkTarget(const std::string& path) {
    const HANDLE h = ::CreateFileW(NativePath(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return -1;
        return ErrorFromWin32(code).number();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool looked = ::GetFileInformationByHandle(h, &info) != 0;
    const DWORD code = looked ? 0 : ::GetLastError();
    const bool file = looked && ::GetFileType(h) == FILE_TYPE_DISK &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    ::CloseHandle(h);
    if (!looked) return ErrorFromWin32(code).number();
    return file ? 0 : -1;
}

// Read with the system's own calls, not std::filesystem: the runtime's
// folder reading under its iterator makes the path whole in a buffer of
// MAX_PATH without checking that it fit, so past MAX_PATH it lists some
// other folder (the working one, under Wine); and Windows' own runtime
// refuses to look at any path with a "?" in it, so also at the "\\?\" form
// NativePath gives such paths. The find data holds each entry's attributes
// already, so no entry needs a second look that could fail on its own.
Listing list(const std::string& folder) {
    Listing l;
    const std::string prefix = FolderPath(folder);
    std::wstring pattern = NativePath(folder).native();
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    const HANDLE find =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                           FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        // Nothing matched: a folder with not even "." in it, a drive's empty root.
        if (code != ERROR_FILE_NOT_FOUND) l.error = ErrorFromWin32(code, true).number();
        return l;
    }
    do {
        const std::wstring wide = entry.cFileName;
        if (wide.empty() || wide == L"." || wide == L"..") continue;
        // Left out as the window's file list leaves it out (IsHiddenEntry).
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        const std::string name = Utf8Path(fs::path(wide));
        // A link to a folder is a link, not a folder to walk; a link to a
        // photo is a photo, as the window lists it.
        if (isLink(entry)) {
            if (!IsPhotoName(name)) continue;
            const int target = linkTarget(prefix + name);
            if (target == 0) {
                l.photos.push_back(name);
            } else if (target > 0) {
                l.unreadable.push_back({prefix + name, target});
            }
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            l.folders.push_back(name);
        } else if (IsPhotoName(name) && (entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0) {
            l.photos.push_back(name);
        }
    } while (::FindNextFileW(find, &entry));
    const DWORD code = ::GetLastError();
    ::FindClose(find);
    if (code != ERROR_NO_MORE_FILES) l.error = ErrorFromWin32(code, true).number();
    return l;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
#else
Listing list(const std::string& folder) {
    Listing l;
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
            if (IsPhotoName(name) && it->is_regular_file(typeError)) l.photos.push_back(name);
        } else if (it->is_directory(typeError)) {
            l.folders.push_back(name);
        } else if (IsPhotoName(name) && it->is_regular_file(typeError)) {
            l.photos.push_back(name);
        }
        // An entry that cannot even be looked at (a path too long for the
        // system, a name it cannot hold) is said, never left out unseen.
        if (typeError && typeError != std::errc::no_such_file_or_directory)
            l.unreadable.push_back({prefix + name, ErrorFromCode(typeError).number()});
    }
    if (ec) l.error = ErrorFromCode(ec, true).number();
    return l;
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(NativePath(path), ec);
}
#endif

void walk(const std::string& folder, std::vector<Target>& out) {
    Listing l = list(folder);
    if (l.error != 0) {
        out.push_back({folder, l.error});
        return;
    }
    const std::string prefix = FolderPath(folder);
    out.insert(out.end(), l.unreadable.begin(), l.unreadable.end());
    std::sort(l.photos.begin(), l.photos.end(), nameBefore);
    std::sort(l.folders.begin(), l.folders.end(), nameBefore);
    for (const std::string& name : l.photos) out.push_back({prefix + name, 0});
    for (const std::string& name : l.folders) walk(prefix + name, out);
}

}  // namespace

bool IsPhotoName(const std::string& name) { return tovrin::IsPhotoName(name); }

std::vector<Target> ExpandTargets(const std::vector<Target>& given, bool recursive) {
    std::vector<Target> targets;
    for (const Target& target : given) {
        const std::string& path = target.path;
        if (target.error != 0) {
            targets.push_back(target);
            continue;
        }
        // Only a walk needs to know a folder first: without -r a folder goes
        // to the engine like any path, which refuses it (75) on its own open,
        // and a large list costs no extra look at every photo.
        if (recursive && !path.empty() && isFolder(path)) {
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
