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
#include <unistd.h>
#endif

#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

#ifdef _WIN32
// The C runtime's descriptors keep one code path for both platforms; the
// Win32 handle under one is used for what only Win32 offers (times in
// 100 ns, the creation time). Failures are reported with the Win32 code the
// runtime keeps in _doserrno, the way errno is on Linux.
int openFile(const std::string& path, int flags) {
    _doserrno = 0;
    int fd = -1;
    ::_wsopen_s(&fd, NativePath(path).c_str(), flags | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
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
constexpr std::int64_t EpochIn1601 = 11644473600LL;
PhotoFile::FileTime fromFileTime(FILETIME t) {
    const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                                 t.dwLowDateTime);
    return {ticks / 10000000 - EpochIn1601, static_cast<long>(ticks % 10000000) * 100};
}
FILETIME toFileTime(PhotoFile::FileTime t) {
    const auto ticks = static_cast<std::uint64_t>((t.seconds + EpochIn1601) * 10000000LL + t.nanoseconds / 100);
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

// A missing folder is reported differently from a missing file.
bool folderMissing(const std::string& path) {
    std::error_code ec;
    const auto parent = NativePath(path).parent_path();
    return !parent.empty() && !std::filesystem::is_directory(parent, ec);
}

}  // namespace

PhotoFile::PhotoFile(const std::string& path, Mode mode) {
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
        if (e.number() == error::FileNotFound && folderMissing(path))
            throw RuntimeError(error::PathNotFound);
        throw e;
#else
        const int err = errno;
        throw ErrorFromErrno(err, err == ENOENT && folderMissing(path));
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
    if (m_fd >= 0) closeFile(m_fd);
}

bool PhotoFile::contains(std::int64_t position, std::int64_t n) const noexcept {
    // Written so that no sum can overflow: position >= 1 and n <= size - (position - 1).
    return position >= 1 && n >= 0 && position - 1 <= m_size && n <= m_size - (position - 1);
}

void PhotoFile::fill(std::int64_t offset) {
    const std::int64_t start = offset - offset % static_cast<std::int64_t>(BlockSize);
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(BlockSize), m_size - start));
    std::size_t got = 0;
    while (got < want) {
        const long long r = readAt(m_fd, m_block + got, want - got, start + static_cast<std::int64_t>(got));
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

void PhotoFile::copyFromBlock(std::int64_t offset, void* out, std::size_t n) const {
    std::memcpy(out, m_block + (offset - m_blockStart), n);
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
            fill(offset);
            if (offset >= m_blockStart + static_cast<std::int64_t>(m_blockLength)) throw OutsideFile{};
        }
        const auto at = static_cast<std::size_t>(offset - m_blockStart);
        const std::size_t take = std::min(n, m_blockLength - at);
        std::memcpy(dst, m_block + at, take);
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
        const long long w = writeAt(m_fd, src + done, n - done, offset + static_cast<std::int64_t>(done));
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
            std::memcpy(m_block + (lo - m_blockStart), src + (lo - offset), static_cast<std::size_t>(hi - lo));
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
    const int fd = m_fd;
    m_fd = -1;
    if (closeFile(fd) != 0) throw lastError();
}

}  // namespace tovrin
