#include "exif/sidecar.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>

#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/private_file.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

// NAME.xmp, NAME.jpg.xmp, by tag.
std::string sidecarPath(const std::string& photoPath, std::int16_t tag) {
    const std::size_t slash = photoPath.find_last_of(
#ifdef _WIN32
        "\\/"
#else
        "/"
#endif
    );
    const std::size_t dot = photoPath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (tag == FirstSidecarTag && hasExtension ? photoPath.substr(0, dot) : photoPath) + ".xmp";
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(path), ec);
}

bool readOnly(const std::string& path) {
    std::error_code ec;
    const auto perms = std::filesystem::status(NativePath(path), ec).permissions();
    return !ec && (perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

std::string readAll(const std::string& path) {
    PhotoFile file(path, PhotoFile::Mode::Read);
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    if (!bytes.empty()) file.read(1, bytes.data(), bytes.size());
    return bytes;
}

// Replaces the file at path by `bytes`, through a new file beside it.
void replaceFile(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    const fs::path native = NativePath(path);
    std::error_code ec;
    const fs::perms mode = fs::status(native, ec).permissions();
    // One name for the new file: what a crash left there is removed first,
    // so no run leaves a stray file behind for long.
    const std::string temp = path + ".tovrin.tmp";
    std::FILE* out = CreateNewPrivateFile(temp);
    if (out == nullptr && errno == EEXIST) {
        fs::remove(NativePath(temp), ec);
        out = CreateNewPrivateFile(temp);
    }
    if (out == nullptr && errno != EEXIST) throw ErrorFromErrno(errno);
    if (out == nullptr) throw RuntimeError(error::PathFileAccess);
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && SyncFile(out);
    const int why = errno;
    std::fclose(out);
    try {
        if (!written) throw ErrorFromErrno(why);
        // The new file is made private; the sidecar keeps its own mode.
        if (!ec) fs::permissions(NativePath(temp), mode, ec);
        MoveFileOver(temp, path);
    } catch (const RuntimeError&) {
        fs::remove(NativePath(temp), ec);
        throw;
    }
}

}  // namespace

std::string SidecarPath(const std::string& photoPath, std::int16_t tag) {
    return sidecarPath(photoPath, tag);
}

CopyPlan PlanSidecars(const std::string& photoPath, const CopyRule& rule) {
    CopyPlan plan;
    for (std::int16_t tag = FirstSidecarTag; tag <= LastSidecarTag; ++tag) {
        const std::string path = sidecarPath(photoPath, tag);
        if (!isFile(path)) continue;
        PhotoFile file(path, PhotoFile::Mode::Read);
        CopyPlan one = PlanCopies(file, rule);
        const std::string name = Utf8Path(NativePath(path).filename());
        plan.copies += one.copies;
        // A sidecar marked read-only is the user's to keep as it is, and a
        // link leads to a file elsewhere: a rename would replace either.
        if (!one.writes.empty() && readOnly(path)) {
            plan.left.push_back(name + ": 読み取り専用のため、そのままです");
            continue;
        }
        std::error_code ec;
        if (!one.writes.empty() && std::filesystem::is_symlink(NativePath(path), ec)) {
            plan.left.push_back(name + ": リンクのため、そのままです");
            continue;
        }
        for (const std::string& p : one.problems) plan.problems.push_back(name + ": " + p);
        for (const std::string& l : one.left) plan.left.push_back(name + ": " + l);
        for (DateField& w : one.writes) {
            w.tag = tag;
            plan.writes.push_back(std::move(w));
        }
    }
    return plan;
}

bool SidecarHolds(const std::string& photoPath, const std::vector<DateField>& writes,
                  std::vector<int>& state) {
    std::map<std::int16_t, DateCopies> found;
    std::map<std::int16_t, std::string> bytes;
    state.clear();
    for (const DateField& w : writes) {
        if (!found.count(w.tag)) {
            const std::string path = sidecarPath(photoPath, w.tag);
            PhotoFile file(path, PhotoFile::Mode::Read);
            found[w.tag] = FindDateCopies(file);
            bytes[w.tag] = readAll(path);
        }
        const DateCopies& copies = found[w.tag];
        const bool known =
            std::any_of(copies.found.begin(), copies.found.end(), [&](const auto& c) {
                return c.text.first == w.position &&
                       c.text.size == static_cast<std::int64_t>(w.written.size());
            });
        if (!known) return false;
        const std::string now =
            bytes[w.tag].substr(static_cast<std::size_t>(w.position - 1), w.written.size());
        state.push_back(now == w.written ? 1 : now == w.current ? 0 : -1);
    }
    return true;
}

void RewriteSidecars(const std::string& photoPath, const std::vector<DateField>& writes) {
    std::map<std::int16_t, std::vector<const DateField*>> bySidecar;
    for (const DateField& w : writes)
        if (IsSidecarTag(w.tag)) bySidecar[w.tag].push_back(&w);
    std::vector<std::pair<std::string, std::string>> replaced;  // path, old bytes
    try {
        for (const auto& [tag, list] : bySidecar) {
            const std::string path = sidecarPath(photoPath, tag);
            const std::string old = readAll(path);
            std::string bytes = old;
            for (const DateField* w : list) {
                const auto at = static_cast<std::size_t>(w->position - 1);
                if (w->position < 1 || at + w->current.size() > bytes.size() ||
                    bytes.compare(at, w->current.size(), w->current) != 0)
                    throw RuntimeError(error::PathFileAccess);
                bytes.replace(at, w->written.size(), w->written);
            }
            replaceFile(path, bytes);
            replaced.emplace_back(path, old);
        }
    } catch (const RuntimeError&) {
        for (const auto& [path, old] : replaced) {
            try {
                replaceFile(path, old);
            } catch (const RuntimeError&) {
                // The journal still holds the change: undo can finish it.
            }
        }
        throw;
    }
}

}  // namespace tovrin
