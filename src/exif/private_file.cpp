#include "exif/private_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#endif

#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

constexpr DWORD ShareWithOthers = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool nameTaken(DWORD code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

// The handle as a C stream, so both platforms write through the same calls.
// The handle is closed on failure.
std::FILE* streamOf(HANDLE handle, int flags, const char* mode) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        const int err = errno;
        ::CloseHandle(handle);
        throw ErrorFromErrno(err);
    }
    std::FILE* file = ::_fdopen(fd, mode);
    if (file == nullptr) {
        const int err = errno;
        ::_close(fd);
        throw ErrorFromErrno(err);
    }
    return file;
}

#else

// Only this user's own file or folder is made private: another's (a log
// beside a program someone shared) is left as its owner set it.
void dropOthersAccess(int fd, const struct stat& st) {
    if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) (void)::fchmod(fd, st.st_mode & 07700);
}

// The descriptor as a C stream; closed on failure.
std::FILE* streamOf(int fd, const char* mode) {
    std::FILE* file = ::fdopen(fd, mode);
    if (file == nullptr) {
        const int err = errno;
        ::close(fd);
        throw ErrorFromErrno(err);
    }
    return file;
}

#endif

}  // namespace

void CreatePrivateFolders(const std::string& folder) {
    fs::path target = NativePath(folder);
    // "a/b/" names the folder "a/b".
    if (!target.has_filename()) target = target.parent_path();
    if (target.empty()) return;
#ifdef _WIN32
    // New folders inherit the ACL of %LOCALAPPDATA%, which only its user and
    // the system may read.
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) throw ErrorFromCode(ec, true);
#else
    // The missing folders from the innermost out; each is then made with
    // 0700 itself, which create_directories cannot do.
    std::vector<fs::path> missing;
    for (fs::path p = target;; p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) throw ErrorFromErrno(ENOTDIR);
            break;
        }
        if (errno != ENOENT) throw ErrorFromErrno(errno, true);
        missing.push_back(p);
        if (p.parent_path().empty() || p.parent_path() == p) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) == 0) continue;
        const int err = errno;
        struct stat st {};
        // Another run made it meanwhile: as good.
        if (err == EEXIST && ::stat(it->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        throw ErrorFromErrno(err, true);
    }
    if (missing.empty()) {
        const int fd = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0) dropOthersAccess(fd, st);
        if (fd >= 0) ::close(fd);
    }
#endif
}

std::FILE* CreateNewPrivateFile(const std::string& path) {
#ifdef _WIN32
    // CREATE_NEW fails on any existing name, a link included, so nothing is
    // ever followed either.
    const HANDLE handle =
        ::CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, ShareWithOthers, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (nameTaken(code)) {
            errno = EEXIST;
            return nullptr;
        }
        throw ErrorFromWin32(code, ParentFolderMissing(path));
    }
    return streamOf(handle, _O_WRONLY, "wb");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST) return nullptr;
        throw ErrorFromErrno(err, err == ENOENT && ParentFolderMissing(path));
    }
    return streamOf(fd, "wb");
#endif
}

std::FILE* OpenPrivateAppend(const std::string& path) {
#ifdef _WIN32
    // A reparse point (a symbolic link, a junction) is opened as itself and
    // then refused by its attributes.
    const HANDLE handle = ::CreateFileW(
        NativePath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        ShareWithOthers, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
        nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        throw ErrorFromWin32(code, ParentFolderMissing(path));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    const DWORD code = known ? 0 : ::GetLastError();
    if (!known || ::GetFileType(handle) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ::CloseHandle(handle);
        if (!known) throw ErrorFromWin32(code);
        throw RuntimeError(error::PathFileAccess);
    }
    return streamOf(handle, _O_WRONLY | _O_APPEND, "ab");
#else
    // Non-blocking, so a FIFO planted at the name cannot hold the open; it is
    // refused right after by its type.
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        const int err = errno;
        // A link at the name gives ELOOP, reported as 75 like any other path
        // that names no plain file.
        throw ErrorFromErrno(err, err == ENOENT && ParentFolderMissing(path));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw ErrorFromErrno(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw RuntimeError(error::PathFileAccess);
    }
    // Logs of earlier versions were made 0644.
    dropOthersAccess(fd, st);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return streamOf(fd, "ab");
#endif
}

bool SyncFile(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return ::_commit(::_fileno(file)) == 0;
#else
    return ::fsync(::fileno(file)) == 0;
#endif
}

bool LockOpenFile(std::FILE* file, bool wait) {
#ifdef _WIN32
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    if (::LockFileEx(handle, flags, 0, 1, 0, &at)) return true;
    const DWORD code = ::GetLastError();
    return code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING;
#else
    while (::flock(::fileno(file), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (errno == EINTR) continue;
        return errno != EWOULDBLOCK;
    }
    return true;
#endif
}

void SyncFolder(const std::string& folder) {
#ifdef _WIN32
    (void)folder;
#else
    const int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Best effort: some file systems refuse fsync on a folder.
    ::fsync(fd);
    ::close(fd);
#endif
}

void CopyFileAttributes(const std::string& from, const std::string& to) {
#ifdef _WIN32
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = ::GetFileAttributesW(NativePath(from).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(NativePath(to).c_str(), (attributes & kept) | FILE_ATTRIBUTE_NORMAL);
#else
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) return;
    // The owner first: a change of owner may clear the set-id bits of the mode.
    // Not permitted: the group alone, when this user is in it; else the
    // new file stays this user's.
    if (::chown(to.c_str(), st.st_uid, st.st_gid) != 0 &&
        ::chown(to.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
    }
    if (::chmod(to.c_str(), st.st_mode & 07777) != 0) {
        // The new file keeps the private mode it was made with.
    }
#ifdef __linux__
    const ssize_t listed = ::listxattr(from.c_str(), nullptr, 0);
    if (listed <= 0) return;
    std::vector<char> names(static_cast<std::size_t>(listed));
    const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
    for (ssize_t at = 0; got > 0 && at < got;) {
        const char* name = names.data() + at;
        at += static_cast<ssize_t>(std::strlen(name)) + 1;
        const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
        if (size < 0) continue;
        std::vector<char> value(static_cast<std::size_t>(size) + 1);
        const ssize_t read = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (read >= 0)
            ::setxattr(to.c_str(), name, value.data(), static_cast<std::size_t>(read), 0);
    }
#endif
#endif
}

void MoveFileOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
    // rename() on Windows will not replace a file that exists.
    if (!::MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw ErrorFromWin32(::GetLastError());
#else
    if (::rename(NativePath(from).c_str(), NativePath(to).c_str()) != 0)
        throw ErrorFromErrno(errno);
    SyncFolder(Utf8Path(NativePath(to).parent_path()));
#endif
}

}  // namespace tovrin
