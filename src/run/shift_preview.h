#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/local_time.h"

namespace tovrin {

// One copy of a photo's capture date that a shift moves: where the photo
// keeps it and the text it holds there. The EXIF texts today; a copy kept
// elsewhere (XMP, IPTC) would be one more place, read beside them.
struct DateCopy {
    std::string place;     // "DateTimeOriginal", "DateTimeDigitized", "DateTime"
    std::string before;    // "yyyy:mm:dd hh:mm:ss" as stored
    LocalDateTime moment;  // the moment it names
};

// The copies a shift would move in one photo, read once, so that any offset
// can be shown without opening the photo again.
struct PhotoDates {
    std::string name;              // as the run's targets name it
    std::vector<DateCopy> copies;  // the capture date first; empty: nothing moves
};

// What a shift of folderPath + name with the filter day onlyOn ("yyyy:mm:dd",
// "" for none) would move, found as the shift itself finds it. Nothing for a
// photo the shift leaves alone anyway: one without EXIF data the writer can
// use, one that cannot be opened (the run reports it) and, with a filter
// day, one with no date on that day.
std::optional<PhotoDates> ReadShiftDates(const std::string& folderPath, const std::string& name,
                                         const std::string& onlyOn);

// The texts a shift by `seconds` gives the copies, in their order; nothing
// when one of them would leave years 1 to 9999, for then the shift leaves the
// whole photo as it is.
std::optional<std::vector<std::string>> ShiftedTexts(const PhotoDates& photo, std::int64_t seconds);

}  // namespace tovrin
