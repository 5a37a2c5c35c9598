// The largest JPEG preview a raw file embeds: found in IFD0, its chain and the
// SubIFDs of a TIFF-structured file, or taken from the container map of RAF
// and CR3; crafted files (loops, lengths past the end, lossless JPEG raw data)
// give nothing false and end.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/container.h"
#include "exif/photo_file.h"
#include "exif/preview.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

// A baseline JPEG's first bytes as far as the walk looks: SOI, an APP0, SOF0
// (16 x 16, three components), SOS; then `size` bytes in all, ending in EOI.
// frame 0xC3 makes it a lossless one, as raw data is stored.
Bytes FakeJpeg(std::size_t size, int frame = 0xC0) {
    Bytes j = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06,
               'J',  'F',  'I',  'F',  0xFF, static_cast<unsigned char>(frame),
               0x00, 0x11, 0x08, 0x00, 0x10, 0x00,
               0x10, 0x03, 0x01, 0x22, 0x00, 0x02,
               0x11, 0x01, 0x03, 0x11, 0x01, 0xFF,
               0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00,
               0x02, 0x11, 0x03, 0x11, 0x00, 0x3F,
               0x00};
    if (j.size() + 2 > size) size = j.size() + 2;
    j.resize(size - 2, 0x55);
    j.push_back(0xFF);
    j.push_back(0xD9);
    return j;
}

struct E {
    std::uint16_t tag, type;
    std::uint32_t n, value;
};

// A TIFF file laid out by hand: directories and data at the offsets given.
struct Tiff {
    bool intel = true;
    Bytes b;

    explicit Tiff(bool intelOrder = true, unsigned magic = 42) : intel(intelOrder), b(8, 0) {
        b[0] = b[1] = intel ? 'I' : 'M';
        u16(2, magic);
    }
    void ensure(std::size_t n) {
        if (b.size() < n) b.resize(n, 0);
    }
    void u16(std::size_t at, unsigned v) {
        ensure(at + 2);
        b[at + (intel ? 0 : 1)] = static_cast<unsigned char>(v);
        b[at + (intel ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
    }
    void u32(std::size_t at, std::uint32_t v) {
        ensure(at + 4);
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(intel ? i : 3 - i)] =
                static_cast<unsigned char>(v >> (8 * i));
    }
    void ifd0At(std::uint32_t at) { u32(4, at); }
    // A directory at `at`: its entries, then the link to the next one.
    void ifd(std::size_t at, const std::vector<E>& entries, std::uint32_t next = 0) {
        u16(at, static_cast<unsigned>(entries.size()));
        std::size_t e = at + 2;
        for (const E& x : entries) {
            u16(e, x.tag);
            u16(e + 2, x.type);
            u32(e + 4, x.n);
            if (x.type == 3 && x.n == 1)
                u16(e + 8, x.value);
            else
                u32(e + 8, x.value);
            e += 12;
        }
        u32(e, next);
    }
    void put(std::size_t at, const Bytes& data) {
        ensure(at + data.size());
        std::copy(data.begin(), data.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    }
};

// A JPEG preview by 0x0201/0x0202.
std::vector<E> Thumbnail(std::uint32_t at, std::uint32_t size) {
    return {{0x0201, 4, 1, at}, {0x0202, 4, 1, size}};
}
// A directory of one strip, compressed as `compression`.
std::vector<E> Strip(unsigned compression, std::uint32_t at, std::uint32_t size) {
    return {{0x0103, 3, 1, compression}, {0x0111, 4, 1, at}, {0x0117, 4, 1, size}};
}

class Preview : public ::testing::Test {
protected:
    std::optional<ByteSpan> find(const Bytes& bytes) {
        const std::string path = m_dir.path("file.nef");
        test::WriteBytes(path, bytes);
        PhotoFile file(path, PhotoFile::Mode::Read);
        return FindPreviewJpeg(file);
    }
    // The span a preview at offset `at` of `size` bytes has (positions are 1-based).
    static ByteSpan At(std::int64_t at, std::int64_t size) { return {at + 1, size}; }

    test::TempDir m_dir;
};

void ExpectSpan(const std::optional<ByteSpan>& found, const ByteSpan& expected) {
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->first, expected.first);
    EXPECT_EQ(found->size, expected.size);
}

TEST_F(Preview, ThumbnailOfIfd0InEitherByteOrder) {
    for (const bool intel : {true, false}) {
        Tiff t(intel);
        t.ifd0At(8);
        t.ifd(8, Thumbnail(100, 300));
        t.put(100, FakeJpeg(300));
        ExpectSpan(find(t.b), At(100, 300));
    }
}

TEST_F(Preview, TheLargestOfIfd0TheChainAndTheSubIfds) {
    Tiff t;
    t.ifd0At(8);
    // IFD0: a one-strip old-style JPEG (CR2's preview), SubIFDs at 200 and 260, IFD1 at 140.
    std::vector<E> ifd0 = Strip(6, 1000, 500);
    ifd0.push_back({0x014A, 4, 2, 320});
    t.ifd(8, ifd0, 140);
    t.u32(320, 200);
    t.u32(324, 260);
    t.ifd(140, Thumbnail(2000, 100));   // IFD1: a small thumbnail
    t.ifd(200, Strip(7, 3000, 4000));   // SubIFD 1: the largest (DNG's preview)
    t.ifd(260, Thumbnail(8000, 1500));  // SubIFD 2
    t.put(1000, FakeJpeg(500));
    t.put(2000, FakeJpeg(100));
    t.put(3000, FakeJpeg(4000));
    t.put(8000, FakeJpeg(1500));
    ExpectSpan(find(t.b), At(3000, 4000));
}

TEST_F(Preview, IfdsFurtherDownTheChain) {
    Tiff t;
    t.ifd0At(8);
    t.ifd(8, {{0x0100, 3, 1, 16}}, 40);
    t.ifd(40, {{0x0100, 3, 1, 16}}, 80);
    t.ifd(80, Strip(6, 400, 700));  // IFD2
    t.put(400, FakeJpeg(700));
    ExpectSpan(find(t.b), At(400, 700));
}

TEST_F(Preview, LosslessRawDataIsNoPreview) {
    // CR2's last directory: the raw image as one strip of old-style JPEG, far
    // larger than the preview, but lossless (SOF3).
    Tiff t;
    t.ifd0At(8);
    t.ifd(8, Strip(6, 200, 600), 60);
    t.ifd(60, Strip(6, 1000, 20000));
    t.put(200, FakeJpeg(600));
    t.put(1000, FakeJpeg(20000, 0xC3));
    ExpectSpan(find(t.b), At(200, 600));
    // Progressive and extended JPEGs are pictures too.
    t.put(1000, FakeJpeg(20000, 0xC2));
    ExpectSpan(find(t.b), At(1000, 20000));
    t.put(1000, FakeJpeg(20000, 0xC1));
    ExpectSpan(find(t.b), At(1000, 20000));
}

TEST_F(Preview, OnlyJpegStripsOfOneStrip) {
    Tiff t;
    t.ifd0At(8);
    // Uncompressed image data that happens to begin FF D8 is no JPEG.
    t.ifd(8, Strip(1, 200, 600), 60);
    // Two strips of JPEG: no single stream.
    t.ifd(60, {{0x0103, 3, 1, 6}, {0x0111, 4, 2, 120}, {0x0117, 4, 2, 128}});
    t.u32(120, 200);
    t.u32(124, 800);
    t.u32(128, 600);
    t.u32(132, 600);
    t.put(200, FakeJpeg(600));
    t.put(800, FakeJpeg(600));
    EXPECT_FALSE(find(t.b).has_value());
}

TEST_F(Preview, Rw2JpgFromRawInIfd0Only) {
    Tiff t(true, 0x55);
    t.ifd0At(8);
    t.ifd(8, {{0x002E, 7, 900, 100}}, 40);
    t.ifd(40, {{0x002E, 7, 5000, 1100}});  // the same tag elsewhere is no JpgFromRaw
    t.put(100, FakeJpeg(900));
    t.put(1100, FakeJpeg(5000));
    ExpectSpan(find(t.b), At(100, 900));
}

TEST_F(Preview, WhatIsNotWhollyInTheFileOrNoJpegCountsNot) {
    Tiff t;
    t.ifd0At(8);
    t.ifd(8, Thumbnail(200, 300), 60);
    t.ifd(60, Thumbnail(600, 0xFFFFFFF0u), 100);  // a length past the end
    t.ifd(100, Thumbnail(0xFFFFFF00u, 50), 140);  // an offset past the end
    t.ifd(140, Thumbnail(900, 400));              // not FF D8
    t.put(200, FakeJpeg(300));
    t.put(600, FakeJpeg(700));
    t.put(900, Bytes(400, 0x11));
    ExpectSpan(find(t.b), At(200, 300));

    // A preview whose last bytes are cut off by the end of the file.
    Tiff cut;
    cut.ifd0At(8);
    cut.ifd(8, Thumbnail(100, 5000));
    cut.put(100, FakeJpeg(5000));
    cut.b.resize(3000);
    EXPECT_FALSE(find(cut.b).has_value());
}

TEST_F(Preview, LoopsEnd) {
    Tiff t;
    t.ifd0At(8);
    // IFD0 links to IFD1, IFD1 back to IFD0; a SubIFD points at itself and at IFD0.
    std::vector<E> ifd0 = Thumbnail(1000, 300);
    ifd0.push_back({0x014A, 4, 2, 400});
    t.ifd(8, ifd0, 100);
    t.ifd(100, Strip(6, 2000, 800), 8);
    t.u32(400, 200);
    t.u32(404, 8);
    std::vector<E> sub = {{0x014A, 4, 1, 200}};
    t.ifd(200, sub, 200);
    t.put(1000, FakeJpeg(300));
    t.put(2000, FakeJpeg(800));
    ExpectSpan(find(t.b), At(2000, 800));

    // A directory that links to itself.
    Tiff self;
    self.ifd0At(8);
    self.ifd(8, Thumbnail(100, 300), 8);
    self.put(100, FakeJpeg(300));
    ExpectSpan(find(self.b), At(100, 300));
}

TEST_F(Preview, AtMost64Directories) {
    // A chain of 100 directories, each with a preview one byte larger than the
    // one before: only the first 64 are walked.
    Tiff t;
    t.ifd0At(8);
    const std::size_t tables = 8, jpegs = 8 + 100 * 32;
    for (std::uint32_t i = 0; i < 100; ++i) {
        const auto at = static_cast<std::uint32_t>(tables + 32 * i);
        const auto jpeg = static_cast<std::uint32_t>(jpegs + 200 * i);
        t.ifd(at, Thumbnail(jpeg, 100 + i), i + 1 < 100 ? at + 32 : 0);
        t.put(jpeg, FakeJpeg(100 + i));
    }
    ExpectSpan(find(t.b), At(static_cast<std::int64_t>(jpegs + 200 * 63), 100 + 63));
}

TEST_F(Preview, CraftedCountsAndPointers) {
    Tiff t;
    t.ifd0At(8);
    // A SubIFDs array of 2^32-1 offsets that runs off the end, an IFD0 whose
    // count runs past the end of the file, and pointers into the header and to 0.
    t.ifd(8, {{0x014A, 4, 0xFFFFFFFFu, 60}, {0x014A, 4, 1, 4}, {0x014A, 4, 1, 0}}, 0);
    t.put(60, Bytes(16, 0x08));  // offsets "0x08080808": far past the end
    EXPECT_FALSE(find(t.b).has_value());

    Tiff runsOff;
    runsOff.ifd0At(8);
    runsOff.ifd(8, Thumbnail(100, 300));
    runsOff.u16(8, 0xFFFF);  // 65535 entries claimed, two there
    runsOff.put(100, FakeJpeg(300));
    ExpectSpan(find(runsOff.b), At(100, 300));

    Tiff intoHeader;
    intoHeader.ifd0At(2);
    EXPECT_FALSE(find(intoHeader.b).has_value());
    Tiff pastEnd;
    pastEnd.ifd0At(0x7FFFFFFF);
    EXPECT_FALSE(find(pastEnd.b).has_value());
    EXPECT_FALSE(find(Bytes{'I', 'I', '*', 0}).has_value());
}

TEST_F(Preview, OtherFilesHaveNone) {
    EXPECT_FALSE(find(FakeJpeg(400)).has_value());  // a JPEG is its own picture
    EXPECT_FALSE(find(test::ToBytes("\x89PNG\r\n\x1A\n and more")).has_value());
    EXPECT_FALSE(find(test::ToBytes(std::string("II+\0 BigTIFF is none", 20))).has_value());
    EXPECT_FALSE(find(Bytes{}).has_value());
}

TEST(IsDecodableJpeg, WalksToTheFrame) {
    test::TempDir dir;
    const std::string path = dir.path("j.jpg");
    Bytes bytes = FakeJpeg(200);
    test::WriteBytes(path, bytes);
    PhotoFile file(path, PhotoFile::Mode::Read);
    EXPECT_TRUE(IsDecodableJpeg(file, {1, 200}));
    EXPECT_FALSE(IsDecodableJpeg(file, {1, 201}));  // past the end
    EXPECT_FALSE(IsDecodableJpeg(file, {0, 200}));  // before the start
    EXPECT_FALSE(IsDecodableJpeg(file, {2, 150}));  // no FF D8 there
    EXPECT_FALSE(IsDecodableJpeg(file, {1, 12}));   // the frame header lies past the span
    EXPECT_FALSE(IsDecodableJpeg(file, {1, 3}));
}

// The samples: each file's preview as ExifTool finds it, where its data were
// kept (some samples' image data are cut down to a few dummy bytes).
TEST(PreviewSamples, AsExifToolFindsThem) {
    const std::string corpus = test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus of sample formats";
    const std::string formats = FolderPath(FolderPath(corpus) + "formats");
    const auto preview = [&](const std::string& name) {
        PhotoFile file(formats + name, PhotoFile::Mode::Read);
        return FindPreviewJpeg(file);
    };
    // Panasonic.rw2: JpgFromRaw, 10785 bytes at offset 0x600, an 8 x 8 JPEG.
    ExpectSpan(preview("Panasonic.rw2"), {0x600 + 1, 10785});
    // CanonRaw.cr2 (IFD0 strip, IFD1 thumbnail), DNG.dng (SubIFD previews) and
    // Nikon.nef (SubIFD JpgFromRaw): their previews are dummy texts of 26 to
    // 29 bytes, "<Dummy preview image data>", which are no JPEG.
    EXPECT_FALSE(preview("CanonRaw.cr2").has_value());
    EXPECT_FALSE(preview("DNG.dng").has_value());
    EXPECT_FALSE(preview("Nikon.nef").has_value());
    // Plain TIFFs embed none.
    EXPECT_FALSE(preview("ExifTool.tif").has_value());
    EXPECT_FALSE(preview("Reagan.tiff").has_value());
    // RAF and CR3 take what their container maps name; CR3's is a dummy text.
    EXPECT_FALSE(preview("CanonRaw.cr3").has_value());
}

TEST(PreviewSamples, RafByItsContainerMap) {
    const std::string corpus = test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus of sample formats";
    const std::string formats = FolderPath(FolderPath(corpus) + "formats");
    PhotoFile raf(formats + "FujiFilm.raf", PhotoFile::Mode::Read);
    const ContainerMap map = MapContainer(raf);
    if (!map.preview) {
        GTEST_SKIP() << "the RAF mapper names no preview yet";
    }
    // ExifTool's PreviewImage of FujiFilm.raf: 12167 bytes.
    const std::optional<ByteSpan> found = FindPreviewJpeg(raf);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->size, 12167);
}

}  // namespace
}  // namespace tovrin
