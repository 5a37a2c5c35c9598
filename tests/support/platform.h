#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#endif

#include "exif/paths.h"

// What the tests need from the operating system, written once per platform
// and without the engine, so they check it rather than repeat it.
namespace tovrin::test {

// Seconds since the epoch of a UTC date and time (proleptic Gregorian).
inline std::int64_t UtcSeconds(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    return days * 86400 + hh * 3600 + mm * 60 + ss;
}

// A file's times as the file system holds them: seconds since the epoch and
// the nanoseconds beyond. Creation time only where files have one.
struct StoredTimes {
    bool ok = false;
    std::int64_t accessed = 0, written = 0, created = 0;
    long accessedNs = 0, writtenNs = 0, createdNs = 0;
    bool hasCreation = false;
};

#ifdef _WIN32
inline void SplitFileTime(FILETIME t, std::int64_t& seconds, long& ns) {
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    seconds = ticks / 10000000 - 11644473600LL;
    ns = static_cast<long>(ticks % 10000000) * 100;
}
#endif

inline StoredTimes ReadStoredTimes(const std::string& path) {
    StoredTimes t;
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data)) return t;
    SplitFileTime(data.ftLastAccessTime, t.accessed, t.accessedNs);
    SplitFileTime(data.ftLastWriteTime, t.written, t.writtenNs);
    SplitFileTime(data.ftCreationTime, t.created, t.createdNs);
    t.hasCreation = true;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return t;
    t.accessed = st.st_atim.tv_sec;
    t.accessedNs = st.st_atim.tv_nsec;
    t.written = st.st_mtim.tv_sec;
    t.writtenNs = st.st_mtim.tv_nsec;
#endif
    t.ok = true;
    return t;
}

// Local "yyyy/MM/dd hh:mm:ss" as a file's access and write time, and back,
// through the system's own conversion (today's zone rules).
inline void SetLocalFileTime(const std::string& path, const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
#ifdef _WIN32
    SYSTEMTIME local{
        static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
        static_cast<WORD>(mi), static_cast<WORD>(s),  0};
    SYSTEMTIME utc{};
    FILETIME ft{};
    ::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    ::SystemTimeToFileTime(&utc, &ft);
    const HANDLE file =
        ::CreateFileW(NativePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    ::SetFileTime(file, nullptr, &ft, &ft);
    ::CloseHandle(file);
#else
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    const std::time_t moment = std::mktime(&tm);
    const timespec times[2] = {{moment, 0}, {moment, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
#endif
}

inline std::string LocalFileTime(const std::string& path) {
    char text[32] = "";
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SYSTEMTIME utc{}, local{};
    if (::GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data) &&
        ::FileTimeToSystemTime(&data.ftLastWriteTime, &utc) &&
        ::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.wYear, local.wMonth,
                      local.wDay, local.wHour, local.wMinute, local.wSecond);
    }
#else
    struct stat st {};
    std::tm tm{};
    if (::stat(path.c_str(), &st) == 0 && localtime_r(&st.st_mtime, &tm)) {
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &tm);
    }
#endif
    return text;
}

// Makes `zone` the local time zone of this process when the platform lets a
// process choose: Linux by TZ; Windows has one zone for the whole system, so
// there the answer is whether the system zone is one of `windowsZones` (Wine
// takes it from TZ at start, so the suite runs such tests once per zone).
inline bool UseZone(const char* zone, const std::vector<std::wstring>& windowsZones) {
#ifdef _WIN32
    (void)zone;
    DYNAMIC_TIME_ZONE_INFORMATION info{};
    if (::GetDynamicTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) return false;
    for (const std::wstring& name : windowsZones)
        if (name == info.TimeZoneKeyName) return true;
    return false;
#else
    (void)windowsZones;
    ::setenv("TZ", zone, 1);
    ::tzset();
    return true;
#endif
}

// Sets or clears the immutable flag (chattr +i): even root cannot then create,
// change or delete anything in the folder or file. False where the file
// system or the platform has no such flag (Windows has none that holds a
// folder's files too).
inline bool SetImmutable(const std::string& path, bool on) {
#if defined(__linux__)
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) ::close(fd);
    return done;
#else
    (void)path;
    (void)on;
    return false;
#endif
}

// A file this process may read but not write, while the object lives: the
// read-only permission (the read-only attribute on Windows), or for root,
// which ignores permissions on Linux, the immutable flag. ok is false when
// neither keeps the file from being opened for writing.
struct ReadOnlyFile {
    explicit ReadOnlyFile(std::string p) : path(std::move(p)) {
        namespace fs = std::filesystem;
#ifndef _WIN32
        if (::geteuid() == 0) {
            immutable = ok = SetImmutable(path, true);
            return;
        }
#endif
        std::error_code ec;
        fs::permissions(NativePath(path),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, ec);
        // Wine keeps the attribute as Linux permissions, which root ignores.
        ok = !ec && !std::ofstream(NativePath(path), std::ios::binary | std::ios::app);
    }
    ~ReadOnlyFile() {
        namespace fs = std::filesystem;
        if (immutable) SetImmutable(path, false);
        std::error_code ec;
        fs::permissions(NativePath(path), fs::perms::owner_write, fs::perm_options::add, ec);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    const std::string path;
    bool ok = false;
    bool immutable = false;
};

}  // namespace tovrin::test
