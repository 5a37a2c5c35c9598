#pragma once

#include <string>
#include <vector>

#include "exif/exif_walk.h"

namespace tovrin {

class PhotoFile;

// A copy of the photo's date that lives outside the EXIF tables: in the XMP
// packet (an APP1 "http://ns.adobe.com/xap/1.0/") or in the IPTC block of
// the Photoshop APP13 (resource 0x0404). Other programs show these first, so
// a change that leaves them behind looks like no change at all.
struct DateCopyFound {
    std::string place;  // "xmp:CreateDate", "IPTC 2:55", ...
    ByteSpan text;      // where its text lies in the file
    std::string value;  // the text as stored, one character a byte
};

// Every such copy of one JPEG, in file order, and what could not be read
// (a malformed packet or block is reported, never followed past its
// segment). Reads with bounds everywhere; a file that is no JPEG gives none.
struct DateCopies {
    std::vector<DateCopyFound> found;
    std::vector<std::string> problems;
};
DateCopies FindDateCopies(PhotoFile& file);

}  // namespace tovrin
