#pragma once

#include <cstdint>
#include <functional>

namespace tovrin {

class PhotoFile;

// The one walk over a photo's EXIF layout that the reader and the writer
// share, so a rule about the structure lives in one place:
//
//   SOI FFD8 | [APP0 FFE0, length L, data]  (one APP0 at most is skipped)
//   APP1 FFE1 | length | "Exif" | 2 bytes | TIFF header at TiffBase
//   TIFF header: "II" or "MM" | 42 | IFD0 offset (unused: IFD0 is read at TiffBase + 8)
//   IFD0 / Exif IFD: count (unsigned 16) | count x 12-byte entries | next-IFD link (4)
//
//   entry at e:  +0 tag (2) | +2 type (2) | +4 count (4) | +8 value or offset (4)
//
// Positions are 1-based. Reads outside the file throw OutsideFile, which the
// callers turn into "no usable EXIF data".

// A run of bytes of the file: first position and count.
struct ByteSpan {
    std::int64_t first = 0;
    std::int64_t size = 0;
    std::int64_t end() const { return first + size; }  // one past the last byte
    bool contains(const ByteSpan& inner) const {
        return inner.first >= first && inner.size >= 0 && inner.end() <= end();
    }
    bool overlaps(const ByteSpan& other) const {
        return first < other.end() && other.first < end();
    }
};

// Where the JPEG markers lead. tiffBase is set as soon as the APP1 marker is
// found, even when its signature turns out not to be "Exif".
struct ExifBlock {
    std::int64_t tiffBase = 0;
    ByteSpan app1;           // the whole APP1 segment, marker included
    bool hasSignature = false;
};

// Follows SOI, at most one APP0, and the APP1 marker into block. False when
// the file is not a JPEG or has no APP1 where it is looked for. block.tiffBase
// is set before the signature is read, so it holds even when that read throws.
bool LocateExifBlock(PhotoFile& file, ExifBlock& block);

enum class Directory { Ifd0, Exif };

// One directory entry as the walk meets it.
struct IfdEntry {
    Directory directory;
    std::int64_t position;  // e, the entry's first byte
    std::int16_t tag;
};

// How far a TIFF walk came.
enum class WalkEnd {
    BadByteOrder,   // mark is neither "II" nor "MM"
    NoMagic,        // the 42 is missing (checked only when asked)
    EmptyIfd0,
    NoExifPointer,  // IFD0 holds no tag 0x8769
    EmptyExif,
    Complete,       // both directories walked to their end
};

// What the walk saw of the structure: the byte order and the entry tables
// (count, entries and next-IFD link) of the two directories.
struct TiffStructure {
    int order = 0;
    ByteSpan ifd0Table;
    ByteSpan exifTable;
    std::uint16_t exifCount = 0;
};

// Walks the TIFF header at tiffBase, IFD0 and the Exif IFD, calling
// visit(const IfdEntry&) for every entry in directory order. The Exif
// pointer is taken from the last 0x8769 entry of IFD0.
WalkEnd WalkTiffStructure(PhotoFile& file, std::int64_t tiffBase, bool checkMagic,
                          TiffStructure& out, const std::function<void(const IfdEntry&)>& visit);

}  // namespace tovrin
