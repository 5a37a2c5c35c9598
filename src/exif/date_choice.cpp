#include "exif/date_choice.h"

#include <cstdio>

namespace tovrin {

namespace {

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::string dateText(const CalendarDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d:%02d:%02d", d.year, d.month, d.day);
    return buf;
}

}  // namespace

bool IsValidDate(const CalendarDate& d) {
    static constexpr int daysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    const int last = daysIn[d.month - 1] + (d.month == 2 && isLeapYear(d.year) ? 1 : 0);
    return d.day <= last;
}

bool IsValidTime(const TimeOfDay& t) {
    return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
           t.second < 60;
}

std::string NewDateText(const DateChoice& choice) {
    if (choice.keepTime) return dateText(choice.date);
    char buf[32];
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", choice.time.hour, choice.time.minute,
                  choice.time.second);
    return dateText(choice.date) + buf;
}

std::string FilterDateText(const DateChoice& choice) {
    return choice.filterOn ? dateText(choice.filterDate) : std::string();
}

}  // namespace tovrin
