#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/copy_plan.h"
#include "exif/local_time.h"

namespace tovrin {

// One text of a photo's date that a shift looks at: where the photo keeps it
// and the text it holds there.
struct DateCopy {
    enum class Kind {
        // One of the three EXIF texts. Should one leave years 1 to 9999, the
        // shift leaves the whole photo as it is.
        Exif,
        // IFD0's own copy of a capture date: moved as the EXIF texts are, and
        // alone left as it is when it cannot be.
        Ifd0,
        // A copy in XMP or IPTC, moved by the copies' own rule (MoveCopies).
        Outside,
    };
    std::string place;     // "DateTimeOriginal", "xmp:CreateDate", "IPTC 2:55 DateCreated", ...
    std::string before;    // the text as stored, one character a byte
    LocalDateTime moment;  // the moment it names (Exif, Ifd0)
    Kind kind = Kind::Exif;
    std::size_t found = 0;  // Outside: its index into PhotoDates::outside.found.found
};

// The texts a shift would look at in one photo, read once, so that any offset
// can be shown without opening the photo again.
struct PhotoDates {
    std::string name;  // as the run's targets name it
    // The EXIF texts that move, the capture date first, then the copies that
    // go with them; empty: nothing moves.
    std::vector<DateCopy> copies;
    // What the copies' rule needs at any offset: the copies outside EXIF as
    // read, the capture moment they follow, and the filter day.
    CopyMoments outside;
    std::optional<LocalDateTime> capture;
    std::string onlyOn;

    // How many of the texts are copies of the date rather than EXIF texts.
    std::size_t copyCount() const;
};

// What a shift of folderPath + name with the filter day onlyOn ("yyyy:mm:dd",
// "" for none) would move, found as the shift itself finds it. Nothing for a
// photo the shift leaves alone anyway: one without EXIF data the writer can
// use, one that cannot be opened (the run reports it) and, with a filter
// day, one with no date on that day. Unless exifOnly, the copies of the date
// the shift keeps in step (those of the filter day, when there is one) come
// after the EXIF texts, when any of these moves.
std::optional<PhotoDates> ReadShiftDates(const std::string& folderPath, const std::string& name,
                                         const std::string& onlyOn, bool exifOnly = false);

// What a shift gives one text: its new text, or nothing and why it is left
// as it is.
struct ShiftedText {
    std::optional<std::string> text;
    std::string why;
};

// What a shift by `seconds` gives the texts, in their order; nothing when an
// EXIF text would leave years 1 to 9999, for then the shift leaves the whole
// photo as it is.
std::optional<std::vector<ShiftedText>> ShiftedTexts(const PhotoDates& photo, std::int64_t seconds);

// The offsets by which every moment the photo's texts name, its copies'
// included, stays within years 1 to 9999: [first, last]. Only leaving those
// years makes a shift treat a text otherwise than it would by no offset, so
// within them the shift leaves the same copies as it would by none.
struct OffsetSpan {
    std::int64_t first = 0;
    std::int64_t last = 0;
    bool contains(std::int64_t seconds) const { return first <= seconds && seconds <= last; }
};
OffsetSpan OffsetsInRange(const PhotoDates& photo);

}  // namespace tovrin
