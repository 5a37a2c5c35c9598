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

// The texts and the rule for moments the clocks skip or repeat are shared;
// the conversion from UTC to local time is the platform's: the C library's
// zone rules here, the Win32 zone of the system on Windows
// (local_time_windows.cpp), whose C runtime knows only this year's
// daylight-saving rules.

namespace tovrin {

void AppendNumber(std::string& text, int value, int width) {
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

namespace {

// a, sep, b, sep, c with the given widths.
std::string joined(int a, int widthA, char sep, int b, int c) {
    std::string text;
    text.reserve(20);
    AppendNumber(text, a, widthA);
    text += sep;
    AppendNumber(text, b, 2);
    text += sep;
    AppendNumber(text, c, 2);
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

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Windows holds no moment before 1601.
#ifdef _WIN32
constexpr int FirstYear = 1601;
#else
constexpr int FirstYear = 1;
#endif

// Which zone the conversions follow now: a process may switch it (TZ and
// tzset), and a remembered answer holds only for the zone it was given in.
struct ZoneKey {
    const char* standard = nullptr;
    const char* daylight = nullptr;
    long west = 0;
    bool operator==(const ZoneKey&) const = default;
};
ZoneKey currentZone() {
#ifdef _WIN32
    return {};  // one zone for the whole system, read once
#else
    return {tzname[0], tzname[1], timezone};
#endif
}

#ifndef _WIN32
LocalDateTime fromEpoch(std::time_t t) {
    // A photo's time is asked for more than once (its readout and its kept
    // time of day): the last answer stands for the same moment in the same zone.
    thread_local std::time_t lastAsked = 0;
    thread_local ZoneKey lastZone;
    thread_local LocalDateTime lastAnswer;
    if (t == lastAsked && lastZone == currentZone()) return lastAnswer;
    std::tm tm{};
    localtime_r(&t, &tm);
    lastAnswer = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    lastAsked = t;
    lastZone = currentZone();
    return lastAnswer;
}
#endif

}  // namespace

#ifndef _WIN32
LocalDateTime Now() { return fromEpoch(std::time(nullptr)); }

LocalDateTime ToLocal(std::int64_t secondsSinceEpoch) {
    return fromEpoch(static_cast<std::time_t>(secondsSinceEpoch));
}

LocalDateTime LastWriteTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        throw ErrorFromErrno(err, ParentFolderMissing(path));
    }
    return fromEpoch(static_cast<std::time_t>(st.st_mtime));
}
#endif

namespace {

std::int64_t localToEpoch(const LocalDateTime& t) {
    const std::int64_t wall = WallSeconds(t);
    // Seconds east of UTC in force at an instant.
    const auto offsetAt = [](std::int64_t instant) {
        return WallSeconds(ToLocal(instant)) - instant;
    };
    // The offsets in force a day before and a day after the wall time: no
    // zone changes its clocks twice within two days, so a change near the
    // moment shows as two different offsets.
    const std::int64_t earlier = wall - offsetAt(wall - 86400);
    const std::int64_t later = wall - offsetAt(wall + 86400);
    const bool earlierShows = ToLocal(earlier) == t;
    const bool laterShows = ToLocal(later) == t;
    if (earlierShows && laterShows) return std::min(earlier, later);
    if (earlierShows) return earlier;
    if (laterShows) return later;
    // Skipped: read with the offset from before the change, which the clock
    // after it shows as the wall time plus the gap.
    return std::max(earlier, later);
}

}  // namespace

// One rule on every platform, whatever the system's own conversion would do
// with a moment the clocks skip or show twice: a skipped wall time (the hour
// lost when the clocks go forward) is moved forward by the gap, 02:30 becoming
// 03:30; a repeated one (the hour shown twice when they go back) is its first
// occurrence, still on daylight-saving time. Both builds then give a photo's
// file the same moment.
std::int64_t LocalToEpoch(const LocalDateTime& t) {
    if (t.year < FirstYear || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > daysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59)
        throw RuntimeError(error::InvalidCall);
    // A run gives every photo the same moment unless it keeps their times of
    // day: the last answer stands for the same wall time.
    thread_local LocalDateTime lastAsked;
    thread_local ZoneKey lastZone;
    thread_local std::int64_t lastAnswer = 0;
    if (t == lastAsked && lastAsked.year != 0 && lastZone == currentZone()) return lastAnswer;
    lastAnswer = localToEpoch(t);
    lastAsked = t;
    lastZone = currentZone();
    return lastAnswer;
}

std::int64_t WallSeconds(const LocalDateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
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

std::string SlashDateText(const LocalDateTime& t) { return joined(t.year, 4, '/', t.month, t.day); }

std::string TimeOfDayText(const LocalDateTime& t) {
    return joined(t.hour, 2, ':', t.minute, t.second);
}

}  // namespace tovrin
