#pragma once

#include "exif/container.h"

namespace tovrin {

class PhotoFile;

// Files of the ISO base media format (boxes: a 32-bit size that counts
// itself, or 1 and a 64-bit size, or 0 up to the end of the file; a 4-byte
// type): HEIF/HEIC/AVIF, CR3 and QuickTime/MP4, told apart by the ftyp
// brands. Fills map for the kind it finds; false for a file of none, with
// map untouched.
//
//   HEIF: the Exif and XMP items of meta (stored whole in an mdat), the
//         primary item's size
//   CR3:  CMT1 (IFD0) and CMT2 (the Exif IFD), the largest preview JPEG
//   all:  the times of mvhd, tkhd and mdhd, the ©day and Keys creation date
//         texts of moov, XMP in moov/udta and Adobe's top-level uuid box
//
// Every level is walked by one bounded walk: a box smaller than its header or
// running past its parent stops that level as a problem, nesting and the
// number of boxes and table entries read are bounded, and nothing is read
// outside the file.
bool MapIsoFile(PhotoFile& file, ContainerMap& map);

}  // namespace tovrin
