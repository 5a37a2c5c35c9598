#include "run/log_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "exif/paths.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

constexpr const char* AppFolderName = "Tovrin";

}  // namespace

std::optional<std::string> SystemEnvironment(const char* name) {
#ifdef _WIN32
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wide.c_str());
    if (value == nullptr) return std::nullopt;
    return Utf8Path(fs::path(value));
#else
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
#endif
}

namespace {

// Exclusive create: an existing file is never truncated or removed.
std::FILE* createNew(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wxb");
#else
    return std::fopen(path.c_str(), "wx");
#endif
}

}  // namespace

bool CanCreateFiles(const std::string& folder) {
    const std::string base = FolderPath(folder) + ".tovrin-write-test-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path probe = NativePath(base + std::to_string(attempt));
        errno = 0;
        if (std::FILE* file = createNew(probe)) {
            std::fclose(file);
            std::error_code ec;
            // A folder that takes new files but refuses to delete them could
            // not prune old logs either.
            return fs::remove(probe, ec) && !ec;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

std::string UserLogFolder(const EnvironmentLookup& environment) {
#ifdef _WIN32
    const std::optional<std::string> local = environment("LOCALAPPDATA");
    if (!local || local->empty()) return {};
    return FolderPath(FolderPath(*local) + AppFolderName);
#else
    // The XDG rules: an unset, empty or relative XDG_STATE_HOME is ignored.
    const std::optional<std::string> state = environment("XDG_STATE_HOME");
    if (state && NativePath(*state).is_absolute())
        return FolderPath(FolderPath(*state) + AppFolderName);
    const std::optional<std::string> home = environment("HOME");
    if (!home || !NativePath(*home).is_absolute()) return {};
    return FolderPath(FolderPath(*home) + ".local/state/" + AppFolderName);
#endif
}

std::string LogFolder(const std::string& programFolder, const EnvironmentLookup& environment) {
    if (CanCreateFiles(programFolder)) return FolderPath(programFolder);
    const std::string user = UserLogFolder(environment);
    // With nowhere else to go the program's folder stays, and writing the
    // log reports why it fails there.
    if (user.empty()) return FolderPath(programFolder);
    std::error_code ec;
    fs::create_directories(NativePath(user), ec);
    return user;
}

std::string LogFolder(const std::string& programFolder) {
    return LogFolder(programFolder, SystemEnvironment);
}

}  // namespace tovrin
