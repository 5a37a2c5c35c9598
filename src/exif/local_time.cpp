#include "exif/local_time.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "exif/paths.h"
#include "exif/runtime_error.h"

// The texts are shared; the conversions between local time and UTC are the
// platform's: the C library's zone rules here, the Win32 zone of the system
// on Windows (local_time_windows.cpp), whose C runtime knows only this
// year's daylight-saving rules.

namespace tovrin {

namespace {

// Appends value with at least `width` digits, zero-padded. Shown for every
// photo, so without the cost of a printf.
void appendNumber(std::string& text, int value, int width) {
    char digits[12];
    int n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int i = n; i < width; ++i) text += '0';
    while (n > 0) text += digits[--n];
}

// a, sep, b, sep, c with the given widths.
std::string joined(int a, int widthA, char sep, int b, int c) {
    std::string text;
    text.reserve(20);
    appendNumber(text, a, widthA);
    text += sep;
    appendNumber(text, b, 2);
    text += sep;
    appendNumber(text, c, 2);
    return text;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The date of a day count from 1970-01-01, proleptic Gregorian.
void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

#ifndef _WIN32
LocalDateTime fromEpoch(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// Seconds east of UTC in force at the instant t.
std::int64_t utcOffsetAt(std::int64_t t) {
    const LocalDateTime local = fromEpoch(static_cast<std::time_t>(t));
    const std::int64_t asIfUtc =
        daysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 +
        local.minute * 60 + local.second;
    return asIfUtc - t;
}
#endif

}  // namespace

#ifndef _WIN32

// The zone is looked up once by the C library and then kept, unlike mktime,
// which looks at the zone file again on every call.
std::int64_t LocalToEpoch(const LocalDateTime& t) {
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
        t.second > 59)
        throw RuntimeError(error::InvalidCall);
    const std::int64_t wall = daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 +
                              t.minute * 60 + t.second;
    // The offset of the instant the wall time names; twice, because the
    // first guess may fall on the other side of a daylight-saving change.
    const std::int64_t first = wall - utcOffsetAt(wall);
    const std::int64_t second = wall - utcOffsetAt(first);
    if (fromEpoch(static_cast<std::time_t>(second)) == t) return second;
    if (fromEpoch(static_cast<std::time_t>(first)) == t) return first;
    // A wall time skipped when the clocks went forward: the later reading.
    return std::max(first, second);
}

LocalDateTime Now() { return fromEpoch(std::time(nullptr)); }

LocalDateTime ToLocal(std::int64_t secondsSinceEpoch) {
    return fromEpoch(static_cast<std::time_t>(secondsSinceEpoch));
}

LocalDateTime LastWriteTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        const auto parent = NativePath(path).parent_path();
        std::error_code ec;
        const bool folderGone = !parent.empty() && !std::filesystem::is_directory(parent, ec);
        throw ErrorFromErrno(err, folderGone);
    }
    return fromEpoch(static_cast<std::time_t>(st.st_mtime));
}
#endif

std::int64_t WallSeconds(const LocalDateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}

LocalDateTime FromWallSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    LocalDateTime t;
    civilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::string GeneralDateText(const LocalDateTime& t) {
    std::string text = SlashDateText(t);
    if (t.hour != 0 || t.minute != 0 || t.second != 0)
        text += ' ' + joined(t.hour, 1, ':', t.minute, t.second);
    return text;
}

std::string SlashDateText(const LocalDateTime& t) {
    return joined(t.year, 4, '/', t.month, t.day);
}

std::string TimeOfDayText(const LocalDateTime& t) {
    return joined(t.hour, 2, ':', t.minute, t.second);
}

}  // namespace tovrin
