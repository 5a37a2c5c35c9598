#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/date_copies.h"
#include "exif/local_time.h"
#include "exif/writer.h"

namespace tovrin {

class PhotoFile;

// How the journal names a write outside the EXIF tables, in place of a tag.
inline constexpr std::int16_t CopyTag = 0;    // a copy of the date (XMP, IPTC)
inline constexpr std::int16_t DigestTag = 1;  // an IPTC block's digest, recomputed

// How a change moves the copies of a photo's date, as its EXIF texts move.
struct CopyRule {
    bool shift = false;
    // A set: every copy gets this date and, unless none is given (the time
    // of day is kept), this time; fractions of a second become zeros.
    CalendarDate date;
    std::optional<TimeOfDay> time;
    // A shift: every copy moves by this many seconds of wall-clock time,
    // fractions kept. A copy of a date alone follows the capture moment
    // when it names that moment's day (month, year), and is left otherwise.
    std::int64_t seconds = 0;
    std::optional<LocalDateTime> captureBefore;
    std::optional<LocalDateTime> captureAfter;
    // "yyyy:mm:dd": only copies of that day move.
    std::string onlyOn;
    // "+hh:mm": the zone written where a copy stores one in a form of that length.
    std::optional<std::string> zone;
};

// The copies of one photo's date as read once: each copy, its moment (none
// when its text is no date of its form), and the moments they keep (a copy,
// or an IPTC date and the time that goes with it), so that any rule can be
// tried on them without reading the photo again.
struct CopyMoments {
    DateCopies found;
    std::vector<std::optional<CopyMoment>> read;  // one a copy
    struct Unit {
        std::vector<std::size_t> members;  // indices into found.found
        CopyMoment moment;                 // the parts of all members
    };
    std::vector<Unit> units;
};
CopyMoments ReadCopyMoments(PhotoFile& file);

// What a rule does to one copy: its new text (as read, one character a
// byte), or why it is left as it is; copies of another day than the rule's
// are not named.
struct CopyMove {
    std::size_t index = 0;  // into found.found
    std::optional<std::string> text;
    std::string why;
};
std::vector<CopyMove> MoveCopies(const CopyMoments& copies, const CopyRule& rule);

// What the copies of one photo get.
struct CopyPlan {
    std::size_t copies = 0;             // copies of the date the photo holds
    std::vector<DateField> writes;      // tagged CopyTag or DigestTag
    std::vector<std::string> left;      // copies left as they are, each with why
    std::vector<std::string> problems;  // non-empty: the photo must not be written
};
CopyPlan PlanCopies(PhotoFile& file, const CopyRule& rule);

// Every copy of a photo's date besides its three EXIF texts, for a reader:
// where it lies ("exif", "xmp", "iptc"), its name, its text and whether it
// names the same moment (in the parts it has) as the EXIF text it stands for
// (xmp:ModifyDate and tiff:DateTime for DateTime, the digitized ones for
// DateTimeDigitized, the others for DateTimeOriginal); a zone offset says
// nothing of agreement. Problems: what could not be read.
struct CopyListing {
    std::string where;
    std::string name;
    std::string text;
    std::optional<bool> agrees;
};
struct CopyList {
    std::vector<CopyListing> copies;
    std::vector<std::string> problems;
};
struct PhotoInfo;
CopyList ListDateCopies(PhotoFile& file, const PhotoInfo& info);

// "+hh:mm" or "-hh:mm" with hours 0 to 14 (or "+hh:mm" of 15..23 in
// stored data): the offset in minutes, or nothing.
std::optional<int> ZoneMinutes(const std::string& zone);

}  // namespace tovrin
