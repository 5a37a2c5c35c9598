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

// What the walk finds in a photo.
struct Layout {
    // An Exif APP1 segment whose TIFF header is sound: only then may a byte change.
    bool usable = false;
    Range app1;                 // the Exif APP1 segment, marker included, clipped to the file
    long long longestApp1 = 0;  // the longest APP1 segment of any kind, for the reader's texts
    std::vector<Range> forbidden;
    std::vector<Range> dates;  // date texts that may change (at most their first 20 bytes)
    // Where the copies of the date outside EXIF may change: an XMP packet's
    // digits, the data of IPTC date and time records, and IPTC digests
    // (16 bytes each, any value).
    std::vector<Range> xmpPackets;
    std::vector<Range> iptcTexts;
    std::vector<Range> iptcDigests;
};

Layout WalkLayout(const std::vector<unsigned char>& bytes);

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
    // a change, the date's shape.
    Promise,
};
struct Verdict {
    std::string failure;  // "" when every check holds
    Failure kind = Failure::None;
    bool ok() const { return kind == Failure::None; }
};

// The input's first byte picks the user's choices and which of the engine's
// calls writes; the rest is the photo.
Verdict JudgeOneInput(const std::uint8_t* data, std::size_t size);

}  // namespace tovrin_fuzz
