#pragma once

#include <optional>
#include <string>

#include "exif/date_choice.h"

namespace tovrin {

// The moment a file's name tells, as phones, messengers and cameras write
// it: IMG_20210314_121530.jpg, PXL_20220831_003137144.jpg (in UTC),
// Screenshot_20200101-101010.png, IMG-20190704-WA0003.jpg (a day only),
// 2021-03-14 12.15.30.jpg, 20210314_121530.jpg.
struct NameDate {
    CalendarDate date;
    std::optional<TimeOfDay> time;  // none when the name gives a day only
    bool utc = false;               // the name's time is UTC (Pixel phones), not local
};

// Why a pattern given by the user cannot be used, "" when it can. A pattern
// is text with named fields: {Y} four-digit year, {M} month, {D} day, {h}
// hour, {m} minute, {s} second (each two digits), {*} any run of characters
// (as few as will do); any other character stands for itself. {Y}, {M} and
// {D} are needed; {h}, {m} and {s} go together or not at all; "{{" and "}}"
// are a brace of their own.
std::string NamePatternProblem(const std::string& pattern);

// Reads the moment from a file name (without its folder): with an empty
// pattern by the built-in patterns above, else by `pattern`, which must
// match the name's stem (the name before its last dot) whole, or the whole
// name. Nothing when the name does not match or names no real day and time
// (month 13, 25 o'clock, 30 February). Names of any bytes are taken; a
// name that is not UTF-8 or holds line breaks simply matches no pattern
// whose fixed characters it lacks.
std::optional<NameDate> DateFromName(const std::string& name, const std::string& pattern = {});

}  // namespace tovrin
