#pragma once

#include "exif/container.h"

namespace tovrin {

class PhotoFile;

// Files of the ISO base media format (boxes: a 32-bit size that counts
// itself, or 1 and a 64-bit size, or 0 up to the end of the file; a 4-byte
// type): HEIF/HEIC/AVIF, CR3 and QuickTime/MP4, told apart by the ftyp
// brands. Fills map for the kind it finds; false for a file of none.
bool MapIsoFile(PhotoFile& file, ContainerMap& map);

}  // namespace tovrin
