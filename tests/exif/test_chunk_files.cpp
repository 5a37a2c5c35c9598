// PNG, WebP and RAF files on crafted layouts: where each keeps its EXIF
// block, its XMP and the CRCs a write must recompute, found by walks that stay
// inside the file and stop on whatever a damaged or crafted file states. What
// the real samples hold, and how a write changes them and their CRCs, is
// checked against ExifTool in test_formats.cpp and judged in fuzz/.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/chunk_files.h"
#include "exif/container.h"
#include "exif/crc32.h"
#include "exif/photo_file.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;
using test::ToBytes;

// ---------------------------------------------------------------- CRC-32

// The CRC bit by bit, as the polynomial defines it: no table shared with
// the code under test.
std::uint32_t BitwiseCrc(const Bytes& bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// Over spans of a file, read in pieces whose CRCs are carried on.
TEST(Crc32, KnownValuesAndSpansOfAFile) {
    const auto crc = [](const std::string& text) {
        return Crc32(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    };
    EXPECT_EQ(crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc(""), 0u);
    EXPECT_EQ(crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(crc("IEND"), 0xAE426082u);  // the CRC every PNG ends with

    // Longer than two of the pieces the file is read in.
    Bytes bytes(200'000);
    std::mt19937 random(11);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    test::TempDir dir;
    PhotoFile file(dir.write("bytes.bin", bytes), PhotoFile::Mode::Read);
    const auto size = static_cast<std::int64_t>(bytes.size());
    for (const ByteSpan span : {ByteSpan{1, size}, ByteSpan{2, size - 1}, ByteSpan{65'530, 70'000},
                                ByteSpan{size, 1}, ByteSpan{100, 0}}) {
        const Bytes part(bytes.begin() + (span.first - 1), bytes.begin() + (span.end() - 1));
        EXPECT_EQ(Crc32(file, span), BitwiseCrc(part)) << span.first << "+" << span.size;
    }
    EXPECT_THROW(Crc32(file, ByteSpan{size, 2}), OutsideFile);
    EXPECT_THROW(Crc32(file, ByteSpan{0, 4}), OutsideFile);
}

// ---------------------------------------------------------------- builders

void AppendBe32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void AppendLe32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void PutBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
}
Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes Text(const std::string& s) { return ToBytes(s); }

// A TIFF block with dates, as a camera writes it.
Bytes SmallTiff(test::Order order = test::Order::MM) {
    return test::CameraPhoto(order).tiff.build();
}

// One PNG chunk as a test lays it out; `length` and `badCrc` make it lie.
struct PngChunk {
    std::string type;
    Bytes data;
    std::optional<std::uint32_t> length{};
    bool badCrc = false;
};

Bytes Chunk(const PngChunk& c) {
    Bytes out;
    AppendBe32(out, c.length.value_or(static_cast<std::uint32_t>(c.data.size())));
    Bytes covered = Concat({Text(c.type), c.data});
    out.insert(out.end(), covered.begin(), covered.end());
    AppendBe32(out, BitwiseCrc(covered) ^ (c.badCrc ? 1u : 0u));
    return out;
}

const Bytes PngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

Bytes Png(const std::vector<PngChunk>& chunks, const Bytes& tail = {}) {
    Bytes out = PngSignature;
    for (const PngChunk& c : chunks) {
        const Bytes b = Chunk(c);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

PngChunk Ihdr(std::uint32_t width = 5, std::uint32_t height = 3) {
    Bytes data;
    AppendBe32(data, width);
    AppendBe32(data, height);
    data.insert(data.end(), {8, 2, 0, 0, 0});
    return {"IHDR", data};
}

const std::string Packet =
    "<?xpacket begin='' id='W5M0MpCehiHzreSz'?><x:xmpmeta "
    "xmlns:x='adobe:ns:meta/'/><?xpacket end='w'?>";

// iTXt: keyword NUL | compressed | method | language NUL | translated NUL | text.
PngChunk XmpItxt(unsigned char compressed = 0, const std::string& language = "en",
                 const std::string& translated = "XMP") {
    return {"iTXt", Concat({Text("XML:com.adobe.xmp"),
                            {0, compressed, 0},
                            Text(language),
                            {0},
                            Text(translated),
                            {0},
                            Text(Packet)})};
}

const PngChunk Idat{"IDAT", {0x78, 0xDA, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02}};
const PngChunk Iend{"IEND", {}};

// IHDR, eXIf, iTXt XMP, IDAT, IEND.
std::vector<PngChunk> SoundPngChunks() {
    return {Ihdr(), {"eXIf", SmallTiff()}, XmpItxt(), Idat, Iend};
}

// One RIFF chunk; `size` makes it lie, `pad` false leaves out the pad byte.
struct RiffChunk {
    std::string name;
    Bytes data;
    std::optional<std::uint32_t> size{};
    bool pad = true;
};

Bytes WebP(const std::vector<RiffChunk>& chunks, std::optional<std::uint32_t> riffSize = {},
           const Bytes& tail = {}) {
    Bytes body = Text("WEBP");
    for (const RiffChunk& c : chunks) {
        Bytes b = Text(c.name);
        AppendLe32(b, c.size.value_or(static_cast<std::uint32_t>(c.data.size())));
        b.insert(b.end(), c.data.begin(), c.data.end());
        if (c.data.size() % 2 == 1 && c.pad) b.push_back(0);
        body.insert(body.end(), b.begin(), b.end());
    }
    Bytes out = Text("RIFF");
    AppendLe32(out, riffSize.value_or(static_cast<std::uint32_t>(body.size())));
    return Concat({out, body, tail});
}

RiffChunk Vp8x(std::uint32_t width, std::uint32_t height) {
    Bytes data{0x08, 0, 0, 0};  // flags: EXIF present
    for (std::uint32_t v : {width - 1, height - 1})
        for (int i = 0; i < 3; ++i) data.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return {"VP8X", data};
}

// A key frame header: frame tag, start code, 14-bit sizes with a scale of 0.
RiffChunk Vp8(std::uint32_t width, std::uint32_t height, bool startCode = true) {
    Bytes data{0x50, 0x01, 0x00};
    data.insert(data.end(), {0x9D, 0x01, static_cast<unsigned char>(startCode ? 0x2A : 0x2B)});
    for (std::uint32_t v : {width, height}) {
        data.push_back(static_cast<unsigned char>(v));
        data.push_back(static_cast<unsigned char>(v >> 8));
    }
    data.insert(data.end(), {0, 0, 0, 0});
    return {"VP8 ", data};
}

RiffChunk Vp8l(std::uint32_t width, std::uint32_t height) {
    const std::uint32_t bits = (width - 1) | (height - 1) << 14;
    Bytes data{0x2F};
    AppendLe32(data, bits);
    data.insert(data.end(), {0, 0, 0});
    return {"VP8L", data};
}

// An odd-sized packet, so the chunk is padded.
const Bytes OddPacket = Text(Packet + (Packet.size() % 2 == 0 ? " " : ""));

std::vector<RiffChunk> SoundWebPChunks() {
    return {
        Vp8x(100, 50), Vp8(640, 480), {"EXIF", SmallTiff(test::Order::II)}, {"XMP ", OddPacket}};
}

// A RAF: its header with the JPEG's offset and length at 84 and 88, the
// JPEG at jpegAt, then raw data.
constexpr std::size_t RafJpegAt = 148;

Bytes Raf(const Bytes& jpeg, std::optional<std::uint32_t> offset = {},
          std::optional<std::uint32_t> length = {}, std::size_t jpegAt = RafJpegAt) {
    Bytes out = Text("FUJIFILMCCD-RAW 0201FF129502FinePix S5Pro");
    out.resize(jpegAt, 0);
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    out.resize(std::max<std::size_t>(out.size(), 92));
    // The fields go in last: a JPEG laid over them loses those bytes.
    PutBe32(out, 84, offset.value_or(static_cast<std::uint32_t>(jpegAt)));
    PutBe32(out, 88, length.value_or(static_cast<std::uint32_t>(jpeg.size())));
    out.insert(out.end(), 64, 0xA5);  // raw data after the JPEG
    return out;
}

// ---------------------------------------------------------------- checks

// What every map must be, whatever the file: each span inside the file, each
// EXIF block a TIFF header inside the span that holds it, each CRC place a
// chunk's type and data (after its length field) followed by four bytes.
void ExpectInside(PhotoFile& file, const ContainerMap& map) {
    const ByteSpan whole{1, file.size()};
    for (const ExifBlock& b : map.exif) {
        EXPECT_TRUE(whole.contains(b.app1));
        EXPECT_TRUE(b.app1.contains({b.tiffBase, 4})) << "TIFF header outside its chunk";
        if (!file.contains(b.tiffBase, 2)) continue;
        char mark[2];
        file.read(b.tiffBase, mark, 2);
        EXPECT_TRUE((mark[0] == 'I' && mark[1] == 'I') || (mark[0] == 'M' && mark[1] == 'M'));
    }
    for (const ByteSpan& x : map.xmp) EXPECT_TRUE(whole.contains(x) && x.size > 0);
    for (const ByteSpan& j : map.jpegs) EXPECT_TRUE(whole.contains(j));
    if (map.preview) {
        EXPECT_TRUE(whole.contains(*map.preview));
    }
    for (const ChecksumPlace& c : map.checksums) {
        EXPECT_EQ(c.position, c.covered.end());
        ASSERT_TRUE(whole.contains(c.covered) && whole.contains({c.position, 4}) &&
                    c.covered.first > 4);
        unsigned char length[4];
        file.read(c.covered.first - 4, length, 4);
        EXPECT_EQ(std::uint32_t{length[0]} << 24 | std::uint32_t{length[1]} << 16 |
                      std::uint32_t{length[2]} << 8 | length[3],
                  static_cast<std::uint32_t>(c.covered.size - 4));
    }
}

// Maps the file by itself (no read may fall outside it: the walk would throw)
// and through MapContainer, which must agree.
ContainerMap MapFile(const Bytes& bytes, bool (*map)(PhotoFile&, ContainerMap&)) {
    test::TempDir dir;
    PhotoFile file(dir.write("photo", bytes), PhotoFile::Mode::Read);
    ContainerMap direct;
    EXPECT_NO_THROW(map(file, direct));
    ExpectInside(file, direct);
    const ContainerMap dispatched = MapContainer(file);
    EXPECT_EQ(dispatched.kind, direct.kind);
    EXPECT_EQ(dispatched.exif.size(), direct.exif.size());
    EXPECT_EQ(dispatched.problems, direct.problems);
    return direct;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "; ";
    return all;
}

std::string At(const Bytes& b, const ByteSpan& span) {
    return std::string(b.begin() + (span.first - 1), b.begin() + (span.end() - 1));
}

// ---------------------------------------------------------------- PNG

// A PNG that lies about itself somewhere, and what the walk must make of it.
// A file cut short (a chunk past the end, no IEND) is CutFile's.
struct PngCase {
    const char* name;
    Bytes bytes;
    std::size_t exif = 0, xmp = 0, checksums = 0;
    bool problem = false;
    bool note = false;
    bool sized = true;  // IHDR, before any fault, still gives the size
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

class HostilePng : public ::testing::TestWithParam<PngCase> {};

TEST_P(HostilePng, MapsWhatIsSoundAndReportsTheRest) {
    const PngCase& c = GetParam();
    const ContainerMap map = MapFile(c.bytes, MapPng);
    EXPECT_EQ(map.kind, FileKind::Png);
    EXPECT_EQ(map.exif.size(), c.exif);
    EXPECT_EQ(map.xmp.size(), c.xmp);
    for (const ByteSpan& x : map.xmp) EXPECT_EQ(At(c.bytes, x), Packet);
    // The CRCs of the chunks handed out, and of no other.
    EXPECT_EQ(map.checksums.size(), c.checksums);
    for (const ChecksumPlace& p : map.checksums) {
        const std::string type = At(c.bytes, {p.covered.first, 4});
        EXPECT_TRUE(type == "eXIf" || type == "iTXt") << type;
    }
    EXPECT_EQ(!map.problems.empty(), c.problem) << Joined(map.problems);
    EXPECT_EQ(!map.notes.empty(), c.note) << Joined(map.notes);
    EXPECT_EQ(map.width, c.sized ? 5 : 0);
    if (c.sized) {
        EXPECT_EQ(map.height, 3);
    }
}

// The sound chunks with chunk i replaced (or, with insert, added before i).
Bytes PngWith(std::size_t i, const PngChunk& chunk, bool insert = false) {
    auto chunks = SoundPngChunks();
    if (insert)
        chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(i), chunk);
    else
        chunks[i] = chunk;
    return Png(chunks);
}

// The sound chunks with n tiny ones after IHDR.
Bytes PngOfTinyChunks(std::size_t n) {
    auto chunks = SoundPngChunks();
    chunks.insert(chunks.begin() + 1, n, PngChunk{"tiNy", {}});
    return Png(chunks);
}

const Bytes Exif6 = ToBytes(std::string("Exif\0\0", 6));

INSTANTIATE_TEST_SUITE_P(
    Damaged, HostilePng,
    ::testing::Values(
        PngCase{"Sound", Png(SoundPngChunks()), 1, 1, 2},
        // The eXIf chunk's length of 2^32-1: nothing from it on is walked.
        PngCase{"LengthAllOnes", PngWith(1, {"eXIf", SmallTiff(), 0xFFFFFFFFu}), 0, 0, 0, true},
        PngCase{"LengthOverTheLimit", PngWith(1, {"eXIf", SmallTiff(), 0x80000000u}), 0, 0, 0,
                true},
        PngCase{"BytesAfterIend", Png(SoundPngChunks(), Text("trailer")), 1, 1, 2, false, true},
        PngCase{"NoChunkTypeButDigits", PngWith(3, {"1DAT", Idat.data}), 1, 1, 2, true},
        PngCase{"FirstChunkIsNoIhdr",
                PngWith(0, {"tEXt", Text(std::string("Comment\0x", 9))}, true), 1, 1, 2, true,
                false, false},
        PngCase{"IhdrOfTwelveBytes", PngWith(0, {"IHDR", Bytes(12, 1)}), 1, 1, 2, true, false,
                false},
        PngCase{"IhdrOfWidthZero", PngWith(0, Ihdr(0, 3)), 1, 1, 2, true, false, false},
        // A CRC that does not match already: a write must not bless it.
        PngCase{"ExifCrcDamaged", PngWith(1, {"eXIf", SmallTiff(), {}, true}), 1, 1, 2, true},
        PngCase{"XmpCrcDamaged",
                PngWith(2,
                        [] {
                            PngChunk xmp = XmpItxt();
                            xmp.badCrc = true;
                            return xmp;
                        }()),
                1, 1, 2, true},
        // The CRC of a chunk that is not handed out is not the map's concern.
        PngCase{"IdatCrcDamaged", PngWith(3, {"IDAT", Idat.data, {}, true}), 1, 1, 2},
        PngCase{"ExifWithStrayHeader", PngWith(1, {"eXIf", Concat({Exif6, SmallTiff()})}), 1, 1, 2},
        PngCase{"ExifWithStrayHeaderOfThreeBytes",
                PngWith(1, {"eXIf", Concat({Text("Exi"), SmallTiff()})}), 0, 1, 1, false, true},
        PngCase{"ExifOfOnlyTheStrayHeader", PngWith(1, {"eXIf", Exif6}), 0, 1, 1, false, true},
        PngCase{"EmptyExif", PngWith(1, {"eXIf", {}}), 0, 1, 1, false, true},
        PngCase{"SecondExif", PngWith(3, {"eXIf", SmallTiff(test::Order::II)}, true), 1, 1, 2,
                false, true},
        PngCase{"CompressedXmp", PngWith(2, XmpItxt(1)), 1, 0, 1, false, true},
        PngCase{"XmpWithoutLanguageEnd",
                PngWith(2, {"iTXt", Concat({Text("XML:com.adobe.xmp"), {0, 0, 0}, Text("en")})}), 1,
                0, 1, false, true},
        PngCase{"XmpCutAfterTheKeyword",
                PngWith(2, {"iTXt", Concat({Text("XML:com.adobe.xmp"), {0}})}), 1, 0, 1, false,
                true},
        PngCase{"XmpWithLongTranslatedKeyword",
                PngWith(2, XmpItxt(0, "de-DE", std::string(900, 'x'))), 1, 1, 2},
        PngCase{"XmpInTextChunk",
                PngWith(2, {"tEXt", Concat({Text("XML:com.adobe.xmp"), {0}, Text(Packet)})}), 1, 0,
                1, false, true},
        PngCase{
            "ImageMagickHexExif",
            PngWith(3, {"zTXt", Concat({Text("Raw profile type exif"), {0, 0}, Text("x")})}, true),
            1, 1, 2, false, true},
        PngCase{"OtherText", PngWith(3, {"tEXt", Concat({Text("Comment"), {0}, Text("x")})}, true),
                1, 1, 2},
        // Every chunk is walked up to the bound, and what stands after it is
        // not found: the problem keeps a write away.
        PngCase{"TooManyChunks", PngOfTinyChunks(MaxChunks), 0, 0, 0, true},
        PngCase{"AsManyChunksAsTheBound", PngOfTinyChunks(MaxChunks - 5), 1, 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- WebP

struct WebPCase {
    const char* name;
    Bytes bytes;
    std::size_t exif = 0, xmp = 0;
    bool problem = false;
    bool note = false;
    int width = 100, height = 50;  // VP8X's canvas, not the frame's own size
};

void PrintTo(const WebPCase& c, std::ostream* os) { *os << c.name; }

class HostileWebP : public ::testing::TestWithParam<WebPCase> {};

TEST_P(HostileWebP, MapsWhatIsSoundAndReportsTheRest) {
    const WebPCase& c = GetParam();
    const ContainerMap map = MapFile(c.bytes, MapWebP);
    EXPECT_EQ(map.kind, FileKind::WebP);
    EXPECT_EQ(map.exif.size(), c.exif);
    EXPECT_EQ(map.xmp.size(), c.xmp);
    for (const ByteSpan& x : map.xmp) EXPECT_EQ(At(c.bytes, x), test::ToText(OddPacket));
    EXPECT_EQ(!map.problems.empty(), c.problem) << Joined(map.problems);
    EXPECT_EQ(!map.notes.empty(), c.note) << Joined(map.notes);
    EXPECT_EQ(map.width, c.width);
    EXPECT_EQ(map.height, c.height);
    EXPECT_TRUE(map.checksums.empty());
}

Bytes WebPWith(std::size_t i, const RiffChunk& chunk, bool insert = false) {
    auto chunks = SoundWebPChunks();
    if (insert)
        chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(i), chunk);
    else
        chunks[i] = chunk;
    return WebP(chunks);
}

// The sound file with its XMP chunk changed.
Bytes WebPWithXmp(const std::function<void(RiffChunk&)>& change) {
    auto chunks = SoundWebPChunks();
    change(chunks[3]);
    return WebP(chunks);
}

std::uint32_t SoundRiffSize() {
    return static_cast<std::uint32_t>(WebP(SoundWebPChunks()).size() - 8);
}

// A RIFF size past the end of the file or a chunk past the RIFF data are
// the fuzz seeds', a file cut short CutFile's.
INSTANTIATE_TEST_SUITE_P(
    Damaged, HostileWebP,
    ::
        testing::
            Values(WebPCase{"Sound", WebP(SoundWebPChunks()), 1, 1},
                   WebPCase{"RiffSizeAllOnes", WebP(SoundWebPChunks(), 0xFFFFFFFFu), 1, 1, true},
                   WebPCase{"RiffSizeTooSmallForWebP", WebP(SoundWebPChunks(), 2), 0, 0, true,
                            false, 0, 0},
                   // Only the RIFF data is walked; what follows is reported.
                   WebPCase{"RiffSizeEndsAfterTheFrame",
                            WebP(SoundWebPChunks(), static_cast<std::uint32_t>(4 + 18 + 8 + 14)), 0,
                            0, false, true},
                   WebPCase{"BytesAfterTheRiffData",
                            WebP(SoundWebPChunks(), std::nullopt, Text("trailer")), 1, 1, false,
                            true},
                   WebPCase{"ChunkSizeAllOnes", WebPWith(2, {"EXIF", SmallTiff(), 0xFFFFFFFFu}), 0,
                            0, true},
                   // Odd sizes: the pad byte is skipped, so the next chunk is found.
                   WebPCase{"OddChunksBeforeTheExif", WebPWith(2, {"ICCP", Bytes(7, 0x11)}, true),
                            1, 1},
                   WebPCase{"LastChunkWithoutItsPad",
                            WebPWithXmp([](RiffChunk& c) { c.pad = false; }), 1, 1, false, true},
                   // Three bytes inside the RIFF data that make no chunk.
                   WebPCase{"StrayBytesAtTheEnd",
                            WebP(SoundWebPChunks(), SoundRiffSize() + 3, Text("EXI")), 1, 1, true},
                   WebPCase{
                       "NoChunkName",
                       WebPWith(2, {std::string("EX\x01\x02", 4), SmallTiff()}), 0, 0, true},
                   WebPCase{
                       "ExifWithStrayHeader",
                       WebPWith(2, {"EXIF", Concat({Exif6, SmallTiff()})}), 1, 1},
                   WebPCase{
                       "ExifWithStrayHeaderOfThreeBytes",
                       WebPWith(2, {"EXIF", Concat({Text("Exi"), SmallTiff()})}), 0, 1, false, true},
                   // Three bytes in all: odd, so padded, and the XMP after it is found.
                   WebPCase{"ExifOfThreeBytes",
                            WebPWith(2, {"EXIF", Text("Exi")}), 0, 1, false, true},
                   WebPCase{"SecondExif",
                            WebPWith(3, {"EXIF", SmallTiff()}, true), 1, 1, false, true},
                   WebPCase{
                       "SimpleLossy",
                       WebP({Vp8(640, 480), {"EXIF", SmallTiff()}}), 1, 0, false, false, 640, 480},
                   WebPCase{"SimpleLossless", WebP({Vp8l(16383, 3)}), 0, 0, false, false, 16383, 3},
                   // Two frames and no canvas: the first frame's size.
                   WebPCase{"TwoFramesWithoutCanvas",
                            WebP({Vp8(640, 480), Vp8l(20, 10)}), 0, 0, false, false, 640, 480},
                   WebPCase{"LossyWithoutStartCode",
                            WebP({Vp8(640, 480, false)}), 0, 0, false, true, 0, 0},
                   WebPCase{"CanvasLargest",
                            WebP({Vp8x(1u << 24, 1u << 24)}), 0, 0, false, false, 1 << 24, 1 << 24},
                   WebPCase{
                       "TooManyChunks",
                       [] {
                           auto chunks = SoundWebPChunks();
                           chunks.insert(chunks.begin() + 2, MaxChunks, RiffChunk{"JUNK", {}});
                           return WebP(chunks);
                       }(),
                       0, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- RAF

struct RafCase {
    const char* name;
    Bytes bytes;
    bool jpeg = false;  // the JPEG found
    bool exif = false;  // and the EXIF block in it
    bool problem = true;
};

void PrintTo(const RafCase& c, std::ostream* os) { *os << c.name; }

class HostileRaf : public ::testing::TestWithParam<RafCase> {};

TEST_P(HostileRaf, PointsOnlyInsideTheFile) {
    const RafCase& c = GetParam();
    const ContainerMap map = MapFile(c.bytes, MapRaf);
    EXPECT_EQ(map.kind, FileKind::Raf);
    ASSERT_EQ(map.jpegs.size(), c.jpeg ? 1u : 0u);
    EXPECT_EQ(map.preview.has_value(), c.jpeg);
    if (c.jpeg) {
        EXPECT_EQ(map.jpegs[0].first, static_cast<std::int64_t>(RafJpegAt) + 1);
        EXPECT_EQ(map.preview->first, map.jpegs[0].first);
    }
    ASSERT_EQ(map.exif.size(), c.exif ? 1u : 0u);
    if (c.exif) {
        EXPECT_TRUE(map.jpegs[0].contains(map.exif[0].app1));
    }
    EXPECT_EQ(!map.problems.empty(), c.problem) << Joined(map.problems);
}

Bytes Inner() { return test::CameraPhoto().build(); }
std::uint32_t InnerSize() { return static_cast<std::uint32_t>(Inner().size()); }

// The sound RAF with a 32-bit field of its header set.
Bytes RafWith(std::size_t field, std::uint32_t value) {
    Bytes b = Raf(Inner());
    PutBe32(b, field, value);
    return b;
}
std::uint32_t SoundRafSize() { return static_cast<std::uint32_t>(Raf(Inner()).size()); }

INSTANTIATE_TEST_SUITE_P(
    Damaged, HostileRaf,
    ::testing::Values(
        RafCase{"Sound", Raf(Inner()), true, true, false},
        RafCase{"OffsetAtTheEnd", Raf(Inner(), SoundRafSize())},
        // The JPEG one byte past the end, then up to the very end of the file.
        RafCase{"LengthOneByteTooLong", RafWith(88, SoundRafSize() - RafJpegAt + 1)},
        RafCase{"LengthToTheEnd", RafWith(88, SoundRafSize() - RafJpegAt), true, true, false},
        // Offset and length whose 32-bit sum wraps to a place inside the file.
        RafCase{"SumWrapsIn32Bits", Raf(Inner(), 0xFFFFFF00u, 0x100u + 200u)},
        RafCase{"BothAllOnes", Raf(Inner(), 0xFFFFFFFFu, 0xFFFFFFFFu)},
        RafCase{"LengthZero", Raf(Inner(), std::nullopt, 0u)},
        RafCase{"OffsetOverTheFields", Raf(Inner(), 88u, InnerSize())},
        // A JPEG whose Exif IFD0 lies over the two fields: a date written
        // there could move the pointer itself.
        RafCase{"JpegOverTheFields",
                [] {
                    test::Jpeg j = test::CameraPhoto();
                    j.before.clear();
                    return Raf(j.build(), 60u, InnerSize(), 60);
                }()},
        // The raw data (its offset and length at 100 and 104) is the picture:
        // a JPEG that shares its bytes is no place to write.
        RafCase{"RawDataOverTheJpeg",
                [] {
                    Bytes b = RafWith(100, RafJpegAt + 40);
                    PutBe32(b, 104, 16);
                    return b;
                }()},
        RafCase{"NoJpegThere", Raf(Bytes(300, 0))},
        RafCase{"JpegWithoutExif",
                [] {
                    test::Jpeg j = test::CameraPhoto();
                    j.withExif = false;
                    return Raf(j.build());
                }(),
                true, false, false},
        // The Exif APP1 must end inside the span the header states.
        RafCase{"SpanEndsInsideTheExif", Raf(Inner(), std::nullopt, 40u), true, false, false},
        RafCase{"HeaderCutBeforeTheFields",
                [] {
                    Bytes b = Raf(Inner());
                    b.resize(88);
                    return b;
                }()}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- cut files

// A file cut at every length: never a read outside it, never a throw, and a
// problem reported for every cut that leaves the walk short.
void CutAtEveryLength(const Bytes& whole, bool (*map)(PhotoFile&, ContainerMap&),
                      std::size_t shortest) {
    test::TempDir dir;
    const std::string path = dir.path("cut");
    for (std::size_t n = 0; n < whole.size(); ++n) {
        test::WriteBytes(path,
                         Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        PhotoFile file(path, PhotoFile::Mode::Read);
        ContainerMap m;
        bool known = false;
        ASSERT_NO_THROW(known = map(file, m)) << "cut at " << n;
        EXPECT_EQ(known, n >= shortest) << "cut at " << n;
        if (known && map != MapRaf) {
            EXPECT_FALSE(m.problems.empty()) << "cut at " << n;
        }
        // Cut before the JPEG's end, the header points outside the file.
        if (map == MapRaf) {
            EXPECT_EQ(m.jpegs.empty(), n < RafJpegAt + Inner().size()) << "cut at " << n;
        }
        ExpectInside(file, m);
        const ContainerMap all = MapContainer(file);
        EXPECT_TRUE(std::find(all.problems.begin(), all.problems.end(),
                              "a read outside the file") == all.problems.end())
            << "cut at " << n;
    }
}

TEST(CutFile, EachKindAtEveryLength) {
    CutAtEveryLength(Png(SoundPngChunks()), MapPng, 8);
    CutAtEveryLength(WebP(SoundWebPChunks()), MapWebP, 12);
    CutAtEveryLength(Raf(Inner()), MapRaf, 15);
}

// The real PNGs hold chunks the crafted one does not (tIME, zTXt, text dates).
TEST(CutFile, SamplesAtEveryLength) {
    const std::string samples = test::FormatSamples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    CutAtEveryLength(test::ReadBytes(samples + "dates.png"), MapPng, 8);
    CutAtEveryLength(test::ReadBytes(samples + "PNG.png"), MapPng, 8);
}

// The real samples of every container but TIFF map without a problem or a
// note, inside the file, at the size ExifTool shows (their dates, blocks, times
// and CRCs are test_formats.cpp's and fuzz/'s).
TEST(ContainerSamples, MapWithoutFaultAtTheirSize) {
    const std::string samples = test::FormatSamples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    struct Sample {
        const char* name;
        FileKind kind;
        std::int32_t width, height;
    };
    for (const Sample& s :
         {Sample{"PNG.png", FileKind::Png, 16, 16}, Sample{"dates.png", FileKind::Png, 64, 48},
          Sample{"exiv2-bug1199.webp", FileKind::WebP, 1200, 800},
          Sample{"FujiFilm.raf", FileKind::Raf, 0, 0},
          Sample{"2021-02-13-1929.heic", FileKind::Heif, 4032, 3024},
          Sample{"heic.heic", FileKind::Heif, 1280, 854},
          Sample{"avif.avif", FileKind::Heif, 1920, 1080},
          Sample{"CanonRaw.cr3", FileKind::Cr3, 0, 0},
          Sample{"QuickTime.mov", FileKind::QuickTime, 320, 240}}) {
        SCOPED_TRACE(s.name);
        PhotoFile file(samples + s.name, PhotoFile::Mode::Read);
        const ContainerMap map = MapContainer(file);
        ExpectInside(file, map);
        EXPECT_EQ(map.kind, s.kind);
        EXPECT_TRUE(map.problems.empty()) << Joined(map.problems);
        EXPECT_TRUE(map.notes.empty()) << Joined(map.notes);
        EXPECT_EQ(map.width, s.width);
        EXPECT_EQ(map.height, s.height);
    }
}

}  // namespace
}  // namespace tovrin
