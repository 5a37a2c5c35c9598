#include "exif/file_date_change.h"

#include <cctype>
#include <ctime>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

// "h:mm:ss" or "hh:mm:ss" as captured from the file; anything else is a type mismatch.
TimeOfDay parseTimeOfDay(const std::string& text) {
    int parts[3] = {0, 0, 0};
    int index = 0;
    int digits = 0;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            parts[index] = parts[index] * 10 + (c - '0');
            if (++digits > 2) throw RuntimeError(error::TypeMismatch);
        } else if (c == ':' && digits > 0 && index < 2) {
            ++index;
            digits = 0;
        } else {
            throw RuntimeError(error::TypeMismatch);
        }
    }
    const TimeOfDay t{parts[0], parts[1], parts[2]};
    if (index != 2 || digits == 0 || !IsValidTime(t)) throw RuntimeError(error::TypeMismatch);
    return t;
}

}  // namespace

void SetFileDate(const std::string& fullPath, const DateChoice& choice,
                 const std::string& fileTime) {
    const TimeOfDay t = choice.keepTime ? parseTimeOfDay(fileTime) : choice.time;

    // mktime with tm_isdst = -1 applies the rules in force on that date, so a
    // summer date set in winter is not shifted by the daylight-saving hour.
    std::tm tm{};
    tm.tm_year = choice.date.year - 1900;
    tm.tm_mon = choice.date.month - 1;
    tm.tm_mday = choice.date.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    const std::time_t moment = std::mktime(&tm);
    if (moment == static_cast<std::time_t>(-1)) return;

#ifdef _WIN32
    // 100-ns intervals since 1601-01-01 UTC.
    const ULONGLONG ticks = (static_cast<ULONGLONG>(moment) + 11644473600ULL) * 10000000ULL;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    HANDLE h = CreateFileW(NativePath(fullPath).c_str(), GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    SetFileTime(h, &ft, &ft, &ft);
    CloseHandle(h);
#else
    // Linux keeps no settable creation time: access and modification carry the moment.
    struct timespec times[2];
    times[0].tv_sec = moment;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, fullPath.c_str(), times, 0);
#endif
}

}  // namespace tovrin
