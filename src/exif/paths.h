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
//
// On Windows a path that Windows would otherwise shorten or refuse -- one
// with a name ending in "." or " " (which it would trim, reaching another
// file), or one near or past MAX_PATH -- is given in the verbatim form
// "\\?\", made absolute and with "." and ".." resolved first; a path given in
// that form stays as it is. Bytes that are no UTF-8 name no existing file.
std::filesystem::path NativePath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

// True for a Windows path in the form that the system takes exactly as
// written ("\\?\C:\..." or "\\.\..."): no normalisation may touch it. False
// elsewhere.
bool IsVerbatimPath(const std::string& utf8);

// True when the folder that should hold `path` does not exist: a missing
// folder is reported differently from a missing file.
bool ParentFolderMissing(const std::string& path);

// True for an entry that a folder listing leaves out, in the window and on
// the command line alike: on Windows one marked hidden or system, elsewhere
// one whose name starts with ".".
bool IsHiddenEntry(const std::string& path);

}  // namespace tovrin
