#pragma once

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

}  // namespace tovrin
