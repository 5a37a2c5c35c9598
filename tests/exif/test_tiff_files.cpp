// Files that are themselves a TIFF structure (TIFF, DNG and the raw formats
// built on it), crafted: their dates are found and rewritten in place like a
// JPEG's, and a damaged or crafted one keeps every byte but its dates. The
// real samples of each format are checked against ExifTool in
// test_formats.cpp.
#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/exif_walk.h"
#include "exif/photo_file.h"
#include "exif/writer.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

const DateChoice NewMoment{{2007, 1, 23}, {9, 5, 0}, false, false, {}};
const std::string NewText = "2007:01:23 09:05:00";

// A small TIFF: IFD0 (DateTime, one strip, the Exif pointer), the Exif IFD
// (DateTimeOriginal, DateTimeDigitized), then the three texts and the strip.
// Offsets are from the header at 0; IFD0 is at `ifd0`, zeros before it.
struct Tiff {
    bool intel = true;
    Bytes bytes;
    std::size_t ifd0 = 8, exif = 0, texts = 0, strip = 0;

    void put16(std::size_t at, unsigned v) {
        bytes[at + (intel ? 0 : 1)] = static_cast<unsigned char>(v);
        bytes[at + (intel ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
    }
    void put32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(intel ? i : 3 - i)] =
                static_cast<unsigned char>(v >> (8 * i));
    }
    void entry(std::size_t at, unsigned tag, unsigned type, std::uint32_t n, std::uint32_t v) {
        put16(at, tag);
        put16(at + 2, type);
        put32(at + 4, n);
        if (type == 3 && n == 1)
            put16(at + 8, v);
        else
            put32(at + 8, v);
    }
    // Where the n-th date text (0 DateTime, 1 Original, 2 Digitized) starts.
    std::size_t text(int n) const { return texts + 20 * static_cast<std::size_t>(n); }
    std::size_t ifd0Link() const { return ifd0 + 2 + 3 * 12; }
};

Tiff MakeTiff(bool intel, unsigned magic, std::size_t ifd0 = 8) {
    Tiff t;
    t.intel = intel;
    t.ifd0 = ifd0;
    t.exif = t.ifd0 + 2 + 3 * 12 + 4;
    t.texts = t.exif + 2 + 2 * 12 + 4;
    t.strip = t.texts + 60;
    t.bytes.assign(t.strip + 16, 0);
    t.bytes[0] = t.bytes[1] = intel ? 'I' : 'M';
    t.put16(2, magic);
    t.put32(4, static_cast<std::uint32_t>(t.ifd0));
    t.put16(t.ifd0, 3);
    t.entry(t.ifd0 + 2, 0x0111, 4, 1, static_cast<std::uint32_t>(t.strip));  // StripOffsets
    t.entry(t.ifd0 + 14, 0x0132, 2, 20, static_cast<std::uint32_t>(t.text(0)));
    t.entry(t.ifd0 + 26, 0x8769, 4, 1, static_cast<std::uint32_t>(t.exif));
    t.put16(t.exif, 2);
    t.entry(t.exif + 2, 0x9003, 2, 20, static_cast<std::uint32_t>(t.text(1)));
    t.entry(t.exif + 14, 0x9004, 2, 20, static_cast<std::uint32_t>(t.text(2)));
    for (int n = 0; n < 3; ++n) {
        const std::string old = "2001:02:03 04:05:06";
        std::copy(old.begin(), old.end(), t.bytes.begin() + static_cast<std::ptrdiff_t>(t.text(n)));
    }
    return t;
}

// The changed bytes of a write, each of which must lie in a date text.
void ExpectOnlyDatesChanged(const Bytes& before, const Bytes& after,
                            const std::vector<std::int64_t>& texts) {
    ASSERT_EQ(after.size(), before.size()) << "the length changed";
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i]) continue;
        const auto p = static_cast<std::int64_t>(i) + 1;
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                                [&](std::int64_t t) { return p >= t && p < t + 19; }))
            << "byte " << i << " changed outside every date text";
    }
}

struct Variant {
    const char* name;
    bool intel;
    unsigned magic;
};

class SoundTiff : public ::testing::TestWithParam<Variant> {};

TEST_P(SoundTiff, DatesAreFoundAndOnlyTheyChange) {
    const Tiff t = MakeTiff(GetParam().intel, GetParam().magic);
    test::TempDir dir;
    const std::string path = dir.write("photo.tif", t.bytes);
    std::vector<std::int64_t> positions;
    {
        PhotoFile file(path, PhotoFile::Mode::Read);
        const DateFields found = FindDateFields(file, 19);
        ASSERT_TRUE(found.complete);
        ASSERT_EQ(found.fields.size(), 3u);
        for (int n = 0; n < 3; ++n) {
            EXPECT_EQ(found.fields[static_cast<std::size_t>(n)].position,
                      static_cast<std::int64_t>(t.text(n)) + 1);
            positions.push_back(found.fields[static_cast<std::size_t>(n)].position);
        }
    }
    const WriteResult r = WriteEmbeddedDate(dir.folder(), "photo.tif", NewMoment);
    EXPECT_TRUE(r.status && r.changed && r.dateWritten);
    const Bytes after = test::ReadBytes(path);
    ExpectOnlyDatesChanged(t.bytes, after, positions);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(std::string(after.begin() + static_cast<std::ptrdiff_t>(t.text(n)),
                              after.begin() + static_cast<std::ptrdiff_t>(t.text(n)) + 19),
                  NewText);
}

INSTANTIATE_TEST_SUITE_P(Headers, SoundTiff,
                         ::testing::Values(Variant{"IntelTiff", true, 42},
                                           Variant{"MotorolaTiff", false, 42},
                                           Variant{"IntelOrf", true, 0x4F52},
                                           Variant{"MotorolaOrf", false, 0x4F52},
                                           Variant{"Rw2", true, 0x55}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file that must keep every byte: its dates are not found, and a write
// leaves it as it was, whatever call makes it.
struct Hostile {
    const char* name;
    void (*damage)(Tiff&);
    // The dates that may still be found (a loop closes on itself harmlessly).
    std::size_t fields = 0;
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

class HostileTiff : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileTiff, WritesNothingOutsideADateText) {
    Tiff t = MakeTiff(true, 42);
    GetParam().damage(t);
    test::TempDir dir;
    const std::string path = dir.write("photo.tif", t.bytes);
    std::vector<std::int64_t> positions;
    {
        PhotoFile file(path, PhotoFile::Mode::Read);
        const DateFields found = FindDateFields(file, 19);
        EXPECT_EQ(found.fields.size(), GetParam().fields);
        for (const DateField& f : found.fields) positions.push_back(f.position);
    }
    WriteEmbeddedDate(dir.folder(), "photo.tif", NewMoment);
    ExpectOnlyDatesChanged(t.bytes, test::ReadBytes(path), positions);
    if (GetParam().fields == 0) {
        EXPECT_TRUE(test::ReadBytes(path) == t.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, HostileTiff,
    ::testing::Values(
        Hostile{"Ifd0PastTheEnd", [](Tiff& t) { t.put32(4, 0xFFFFFFF0u); }},
        Hostile{"Ifd0OneBytePastTheEnd",
                [](Tiff& t) { t.put32(4, static_cast<std::uint32_t>(t.bytes.size())); }},
        Hostile{"IntelBigTiff",
                [](Tiff& t) {
                    t.put16(2, 43);
                    t.put16(4, 8);
                    t.put16(6, 0);
                }},
        Hostile{"MotorolaBigTiff",
                [](Tiff& t) {
                    t.bytes[0] = t.bytes[1] = 'M';
                    t.bytes[2] = 0;
                    t.bytes[3] = 43;
                }},
        // Olympus' magic in the other byte order is no header at all.
        Hostile{"OrfMagicReversed",
                [](Tiff& t) {
                    t.bytes[2] = 'O';
                    t.bytes[3] = 'R';
                }},
        Hostile{"CutInsideTheHeader", [](Tiff& t) { t.bytes.resize(6); }},
        Hostile{"ExifPointerIntoTheHeader", [](Tiff& t) { t.entry(t.ifd0 + 26, 0x8769, 4, 1, 2); }},
        // IFD0's next link leads back to itself: walked once.
        Hostile{"ChainLoop",
                [](Tiff& t) { t.put32(t.ifd0Link(), static_cast<std::uint32_t>(t.ifd0)); }, 3},
        // CR2 keeps "CR", its version and the raw IFD's offset in bytes 8-15:
        // a date that points there is no date, whatever the bytes say.
        Hostile{"DateOnTheCr2Header",
                [](Tiff& t) {
                    t = MakeTiff(true, 42, 28);
                    t.bytes[8] = 'C';
                    t.bytes[9] = 'R';
                    t.put16(10, 2);
                    t.entry(t.ifd0 + 14, 0x0132, 2, 20, 8);
                },
                2},
        // The Exif IFD's pointer back to IFD0: no Exif dates there to find.
        Hostile{
            "ExifIsIfd0",
            [](Tiff& t) { t.entry(t.ifd0 + 26, 0x8769, 4, 1, static_cast<std::uint32_t>(t.ifd0)); },
            1},
        // The image strip, without a byte count, runs from inside
        // DateTimeOriginal to the end: only DateTime may move.
        Hostile{"StripOverADate",
                [](Tiff& t) {
                    t.entry(t.ifd0 + 2, 0x0111, 4, 1, static_cast<std::uint32_t>(t.text(1) + 4));
                },
                1},
        // Strips without byte counts run to the end of the file.
        Hostile{"StripWithoutCountBeforeTheDates",
                [](Tiff& t) {
                    t.entry(t.ifd0 + 2, 0x0111, 4, 1, static_cast<std::uint32_t>(t.text(0) - 1));
                }},
        // A strip count of 2^32-1 whose offsets lie past the end: read no further.
        Hostile{"EndlessStrips",
                [](Tiff& t) { t.entry(t.ifd0 + 2, 0x0111, 4, 0xFFFFFFFFu, 0xFFFFFF00u); }, 3},
        // More strips than are walked: what they cover is unknown.
        Hostile{"TooManyStrips",
                [](Tiff& t) {
                    const std::size_t at = t.bytes.size();
                    // Each offset lies past the end: only their number counts.
                    t.bytes.resize(at + 4 * (MaxImagePieces + 1), 0xFF);
                    t.entry(t.ifd0 + 2, 0x0111, 4, MaxImagePieces + 1,
                            static_cast<std::uint32_t>(at));
                }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tovrin
