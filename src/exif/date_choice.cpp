#include "exif/date_choice.h"

#include "exif/local_time.h"

namespace tovrin {

namespace {

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::string dateText(const CalendarDate& d) {
    std::string text;
    text.reserve(20);
    AppendNumber(text, d.year, 4);
    text += ':';
    AppendNumber(text, d.month, 2);
    text += ':';
    AppendNumber(text, d.day, 2);
    return text;
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
    std::string text = dateText(choice.date);
    if (choice.keepTime) return text;
    text += ' ';
    AppendNumber(text, choice.time.hour, 2);
    text += ':';
    AppendNumber(text, choice.time.minute, 2);
    text += ':';
    AppendNumber(text, choice.time.second, 2);
    return text;
}

std::string FilterDateText(const DateChoice& choice) {
    return choice.filterOn ? dateText(choice.filterDate) : std::string();
}

}  // namespace tovrin
