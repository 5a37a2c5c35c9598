#pragma once

#include <cstdint>
#include <string>

namespace tovrin {

// Seconds from 1601-01-01 UTC, where Windows file times start, to 1970-01-01.
inline constexpr std::int64_t FileTimeEpochOffset = 11644473600LL;

// Appends value (0 for a negative one) with at least `width` digits,
// zero-padded. Dates are formatted for every photo, so without a printf.
void AppendNumber(std::string& text, int value, int width);

// A moment in local wall-clock time, to the second.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

LocalDateTime Now();
// A wall-clock moment as seconds from 1970-01-01 00:00:00 of the same clock
// (no zone), and back: for date arithmetic that moves the clock's reading.
std::int64_t WallSeconds(const LocalDateTime& t);
LocalDateTime FromWallSeconds(std::int64_t seconds);
// Seconds since the epoch (UTC) of a local wall-clock moment, converted with
// the local-time rules in force on that date (not today's), so a summer date
// set in winter keeps its hour. Throws RuntimeError 5 when the moment is not
// a valid date and time of years 1 to 9999 or the system cannot convert it.
std::int64_t LocalToEpoch(const LocalDateTime& t);
LocalDateTime ToLocal(std::int64_t secondsSinceEpoch);

// The file's last-write time in local time. Throws RuntimeError (53 when the
// file is gone).
LocalDateTime LastWriteTime(const std::string& path);

// Japanese general-date form: "yyyy/MM/dd H:mm:ss", or "yyyy/MM/dd" alone at
// exactly 0:00:00.
std::string GeneralDateText(const LocalDateTime& t);
// "yyyy/mm/dd"
std::string SlashDateText(const LocalDateTime& t);
// "hh:mm:ss", 24-hour clock, zero-padded.
std::string TimeOfDayText(const LocalDateTime& t);

}  // namespace tovrin
