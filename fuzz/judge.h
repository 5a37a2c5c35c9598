#pragma once

// The fuzz target's judge: runs the engine on one input and checks what it
// did against a structure walk of the judge's own. The walk is deliberately
// written apart from the engine's (it shares no code and no rules with
// src/exif), so a mistake in the engine's idea of the layout is not repeated
// here and passed as correct.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovrin_fuzz {

// [first, end) in 0-based offsets of the file.
struct Range {
    long long first = 0;
    long long end = 0;
    bool holds(long long i) const { return i >= first && i < end; }
    bool overlaps(const Range& o) const { return first < o.end && o.first < end; }
};

// A PNG chunk: the CRC-32 over its type and data is stored big-endian at `at`.
struct Checksummed {
    Range covered;
    long long at = 0;
};

// What the walk (layout_walk.cpp) finds in a file. Every byte that lies in
// none of the lists below must stay as it is; a file the walk cannot walk to
// its end (a box, chunk or item past its container, a table it cannot
// bound) is not usable and keeps every byte.
struct Layout {
    // "jpeg", "tiff", "iso" (HEIF, AVIF, CR3, QuickTime, MP4), "png", "webp",
    // "raf", or "" for a file of no kind the judge knows.
    std::string container;
    // The container is sound (and a JPEG, also one inside a RAF, has an Exif
    // APP1 whose TIFF header is sound): only then may a byte change.
    bool usable = false;
    std::string problem;  // why not, when the container is unsound

    // A JPEG file's Exif APP1 segment, marker included, clipped to the file,
    // and where its TIFF header starts (-1: none); the longest APP1 segment
    // of any kind, for the reader's texts.
    Range app1;
    long long tiff = -1;
    long long longestApp1 = 0;
    // Each EXIF TIFF block whose header is sound: from its TIFF header to the
    // end of the segment, item, chunk or box that holds it.
    std::vector<Range> blocks;

    // Date texts that may change (at most their first 20 bytes).
    std::vector<Range> dates;
    // Copies of the date outside EXIF, whose digits may change: XMP packets,
    // the data of IPTC date and time records, movie date strings (©day, the
    // Keys creation date).
    std::vector<Range> xmpPackets;
    std::vector<Range> iptcTexts;
    std::vector<Range> movieTexts;
    // Bytes that may take any value: IPTC digests (16 bytes), movie header
    // times (4 or 8 bytes), the CRCs of PNG chunks that hold EXIF or XMP.
    std::vector<Range> iptcDigests;
    std::vector<Range> movieTimes;
    std::vector<Range> checksums;
    // Every PNG chunk of the file, for the promise that a CRC correct before
    // a write is correct after it.
    std::vector<Checksummed> pngChunks;
};

Layout WalkLayout(const std::vector<unsigned char>& bytes);

// What the layout allows, one range a line, offsets in hex as `exiftool -v3`
// prints them, for checking the walk by hand.
std::string DescribeLayout(const Layout& layout, const std::vector<unsigned char>& bytes);

// The kind of file by its first bytes, as the judge names it: "jpeg", "tiff",
// "heif", "cr3", "quicktime", "png", "webp", "raf", or "".
std::string KindOfFile(const std::vector<unsigned char>& bytes);

// The CRC-32 of PNG (ISO 3309), over [data, data + size).
std::uint32_t Crc32(const unsigned char* data, std::size_t size);

// What the judge found of one input.
enum class Failure {
    None,
    // A byte (or a planned field) where the walk finds a table, a value, a
    // header or no usable structure at all: what an engine that knows only
    // IFD0 and the Exif IFD cannot see.
    Structure,
    // A text the reader returned is longer than the segment it came from.
    ReaderLength,
    // A promise of the writer's own: the length, the status, the report of
    // a change, the date's shape, a PNG CRC that was correct.
    Promise,
};
struct Verdict {
    std::string failure;  // "" when every check holds
    Failure kind = Failure::None;
    bool ok() const { return kind == Failure::None; }
};

// Judges what changed from `before` to `after` (the same file) against the
// layout walked of `before`: the length, each changed byte, the PNG CRCs.
Verdict JudgeChange(const Layout& layout, const std::vector<unsigned char>& before,
                    const std::vector<unsigned char>& after);

// The input's first byte picks the user's choices and which of the engine's
// calls writes; the rest is the photo.
Verdict JudgeOneInput(const std::uint8_t* data, std::size_t size);

}  // namespace tovrin_fuzz
