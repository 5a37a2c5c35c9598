#pragma once

#include <istream>
#include <string>
#include <vector>

// Which photos a tovrin-cli command works on: the paths given, folders walked
// on request, and lists of paths read from a file or standard input.
namespace tovrin::cli {

struct Target {
    std::string path;
    // A run-time error number found while listing (a folder not to be walked,
    // a folder that could not be read); 0 for a photo to be handled.
    int error = 0;
};

// A name the walk takes: one of the engine's list (tovrin::IsPhotoName in
// exif/photo_kinds.h), letters in any case, as the window lists them.
bool IsPhotoName(const std::string& name);

// The targets of the given paths, in their order. A folder is walked when
// `recursive`: its photos first, sorted by name without regard to case, then
// its subfolders, sorted the same way and walked in turn; hidden entries
// (IsHiddenEntry, as the window's list) and anything but regular files are
// left out, an entry that cannot be looked at is a target with its error, and
// symbolic links to folders are not followed (a folder given by a link is).
// Without `recursive` a folder is a target like any other, which the engine
// refuses (75) when it opens it. A target given with an error stays as it is.
std::vector<Target> ExpandTargets(const std::vector<Target>& given, bool recursive);

// One path a line (a CR before the LF is dropped, empty lines skipped), or
// with `nulSeparated` paths ended by NUL characters, taken exactly. The list
// may be UTF-8 or UTF-16 with a byte order mark, UTF-8 without one, or (on
// Windows) in the ANSI code page, as DecodePathList reads it; a line that
// cannot be read as text is a target with error 52, shown with its odd
// bytes as "\xNN", so the other lines are still worked on.
std::vector<Target> ReadPathList(std::istream& in, bool nulSeparated);

}  // namespace tovrin::cli
