#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tovrin {

// Where the daily run logs go: the program's own folder when it is not an
// installed copy (a build folder, a copy in the user's home) and files can be
// created there; else the user's state folder, created (0700) when missing:
//   Linux    $XDG_STATE_HOME/Tovrin/, by default ~/.local/state/Tovrin/
//   Windows  %LOCALAPPDATA%\Tovrin
// An installed program lives in a folder only root may write: for anyone else
// every changed photo would end in a log error box, and root would fill the
// system's bin folder with logs. The window and the command line both ask
// here, so their logs are found in one place. The result ends with the
// platform's separator; it is "" for an installed program when the
// environment names no state folder (GetLogFilePath and WriteLogLine then
// report a missing folder).
std::string LogFolder(const std::string& programFolder);

// An environment variable's value (UTF-8), or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process's own environment.
std::optional<std::string> SystemEnvironment(const char* name);

// LogFolder with the environment given, so tests can point it anywhere.
std::string LogFolder(const std::string& programFolder, const EnvironmentLookup& environment);

// The user's state folder for Tovrin, without creating it; "" when the
// environment names no absolute home for it (a relative XDG_STATE_HOME, HOME
// or LOCALAPPDATA counts as unset).
std::string UserLogFolder(const EnvironmentLookup& environment);

// True when a new file can be created (and removed again) in folder. Only
// trying tells: permission bits say nothing about root, ACLs, read-only
// mounts or immutable folders.
bool CanCreateFiles(const std::string& folder);

// True when programFolder is where an install put the program: the bin folder
// of the install prefix this build was configured for (TOVRIN_INSTALL_BINDIR,
// by the version that takes no second argument), or any folder with
// ../share/tovrin/ or ../share/doc/tovrin/ beside it, as a staged or relocated
// install has; on Windows also a folder holding the installer's
// Uninstall.exe.
bool IsInstalledProgram(const std::string& programFolder, const std::string& installBinFolder);
bool IsInstalledProgram(const std::string& programFolder);

}  // namespace tovrin
