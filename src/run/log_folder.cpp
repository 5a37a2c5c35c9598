#include "run/log_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "exif/paths.h"
#include "exif/private_file.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

constexpr const char* AppFolderName = "Tovrin";

}  // namespace

std::optional<std::string> SystemEnvironment(const char* name) {
#ifdef _WIN32
    // The wide environment: a narrow one holds a Japanese user's folders in
    // the ANSI code page, or with "?" for what that page lacks.
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    ::SetLastError(ERROR_SUCCESS);
    const DWORD size = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(wide.c_str(), value.data(), size));
    return Utf8Path(fs::path(value));
#else
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
#endif
}

bool CanCreateFiles(const std::string& folder) {
    const std::string base = FolderPath(folder) + ".tovrin-write-test-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string probe = base + std::to_string(attempt);
        std::FILE* file = nullptr;
        try {
            // Exclusive on every platform: a file of that name is never
            // reused, emptied or removed.
            file = CreateNewPrivateFile(probe);
        } catch (const RuntimeError&) {
            return false;
        }
        if (file == nullptr) continue;  // the name is taken
        std::fclose(file);
        std::error_code ec;
        // A folder that takes new files but refuses to delete them could
        // not prune old logs either.
        return fs::remove(NativePath(probe), ec) && !ec;
    }
    return false;
}

bool IsInstalledProgram(const std::string& programFolder, const std::string& installBinFolder) {
    if (programFolder.empty()) return false;
    std::error_code ec;
    const fs::path folder = NativePath(FolderPath(programFolder));
    // The same folder by any name: /bin is /usr/bin on merged systems.
    if (!installBinFolder.empty() && fs::equivalent(folder, NativePath(installBinFolder), ec))
        return true;
#ifdef _WIN32
    // The installer leaves its uninstaller beside the programs; the portable
    // copy (the zip) has the same files but that one.
    if (fs::is_regular_file(folder / "Uninstall.exe", ec)) return true;
#endif
    // A staged or relocated install keeps its layout: the help page (window
    // builds) and the licence (every build) beside the bin folder.
    const fs::path share = folder / ".." / "share";
    return fs::is_directory(share / "tovrin", ec) || fs::is_directory(share / "doc" / "tovrin", ec);
}

bool IsInstalledProgram(const std::string& programFolder) {
    return IsInstalledProgram(programFolder, TOVRIN_INSTALL_BINDIR);
}

std::string UserLogFolder(const EnvironmentLookup& environment) {
    // Only an absolute folder will do: a relative one would put the logs and
    // the undo journals wherever the program happened to be started, where
    // the next run would not find them.
    const auto absolute = [](const std::optional<std::string>& value) {
        return value && !value->empty() && NativePath(*value).is_absolute();
    };
#ifdef _WIN32
    const std::optional<std::string> local = environment("LOCALAPPDATA");
    if (!absolute(local)) return {};
    return FolderPath(FolderPath(*local) + AppFolderName);
#else
    // The XDG rules: an unset, empty or relative XDG_STATE_HOME is ignored.
    const std::optional<std::string> state = environment("XDG_STATE_HOME");
    if (absolute(state)) return FolderPath(FolderPath(*state) + AppFolderName);
    const std::optional<std::string> home = environment("HOME");
    if (!absolute(home)) return {};
    return FolderPath(FolderPath(*home) + ".local/state/" + AppFolderName);
#endif
}

std::string LogFolder(const std::string& programFolder, const EnvironmentLookup& environment) {
    // An installed program's folder is the system's (as root it could be
    // written, and the logs would end up in /usr/bin); only a build folder or
    // a copy of the user's own keeps its logs beside itself.
    const bool installed = IsInstalledProgram(programFolder);
    if (!installed && CanCreateFiles(programFolder)) return FolderPath(programFolder);
    const std::string user = UserLogFolder(environment);
    if (user.empty()) {
        // With nowhere else to go a copy of the user's own keeps its folder,
        // and writing the log reports why it fails there; an installed one
        // logs nowhere, which writing the log reports too.
        return installed ? std::string() : FolderPath(programFolder);
    }
    try {
        CreatePrivateFolders(user);
    } catch (const RuntimeError&) {
        // Pruning or writing the log reports it, with the failing path.
    }
    return user;
}

std::string LogFolder(const std::string& programFolder) {
    return LogFolder(programFolder, SystemEnvironment);
}

}  // namespace tovrin
