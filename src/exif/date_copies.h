#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/exif_walk.h"
#include "exif/local_time.h"

namespace tovrin {

class PhotoFile;

// How a copy writes its date; each keeps its own length and layout.
enum class CopyForm {
    Xmp,       // YYYY[-MM[-DD[Thh:mm[:ss[.s...]]]]] and a zone: "Z" or "+hh:mm"
    IptcDate,  // CCYYMMDD
    IptcTime,  // HHMMSS and a zone: "+HHMM"
};

// A copy of the photo's date that lives outside the EXIF tables: in the XMP
// packet (an APP1 "http://ns.adobe.com/xap/1.0/", or a sidecar .xmp file
// that is a packet alone) or in the IPTC block of the Photoshop APP13
// (resource 0x0404). Other programs show these first, so a change that
// leaves them behind looks like no change at all.
struct DateCopyFound {
    std::string place;  // "xmp:CreateDate", "IPTC 2:55 DateCreated", ...
    CopyForm form = CopyForm::Xmp;
    ByteSpan text;      // where its text lies in the file
    std::string value;  // the text, one character a byte (read from UTF-16 when so stored)
    // IPTC: the block it stands in (an index into DateCopies::iptc), which
    // pairs a date with its time.
    int block = -1;
    // How the packet stores a character: 1 byte (UTF-8), or 2 (UTF-16, big
    // or little endian).
    int width = 1;
    bool bigEndian = true;
};

// An IPTC block and the digest Photoshop keeps of it (resource 0x0425):
// readers trust the block only while the digest matches, so it is
// recomputed after a write when it matched before.
struct IptcBlock {
    ByteSpan data;
    std::optional<ByteSpan> digest;  // its 16 bytes, when the photo has one
    bool digestMatches = false;
};

// Every such copy of one photo, in file order, and what could not be read.
// A malformed packet or block (a value without its end, a record or resource
// that runs past its segment, a digest of the wrong length) is a problem:
// nothing of it is followed, and a change of the photo is refused, as its
// copies cannot all be found. What is left alone on purpose (Extended XMP)
// is a note. Reads with bounds everywhere; a file that is neither a JPEG nor
// an XMP packet gives none.
struct DateCopies {
    std::vector<DateCopyFound> found;
    std::vector<IptcBlock> iptc;
    std::vector<std::string> problems;
    std::vector<std::string> notes;
};
DateCopies FindDateCopies(PhotoFile& file);

// A copy's text read as a moment, with as many parts as it has: a year, a
// month, a day (dateParts 0 to 3), hours, minutes, seconds (timeParts 0, 2
// or 3), and the stored fraction of a second and zone. Nothing when the text
// is not a date of its form or names no valid moment.
struct CopyMoment {
    int dateParts = 0;
    int timeParts = 0;
    LocalDateTime t{1, 1, 1, 0, 0, 0};
    std::size_t fractionDigits = 0;
    std::string zone;  // as stored: "", "Z", "+09:00", "+0900"
};
std::optional<CopyMoment> ReadCopyText(CopyForm form, const std::string& text);

// The old text with the parts it has set to `t` (fraction digits zeroed when
// asked, the zone replaced by `zone` when given and stored in a form of that
// length): the same length and layout. Nothing when the new zone does not
// fit the stored one's form.
// A copy's text as its packet stores it (UTF-16 as two bytes a character).
std::string StoredCopyText(const DateCopyFound& copy, const std::string& text);

std::optional<std::string> WriteCopyText(CopyForm form, const std::string& old,
                                         const CopyMoment& parsed, const LocalDateTime& t,
                                         bool zeroFraction,
                                         const std::optional<std::string>& zone = {});

}  // namespace tovrin
