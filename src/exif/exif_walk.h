#pragma once

#include <cstdint>
#include <functional>

namespace tovrin {

class PhotoFile;

// The one walk over a photo's EXIF layout that the reader and the writer
// share, so a rule about the structure lives in one place:
//
//   SOI FFD8 | segments: FF xx, a 16-bit length that counts itself, data
//            | ... the first APP1 FFE1 whose data begins "Exif\0\0" ...
//            | SOS FFDA or EOI FFD9 ends the segments
//   Exif APP1: FFE1 | length | "Exif\0\0" | TIFF header at TiffBase
//   TIFF header: "II" or "MM" | 42 | IFD0 offset (4)
//   IFD: count (unsigned 16) | count x 12-byte entries | next-IFD link (4)
//
//   entry at e:  +0 tag (2) | +2 type (2) | +4 count (4) | +8 value or offset (4)
//
// A file that is itself a TIFF structure (TIFF, DNG and most raw formats)
// has its header at position 1: the whole file is the block, and a few raw
// formats put their own magic number where TIFF has 42.
//
// Every offset and count is unsigned 32-bit and counts from TiffBase.
// Positions are 1-based and 64-bit, so no offset wraps. Reads outside the
// file throw OutsideFile, which the callers turn into "no usable EXIF data".

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

// Where the EXIF data of a photo lies: the TIFF header and the span every
// date text must lie inside. For a JPEG that span is the whole Exif APP1
// segment, marker included; for a file that is a TIFF structure it is the
// whole file. tiffBase stays 0 when there is none.
struct ExifBlock {
    enum class Container { Jpeg, Tiff };
    std::int64_t tiffBase = 0;
    ByteSpan app1;
    Container container = Container::Jpeg;
    // The number the header holds after its byte order: 42, or a raw
    // format's own.
    std::int16_t magic = 42;
    // What the block's IFD0 is: IFD0 with its Exif IFD (every block but
    // CR3's), IFD0 alone (CR3's CMT1), or the Exif IFD stored as the IFD0
    // of a TIFF of its own (CR3's CMT2).
    enum class Holds { Ifd0AndExif, Ifd0Only, ExifOnly };
    Holds holds = Holds::Ifd0AndExif;
};

// One marker segment between SOI and the image data: its marker (0xE1 for
// APP1), the whole segment from its FF, and its data after the length.
struct JpegSegment {
    int marker = 0;
    ByteSpan whole;
    ByteSpan data;
};

// The one walk over a JPEG's marker segments: visits each segment with a
// length, in file order, until `visit` returns false or SOS/EOI is reached
// (true), or a byte that should be a marker is none or a length runs past
// the end of the file (false: nothing after such a fault can be trusted; the
// segments visited before it stand). False at once for a file that is no
// JPEG. Never reads outside the file.
bool WalkJpegSegments(PhotoFile& file, const std::function<bool(const JpegSegment&)>& visit);
// The same walk over a JPEG stream that lies inside another file (the JPEG a
// RAF wraps): it starts at stream.first and never reads past stream.end().
bool WalkJpegSegments(PhotoFile& file, const ByteSpan& stream,
                      const std::function<bool(const JpegSegment&)>& visit);

// Walks the segments between SOI and the image data for the first APP1 that
// holds "Exif\0\0". False, with block untouched, when the file is no JPEG,
// has no such segment before SOS/EOI, or when a byte that should be a marker
// is none or a length runs past the end of the file: the segments after such
// a fault cannot be trusted. Never reads outside the file.
bool LocateJpegExifBlock(PhotoFile& file, ExifBlock& block);
bool LocateJpegExifBlock(PhotoFile& file, const ByteSpan& stream, ExifBlock& block);

// A file that is a TIFF structure: "II"/"MM" and 42 (TIFF, DNG, NEF, CR2,
// ARW, PEF, SRW, ...), or Olympus' "IIRO"/"MMOR" or Panasonic's "IIU\0".
// BigTIFF ("II+\0"/"MM\0+"), whose offsets are 64-bit, is none: its
// entries read as 12-byte ones would be noise. False, with block untouched,
// for anything else. Reads only the first 4 bytes.
bool LocateTiffFileBlock(PhotoFile& file, ExifBlock& block);

// The EXIF block of a JPEG or of a file that is a TIFF structure, by what the
// file's first bytes say it is.
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
    BadByteOrder,  // mark is neither "II" nor "MM"
    NoMagic,       // the 42 is missing
    EmptyIfd0,
    NoExifPointer,  // IFD0 holds no tag 0x8769
    EmptyExif,
    Complete,  // both directories walked to their end
};

// What the walk saw of the structure: the byte order and the entry tables
// (count, entries and next-IFD link) of the two directories.
struct TiffStructure {
    int order = 0;
    ByteSpan ifd0Table;
    ByteSpan exifTable;
    std::uint16_t exifCount = 0;
};

// Walks the TIFF header at tiffBase, IFD0 (at the offset the header stores)
// and the Exif IFD, calling visit(const IfdEntry&) for every entry in
// directory order. The Exif pointer is taken from the last 0x8769 entry of IFD0.
// The header must hold `magic` after its byte order (NoMagic otherwise).
// A block that holds one directory (`holds`) completes with it: IFD0 alone,
// or the Exif IFD at the header's first offset; its table is both.
WalkEnd WalkTiffStructure(PhotoFile& file, std::int64_t tiffBase, TiffStructure& out,
                          const std::function<void(const IfdEntry&)>& visit,
                          std::int16_t magic = 42,
                          ExifBlock::Holds holds = ExifBlock::Holds::Ifd0AndExif);

// A run of bytes that belongs to the photo's EXIF structure.
struct StructurePart {
    enum Kind { Header, Table, Value, Thumbnail, ImageData };
    Kind kind = Header;
    ByteSpan bytes;
    // For Value: the entry whose value bytes these are.
    std::int64_t entry = 0;
    // The first byte of the table that reported the part (0 for the header):
    // one entry read as part of two overlapping tables is two claims.
    std::int64_t table = 0;
};

// What the full walk reached beyond IFD0 and the Exif IFD.
struct StructureMap {
    int tablesWalked = 0;  // directories whose entries were followed
    int untrusted = 0;     // tables reported, but their entries look like no directory's
    int unwalked = 0;      // reached by a pointer that leads outside the file
    int intoHeader = 0;    // pointers to offsets 1 to 7, inside the TIFF header
    int overBound = 0;     // pointers left unfollowed past MaxDirectories
    int cut = 0;           // tables that run past the end of the file, walked as far as they go
};

// The most directories the full walk follows: a real photo has fewer than a
// dozen, and a loop or a crafted chain must not keep it walking.
inline constexpr int MaxDirectories = 64;

// The most strips and tiles the full walk reports: a large TIFF stored a row
// per strip has some thousands, and a crafted count must not keep it reading.
inline constexpr std::int64_t MaxImagePieces = 1 << 16;

// Reports every part of the structure the walk can reach from the header at
// tiffBase (known: what WalkTiffStructure found): the header, the tables of
// IFD0 and its chain (IFD1, ...), the Exif, GPS and Interop IFDs and every
// SubIFD, the value bytes of every entry whose value does not fit its entry
// (MakerNote included), and the thumbnail of any directory. Each directory is
// walked once. A pointer of 0 leads nowhere. A pointer that leads outside the
// file is counted as unwalked and the walk goes on; pointers into the header
// or past the bound are counted apart, as what they lead to is unknown: nothing here throws for a
// damaged auxiliary table; a table whose count runs past the end of the file is reported whole and
// its entries are followed as far as the file holds them. A table whose first entry has a type no
// TIFF writer uses is reported, but its entries are not followed. Parts may lie partly or wholly
// outside the file; they are reported as stored.
//
// With imageData (a file that is a TIFF structure, whose image lies among its
// directories), the strips and tiles of every directory are reported too, each
// with its byte count (one without a count runs to the end of the file); past
// MaxImagePieces the rest count as overBound, as what they cover is unknown.
StructureMap MapTiffStructure(PhotoFile& file, std::int64_t tiffBase, const TiffStructure& known,
                              const std::function<void(const StructurePart&)>& part,
                              bool imageData = false);

}  // namespace tovrin
