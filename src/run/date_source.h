#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/local_time.h"

namespace tovrin {

// Where each photo of a set run takes its new moment, the same for the
// window and the command line.
struct DateSource {
    // One moment for every photo; with a step, the first photo's.
    DateChoice choice;
    // More than 0: the photos, in name order, get moments `stepSeconds`
    // apart from the chosen one, so programs that sort by capture date keep
    // the order they were scanned in.
    std::int64_t stepSeconds = 0;
    // Each photo's moment comes from its own file name (by `namePattern`,
    // "" for the built-in patterns). A name that gives a day only keeps the
    // photo's own time of day when choice.keepTime, else takes choice.time.
    // A time read as UTC is converted to the computer's local time.
    bool fromName = false;
    std::string namePattern;
    // Each photo's moment is its file's modification time, as the change
    // finds it when it opens the photo (ChangeOptions::fromFileTime).
    bool fromFileTime = false;
};

// The new moment of one photo, or why it gets none.
struct SourcedChoice {
    std::optional<DateChoice> choice;
    std::string skipped;  // Japanese, shown to the user: why no moment (no date in the name, ...)
};

// The choice for the photo named `fileName` (without folder) that stands
// `rank`-th (from 0) in name order among the run's photos. The filter day of
// source.choice holds for every photo.
SourcedChoice ChoiceForPhoto(const DateSource& source, std::size_t rank,
                             const std::string& fileName);

// The rank of each name in name order: by each run of digits as a number
// (scan2 before scan10), then by the rest, case-insensitively, with a plain
// comparison of the bytes breaking ties.
std::vector<std::size_t> NameRanks(const std::vector<std::string>& names);

}  // namespace tovrin
