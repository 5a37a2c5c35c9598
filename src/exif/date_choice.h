#pragma once

#include <string>

namespace tovrin {

struct CalendarDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

struct TimeOfDay {
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// The user's choices for one photo, built by the window from its controls at
// the start of each call (date picker, time picker, keep-time box, filter box,
// filter-date picker).
struct DateChoice {
    CalendarDate date;
    TimeOfDay time;
    bool keepTime = false;
    bool filterOn = false;
    CalendarDate filterDate;
};

bool IsValidDate(const CalendarDate& d);
bool IsValidTime(const TimeOfDay& t);

// "yyyy:mm:dd" when the time of day is kept, else "yyyy:mm:dd hh:mm:ss".
std::string NewDateText(const DateChoice& choice);
// "yyyy:mm:dd" of the filter date when the filter is on, else "".
std::string FilterDateText(const DateChoice& choice);

}  // namespace tovrin
