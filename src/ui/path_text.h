#pragma once

#include <filesystem>
#include <string>

#include <QString>

namespace tovrin {

// The windows hold paths as QString; the engine takes UTF-8 text and turns it
// into the platform's own form itself (NativePath), so these are the only
// crossings between the two. Never the local 8-bit code page: on Windows it
// would lose Japanese names.
std::string EnginePath(const QString& path);
QString WindowPath(const std::string& utf8);
// A path for std::filesystem.
std::filesystem::path FileSystemPath(const QString& path);
// The folder with one separator at its end, never doubled.
QString FolderWithSeparator(const QString& folder);

}  // namespace tovrin
