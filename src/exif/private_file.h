#pragma once

#include <cstdio>
#include <string>

// The program's own state files (the daily log, the undo journals) hold the
// paths and dates of the user's photos, and they live in folders where a
// stranger might have planted a link. Every such file and folder is made here,
// so the rules hold in one place on every platform:
//   - folders the program creates are 0700, files 0600 (a umask may only
//     tighten them); on Windows they inherit the user's profile ACL;
//   - a symbolic link (a reparse point on Windows) is never followed;
//   - "create new" really is exclusive: an existing file is never reused or
//     emptied (the MinGW C runtime ignores fopen's "x" flag).
// Paths are UTF-8, as everywhere in the program. Failures throw RuntimeError
// with the run-time error number the user is shown.
namespace tovrin {

// Creates folder and every missing parent; the folders made here get mode
// 0700. The last folder, when it exists already and belongs to this user,
// loses any group and other access as well: it is the program's own (earlier
// versions made it 0755). Throws RuntimeError when a folder cannot be made
// or a part of the path is not a folder.
void CreatePrivateFolders(const std::string& folder);

// Creates a new file for writing (binary), mode 0600, only when nothing at
// all is at path: not a file, a folder or a link, dangling or not. Returns
// nullptr, with errno set to EEXIST, when the name is taken, so a caller can
// try another name; throws RuntimeError for every other failure. The caller
// closes the file with std::fclose.
std::FILE* CreateNewPrivateFile(const std::string& path);

// Opens path for appending (binary), creating it with mode 0600 when missing.
// A symbolic link or a reparse point at path is refused, never followed, and
// so is anything that is not a regular file (a folder, a FIFO, a device):
// RuntimeError, 75 for a link or a special file (Windows refuses a folder as
// 70). An existing file of this user loses group and other access.
// The caller closes the file with std::fclose.
std::FILE* OpenPrivateAppend(const std::string& path);

// Writes file's buffer out and waits until the system has it on the disk
// (fflush, then fsync or _commit). False, with errno set, when either fails.
bool SyncFile(std::FILE* file);

// Takes an exclusive lock on an open file, held until it is closed: how
// processes that must not overlap take turns. With wait false, returns false
// at once when another holds it; waits otherwise. A file system without
// locks counts as unlocked.
bool LockOpenFile(std::FILE* file, bool wait);

// Puts a folder's entries on the disk, so a file just created in it is still
// found after a crash. Nothing to do on Windows, whose file systems keep a
// new name with the file's own data.
void SyncFolder(const std::string& folder);

// Gives the file at `to` what the file at `from` has besides its bytes and
// times: its mode, its owner and group (as far as this user may), its
// extended attributes (ACLs and labels among them) and, on Windows, its
// hidden, system, archive and not-indexed attributes. Best effort: what the
// system refuses is left as the new file has it.
void CopyFileAttributes(const std::string& from, const std::string& to);

// Whether MoveFileOver may replace a file that this process holds open.
// Windows (and Wine) refuse to replace an open file whatever it was opened
// with; the file is closed first there.
#ifdef _WIN32
inline constexpr bool MayReplaceOpenFile = false;
#else
inline constexpr bool MayReplaceOpenFile = true;
#endif

// Puts the file at `from` in the place of the one at `to`, in one step, and
// the folder's entries on the disk: a crash leaves one or the other, whole.
// Throws RuntimeError.
void MoveFileOver(const std::string& from, const std::string& to);

}  // namespace tovrin
