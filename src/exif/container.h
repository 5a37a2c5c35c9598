#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/exif_walk.h"

namespace tovrin {

class PhotoFile;

// The kinds of file whose dates Tovrin reads and rewrites, told by their
// first bytes, never by their names.
enum class FileKind {
    Unknown,
    Jpeg,
    Tiff,  // TIFF and the raw formats built on it (DNG, CR2, NEF, ARW, ORF, RW2, ...)
    Heif,  // HEIF, HEIC, AVIF
    Cr3,   // Canon's ISO base media raw
    Raf,   // Fujifilm's raw: a JPEG with EXIF inside
    Png,
    WebP,
    QuickTime,  // QuickTime and MP4
};

// A CRC-32 over bytes that a write may change (a PNG chunk's type and data):
// recomputed over `covered` after the write and stored big-endian in the 4
// bytes at `position`.
struct ChecksumPlace {
    ByteSpan covered;
    std::int64_t position = 0;
};

// One creation or modification time of a movie header (mvhd, tkhd, mdhd):
// seconds since 1904-01-01, big-endian, 4 or 8 bytes by the box's version.
struct MovieTime {
    std::string place;  // "mvhd CreationTime", "trak 1 tkhd ModificationTime", ...
    ByteSpan bytes;     // size 4 or 8
    bool creation = true;
};

// A date string of the container's own metadata, in UTF-8 or ASCII: a
// movie's "©day" or Keys "com.apple.quicktime.creationdate", a PNG text
// chunk's "create-date".
struct MovieText {
    std::string place;
    ByteSpan text;
};

// Where a file keeps what is read and rewritten, found with bounds at every
// step by the container's own walk. Every span lies wholly inside the file
// and inside the item, chunk or box that holds it; nothing here is a box
// header, a chunk length, a checksum (but as a ChecksumPlace) or an entry
// table of the container.
struct ContainerMap {
    FileKind kind = FileKind::Unknown;
    // The TIFF-structured EXIF blocks, the photo's own first. A block's span
    // (ExifBlock::app1) is the item, chunk or box that holds it.
    std::vector<ExifBlock> exif;
    // XMP packets the container holds outside JPEG segments (a JPEG's own
    // are found by walking its segments).
    std::vector<ByteSpan> xmp;
    // IPTC-IIM record data outside JPEG segments (TIFF tag 33723).
    std::vector<ByteSpan> iptc;
    // Photoshop image resources outside JPEG segments (TIFF tag 34377),
    // which may hold the IPTC records again and their digest.
    std::vector<ByteSpan> photoshop;
    // JPEG streams inside the file whose segments hold metadata of the
    // file's own (the JPEG a RAF wraps): walked like a JPEG file.
    std::vector<ByteSpan> jpegs;
    // Checksums to recompute when a byte they cover is rewritten.
    std::vector<ChecksumPlace> checksums;
    std::vector<MovieTime> movieTimes;
    // A PNG's tIME: year (2 bytes, big-endian), month, day, hour, minute,
    // second, in UTC.
    std::optional<ByteSpan> imageTime;
    std::vector<MovieText> movieTexts;
    // The largest JPEG preview the file embeds (raw files), for thumbnails.
    std::optional<ByteSpan> preview;
    // The image's size as the container states it (PNG IHDR, HEIF ispe,
    // WebP VP8X/VP8/VP8L, TIFF IFD0), 0 when it states none.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // What is left alone on purpose and reported: several extents, another
    // construction method, a compressed item or chunk.
    std::vector<std::string> notes;
    // What is malformed: a file with a problem is read as far as it is
    // sound, and none of it is written.
    std::vector<std::string> problems;
};

// The kind of file by its first bytes.
FileKind KindOfFile(PhotoFile& file);

// Maps the file by its kind. Never reads outside the file, never loops: box
// and chunk chains are bounded and each step must move forward.
ContainerMap MapContainer(PhotoFile& file);

}  // namespace tovrin
