#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tovrin {

// Where the daily run logs go: the program's own folder when files can be
// created there, else the user's state folder, created when missing:
//   Linux    $XDG_STATE_HOME/Tovrin/, by default ~/.local/state/Tovrin/
//   Windows  %LOCALAPPDATA%\Tovrin
// An installed program lives in a folder only root may write, so without the
// second choice every changed photo would end in a log error box. The window
// and the command line both ask here, so their logs are found in one place.
// The result ends with the platform's separator.
std::string LogFolder(const std::string& programFolder);

// An environment variable's value (UTF-8), or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process's own environment.
std::optional<std::string> SystemEnvironment(const char* name);

// LogFolder with the environment given, so tests can point it anywhere.
std::string LogFolder(const std::string& programFolder, const EnvironmentLookup& environment);

// The user's state folder for Tovrin, without creating it; "" when the
// environment names no home for it.
std::string UserLogFolder(const EnvironmentLookup& environment);

// True when a new file can be created (and removed again) in folder. Only
// trying tells: permission bits say nothing about root, ACLs, read-only
// mounts or immutable folders.
bool CanCreateFiles(const std::string& folder);

}  // namespace tovrin
