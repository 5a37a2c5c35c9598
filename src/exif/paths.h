#pragma once

#include <filesystem>
#include <string>

namespace tovrin {

// The platform's path separator as text.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// The folder with one separator at its end (never doubled).
std::string FolderPath(const std::string& folder);

// Every path in the program is UTF-8 text; these two are the only places it
// meets the platform's own form (bytes on Linux, UTF-16 on Windows). Never
// build a path from a narrow string or read one back with .string(): on
// Windows both go through the ANSI code page and lose Japanese names.
std::filesystem::path NativePath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

}  // namespace tovrin
