#pragma once

#include <cstdint>
#include <string>

namespace tovrin {

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
