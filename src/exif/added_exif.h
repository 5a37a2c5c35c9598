#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "exif/photo_file.h"

namespace tovrin {

// A journaled change that adds or takes away bytes whole: at `position`, the
// `current` bytes (none for an addition) become the `written` ones (none for
// a removal). Only an EXIF block added to a photo that had none, or its
// removal on undo.
inline constexpr std::int16_t SpliceTag = 8;

// A block of EXIF to add to a photo that has none: a JPEG's APP1 segment
// after SOI (and any APP0 right after it), or a PNG's eXIf chunk before its
// first IDAT. It holds IFD0's DateTime, and an Exif IFD with ExifVersion,
// DateTimeOriginal, DateTimeDigitized, with a zone OffsetTimeOriginal, and
// the picture's size (PixelXDimension, PixelYDimension) when the file states it.
struct AddedExif {
    std::int64_t position = 0;  // where it goes, 1-based
    std::string bytes;
};

// The block for this photo and moment ("yyyy:mm:dd hh:mm:ss", zone "+hh:mm"
// or ""): nothing when the file is no JPEG or PNG, already holds EXIF, or is
// not sound up to its image data (a broken segment or chunk chain).
std::optional<AddedExif> PlanAddedExif(PhotoFile& file, const std::string& moment,
                                       const std::string& zone = {});

// Whether an undo may take `bytes` away at `position` (they stand there whole
// as the one EXIF segment or chunk of the photo) or, with `insert`, put them
// back there (they are such a block, the photo holds no EXIF, and the place
// is where a segment or chunk may begin before the image data). A journal is
// a file like any other: nothing else is ever added or taken away.
bool MayUndoAddedExif(PhotoFile& file, std::int64_t position, const std::string& bytes,
                      bool insert);

}  // namespace tovrin
