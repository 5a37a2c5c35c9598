#include "exif/photo_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

#include "exif/local_time.h"
#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

#ifdef _WIN32
// The C runtime's descriptors keep one code path for both platforms; the
// Win32 handle under one is used for what only Win32 offers (times in
// 100 ns, the creation time). Failures are reported with the Win32 code the
// runtime keeps in _doserrno, the way errno is on Linux.
// Opened with CreateFileW, so a reading handle may also carry the right to
// freeze its last-access time, then handed to the runtime as a descriptor.
int openFile(const std::string& path, int flags) {
    _doserrno = 0;
    const bool writing = (flags & _O_RDWR) != 0;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const std::wstring native = NativePath(path).wstring();
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!writing) {
        h = ::CreateFileW(native.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            // Looking at a photo should not count as using it: -1 tells the
            // system to leave the last-access time alone on this handle.
            FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
            ::SetFileTime(h, nullptr, &keep, nullptr);
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        h = ::CreateFileW(native.c_str(), writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                          share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) {
        _doserrno = static_cast<unsigned long>(::GetLastError());
        errno = EACCES;
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h),
                                     (writing ? _O_RDWR : _O_RDONLY) | _O_BINARY);
    if (fd < 0) ::CloseHandle(h);
    return fd;
}
long long readAt(int fd, void* buf, std::size_t n, std::int64_t offset) {
    _doserrno = 0;
    if (::_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
    return ::_read(fd, buf, static_cast<unsigned>(n));
}
long long writeAt(int fd, const void* buf, std::size_t n, std::int64_t offset) {
    _doserrno = 0;
    if (::_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
    return ::_write(fd, buf, static_cast<unsigned>(n));
}
int closeFile(int fd) {
    _doserrno = 0;
    return ::_close(fd);
}
HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// The error of the last failed call on a descriptor: the Win32 code when the
// system failed, else the runtime's own errno.
RuntimeError lastError(bool onFolder = false) {
    if (_doserrno != 0) return ErrorFromWin32(static_cast<unsigned long>(_doserrno), onFolder);
    return ErrorFromErrno(errno, onFolder);
}

// FILETIME counts 100 ns from 1601-01-01 UTC.
constexpr std::int64_t EpochIn1601 = FileTimeEpochOffset;
PhotoFile::FileTime fromFileTime(FILETIME t) {
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    return {ticks / 10000000 - EpochIn1601, static_cast<long>(ticks % 10000000) * 100};
}
FILETIME toFileTime(PhotoFile::FileTime t) {
    const auto ticks =
        static_cast<std::uint64_t>((t.seconds + EpochIn1601) * 10000000LL + t.nanoseconds / 100);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
#else
// Non-blocking, so that a FIFO or a device named *.jpg cannot hold the open
// forever; such a file is refused right after, by its type. Regular files
// ignore the flag.
int openFile(const std::string& path, int flags) {
    return ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
}
long long readAt(int fd, void* buf, std::size_t n, std::int64_t offset) {
    return ::pread(fd, buf, n, static_cast<off_t>(offset));
}
long long writeAt(int fd, const void* buf, std::size_t n, std::int64_t offset) {
    return ::pwrite(fd, buf, n, static_cast<off_t>(offset));
}
int closeFile(int fd) { return ::close(fd); }
RuntimeError lastError(bool onFolder = false) { return ErrorFromErrno(errno, onFolder); }
#endif

}  // namespace

PhotoFile::PhotoFile(const std::string& path, Mode mode) {
#ifdef _WIN32
    if (mode == Mode::ReadWrite) {
        // A folder or a device is turned away before anything opens it for writing.
        const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw RuntimeError(error::PathFileAccess);
    }
#else
    // Opening a FIFO or a device for writing can do things of its own; only
    // a regular file is ever opened for writing.
    struct stat before {};
    if (mode == Mode::ReadWrite) {
        if (::stat(path.c_str(), &before) != 0) {
            const int err = errno;
            throw ErrorFromErrno(err, err == ENOENT && ParentFolderMissing(path));
        }
        if (!S_ISREG(before.st_mode)) throw RuntimeError(error::PathFileAccess);
    }
#endif
#ifdef O_NOATIME
    // Looking at a photo should not count as using it; only its owner may ask.
    if (mode == Mode::Read) m_fd = openFile(path, O_RDONLY | O_NOATIME);
    if (m_fd < 0)
#endif
        m_fd = openFile(path, mode == Mode::Read ? O_RDONLY : O_RDWR);
    if (m_fd < 0) {
#ifdef _WIN32
        const RuntimeError e = lastError();
        // Windows refuses to open a folder as "access denied"; it is a path
        // that names no photo file, as on Linux.
        const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw RuntimeError(error::PathFileAccess);
        if (e.number() == error::FileNotFound && ParentFolderMissing(path))
            throw RuntimeError(error::PathNotFound);
        throw e;
#else
        const int err = errno;
        throw ErrorFromErrno(err, err == ENOENT && ParentFolderMissing(path));
#endif
    }
#ifdef _WIN32
    // A device name such as CON opens too; only a file on a disk is a photo.
    const HANDLE handle = handleOf(m_fd);
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        closeFile(m_fd);
        throw RuntimeError(error::PathFileAccess);
    }
    if (!::GetFileInformationByHandle(handle, &info)) {
        const DWORD code = ::GetLastError();
        closeFile(m_fd);
        throw ErrorFromWin32(code);
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        closeFile(m_fd);
        throw RuntimeError(error::PathFileAccess);
    }
    m_identity = {info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    m_size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                       info.nFileSizeLow);
    m_accessed = fromFileTime(info.ftLastAccessTime);
    m_modified = fromFileTime(info.ftLastWriteTime);
    m_lastWrite = m_modified.seconds;
    // Write access to a file is the right to set its times.
    m_maySetTimes = mode == Mode::ReadWrite;
#else
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        const int err = errno;
        closeFile(m_fd);
        throw ErrorFromErrno(err);
    }
    if (!S_ISREG(st.st_mode)) {
        closeFile(m_fd);
        throw RuntimeError(error::PathFileAccess);
    }
    if (mode == Mode::ReadWrite && !(st.st_dev == before.st_dev && st.st_ino == before.st_ino)) {
        // The name was pointed elsewhere between the look and the open.
        closeFile(m_fd);
        throw RuntimeError(error::PathFileAccess);
    }
    m_identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    m_size = static_cast<std::int64_t>(st.st_size);
    m_lastWrite = static_cast<std::int64_t>(st.st_mtime);
    m_accessed = {static_cast<std::int64_t>(st.st_atim.tv_sec), st.st_atim.tv_nsec};
    m_modified = {static_cast<std::int64_t>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec};
    // Only the owner (or a privileged user) may set a file's times to a
    // chosen moment, even with write access to the file.
    static const uid_t user = ::geteuid();
    m_maySetTimes = mode == Mode::ReadWrite && (user == 0 || user == st.st_uid);
#endif
}

PhotoFile::~PhotoFile() {
    if (m_fd >= 0) {
        release();
        closeFile(m_fd);
    }
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
#ifdef _WIN32
    const HANDLE h = ::CreateFileW(NativePath(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    if (!ok) return std::nullopt;
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
#endif
}

#ifdef _WIN32
namespace {
// The claim is a lock on one byte far past the end of any photo: Windows
// locks are mandatory, and a lock on the photo's own bytes would keep
// viewers, and this program's own readout, from reading it.
OVERLAPPED claimByte() {
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFE;
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}
}  // namespace
#endif

bool PhotoFile::claim(bool wait) {
    if (m_claimed || m_fd < 0) return true;
#ifdef _WIN32
    OVERLAPPED at = claimByte();
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (!::LockFileEx(handleOf(m_fd), flags, 0, 1, 0, &at)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) return false;
        return true;  // no locks on this file system: nothing to take turns with
    }
#else
    while (::flock(m_fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return false;
        return true;  // no locks on this file system: nothing to take turns with
    }
#endif
    m_claimed = true;
    return true;
}

bool PhotoFile::replaced() const {
    if (m_fd < 0) return false;
#ifdef _WIN32
    FILE_STANDARD_INFO info{};
    if (!::GetFileInformationByHandleEx(handleOf(m_fd), FileStandardInfo, &info, sizeof info))
        return false;
    return info.DeletePending || info.NumberOfLinks == 0;
#else
    struct stat st {};
    return ::fstat(m_fd, &st) == 0 && st.st_nlink == 0;
#endif
}

void PhotoFile::release() noexcept {
    if (!m_claimed) return;
    m_claimed = false;
#ifdef _WIN32
    OVERLAPPED at = claimByte();
    ::UnlockFileEx(handleOf(m_fd), 0, 1, 0, &at);
#endif
    // On other systems the close that follows lets the claim go.
}

bool PhotoFile::contains(std::int64_t position, std::int64_t n) const noexcept {
    // Written so that no sum can overflow: position >= 1 and n <= size - (position - 1).
    return position >= 1 && n >= 0 && position - 1 <= m_size && n <= m_size - (position - 1);
}

void PhotoFile::fill(std::int64_t offset, std::size_t span) {
    const std::int64_t start = offset - offset % static_cast<std::int64_t>(BlockSize);
    // A long read takes one call, and the block after it (where the next
    // segment's header stands) comes with it.
    std::size_t size = BlockSize;
    if (span > BlockSize / 2) {
        const auto end = static_cast<std::size_t>(offset - start) + span + BlockSize;
        size = std::min(LongestBlock, (end + BlockSize - 1) / BlockSize * BlockSize);
    }
    // A walk that goes back and forth between nearby blocks (a movie's
    // boxes, a raw file's directories) takes both with one call and stays
    // inside them.
    if (m_blockStart >= 0 && m_blockLength > 0) {
        const std::int64_t from = std::min(start, m_blockStart);
        const std::int64_t to = std::max(start + static_cast<std::int64_t>(size),
                                         m_blockStart + static_cast<std::int64_t>(m_blockLength));
        if (to - from <= static_cast<std::int64_t>(4 * BlockSize) &&
            (start < m_blockStart ||
             start >= m_blockStart + static_cast<std::int64_t>(m_blockLength))) {
            fillRange(from, static_cast<std::size_t>(to - from));
            return;
        }
    }
    fillRange(start, size);
}

void PhotoFile::fillRange(std::int64_t start, std::size_t size) {
    if (size > m_blockCapacity) {
        m_block = std::make_unique_for_overwrite<unsigned char[]>(size);
        m_blockCapacity = size;
    }
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(size), m_size - start));
    std::size_t got = 0;
    while (got < want) {
        const long long r =
            readAt(m_fd, m_block.get() + got, want - got, start + static_cast<std::int64_t>(got));
        if (r < 0) {
            if (errno == EINTR) continue;
            m_blockStart = -1;
            throw lastError();
        }
        if (r == 0) break;  // the file shrank under us; treat the rest as missing
        got += static_cast<std::size_t>(r);
    }
    m_blockStart = start;
    m_blockLength = got;
}

std::size_t PhotoFile::readUpTo(std::int64_t position, void* out, std::size_t n) {
    if (position < 1 || position > m_size) throw OutsideFile{};
    const auto available = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(n), m_size - position + 1));
    read(position, out, available);
    return available;
}

void PhotoFile::readSlow(std::int64_t position, void* out, std::size_t n) {
    if (!contains(position, static_cast<std::int64_t>(n))) throw OutsideFile{};
    auto* dst = static_cast<unsigned char*>(out);
    std::int64_t offset = position - 1;
    while (n > 0) {
        if (m_blockStart < 0 || offset < m_blockStart ||
            offset >= m_blockStart + static_cast<std::int64_t>(m_blockLength)) {
            fill(offset, n);
            if (offset >= m_blockStart + static_cast<std::int64_t>(m_blockLength))
                throw OutsideFile{};
        }
        const auto at = static_cast<std::size_t>(offset - m_blockStart);
        const std::size_t take = std::min(n, m_blockLength - at);
        std::memcpy(dst, m_block.get() + at, take);
        dst += take;
        offset += static_cast<std::int64_t>(take);
        n -= take;
    }
}

void PhotoFile::write(std::int64_t position, const void* data, std::size_t n) {
    if (!contains(position, static_cast<std::int64_t>(n))) throw RuntimeError(error::InvalidCall);
    const auto* src = static_cast<const unsigned char*>(data);
    const std::int64_t offset = position - 1;
    std::size_t done = 0;
    while (done < n) {
        const long long w =
            writeAt(m_fd, src + done, n - done, offset + static_cast<std::int64_t>(done));
        if (w < 0) {
            if (errno == EINTR) continue;
            m_blockStart = -1;
            throw lastError();
        }
        done += static_cast<std::size_t>(w);
    }
    // Keep the cache true to the file.
    if (m_blockStart >= 0) {
        const std::int64_t lo = std::max(offset, m_blockStart);
        const std::int64_t hi = std::min(offset + static_cast<std::int64_t>(n),
                                         m_blockStart + static_cast<std::int64_t>(m_blockLength));
        if (lo < hi)
            std::memcpy(m_block.get() + (lo - m_blockStart), src + (lo - offset),
                        static_cast<std::size_t>(hi - lo));
    }
}

void PhotoFile::setTimes(FileTime accessed, FileTime modified) {
#ifdef _WIN32
    // FILETIME holds nothing before 1601; the creation time takes the moment
    // of the last write.
    if (modified.seconds < -EpochIn1601 || accessed.seconds < -EpochIn1601)
        throw RuntimeError(error::InvalidCall);
    const FILETIME a = toFileTime(accessed), m = toFileTime(modified);
    if (!::SetFileTime(handleOf(m_fd), &m, &a, &m)) throw ErrorFromWin32(::GetLastError());
#else
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(accessed.seconds);
    times[0].tv_nsec = static_cast<long>(accessed.nanoseconds);
    times[1].tv_sec = static_cast<time_t>(modified.seconds);
    times[1].tv_nsec = static_cast<long>(modified.nanoseconds);
    if (::futimens(m_fd, times) != 0) throw ErrorFromErrno(errno);
#endif
}

PhotoFile::FileTime PhotoFile::storedModification() {
#ifdef _WIN32
    FILETIME written{};
    if (!::GetFileTime(handleOf(m_fd), nullptr, nullptr, &written))
        throw ErrorFromWin32(::GetLastError());
    return fromFileTime(written);
#else
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) throw ErrorFromErrno(errno);
    return {static_cast<std::int64_t>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec};
#endif
}

void PhotoFile::close() {
    if (m_fd < 0) return;
    release();
    const int fd = m_fd;
    m_fd = -1;
    if (closeFile(fd) != 0) throw lastError();
}

}  // namespace tovrin
