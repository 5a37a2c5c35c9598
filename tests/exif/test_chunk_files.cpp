// PNG, WebP and RAF files: where each keeps its EXIF block, its XMP and the
// CRCs a write must recompute, found by walks that stay inside the file and
// stop on whatever a damaged or crafted file states; the real samples agree
// with what ExifTool reads from them.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
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
#include "run_process.h"
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

std::uint32_t Crc(const std::string& text) {
    return Crc32(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc(""), 0u);
    EXPECT_EQ(Crc("a"), 0xE8B7BE43u);
    EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    // IEND's CRC, which every PNG ends with: AE 42 60 82.
    EXPECT_EQ(Crc("IEND"), 0xAE426082u);
}

TEST(Crc32, PiecesChainToTheWhole) {
    Bytes bytes(300);
    std::mt19937 random(7);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    const std::uint32_t whole = BitwiseCrc(bytes);
    EXPECT_EQ(Crc32(bytes.data(), bytes.size()), whole);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        const std::uint32_t head = Crc32(bytes.data(), cut);
        ASSERT_EQ(Crc32(bytes.data() + cut, bytes.size() - cut, head), whole) << "cut at " << cut;
    }
}

TEST(Crc32, OverASpanOfTheFileReadInPieces) {
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

// The 0-based offset where `needle` first stands in `hay` (npos for none).
std::size_t Find(const Bytes& hay, const Bytes& needle) {
    const auto at = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
    return at == hay.end() ? std::string::npos : static_cast<std::size_t>(at - hay.begin());
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

// The 1-based position of chunk i's length field.
std::int64_t PngChunkAt(const std::vector<PngChunk>& chunks, std::size_t i) {
    std::int64_t at = 1 + 8;
    for (std::size_t k = 0; k < i; ++k) at += 12 + static_cast<std::int64_t>(chunks[k].data.size());
    return at;
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

// The 1-based position of chunk i's name.
std::int64_t RiffChunkAt(const std::vector<RiffChunk>& chunks, std::size_t i) {
    std::int64_t at = 1 + 12;
    for (std::size_t k = 0; k < i; ++k)
        at += 8 + static_cast<std::int64_t>(chunks[k].data.size() + chunks[k].data.size() % 2);
    return at;
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
// chunk's type and data followed by four bytes.
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
        EXPECT_TRUE(whole.contains(c.covered));
        EXPECT_EQ(c.position, c.covered.end());
        EXPECT_TRUE(whole.contains({c.position, 4}));
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

// ---------------------------------------------------------------- PNG

TEST(Png, SoundFileMapsEachPart) {
    const auto chunks = SoundPngChunks();
    const Bytes bytes = Png(chunks);
    const ContainerMap map = MapFile(bytes, MapPng);
    EXPECT_EQ(map.kind, FileKind::Png);
    EXPECT_EQ(map.width, 5);
    EXPECT_EQ(map.height, 3);
    EXPECT_TRUE(map.problems.empty()) << Joined(map.problems);
    EXPECT_TRUE(map.notes.empty()) << Joined(map.notes);

    const std::int64_t exifAt = PngChunkAt(chunks, 1);
    ASSERT_EQ(map.exif.size(), 1u);
    EXPECT_EQ(map.exif[0].tiffBase, exifAt + 8);
    EXPECT_EQ(map.exif[0].app1.first, exifAt + 8);
    EXPECT_EQ(map.exif[0].app1.size, static_cast<std::int64_t>(chunks[1].data.size()));
    EXPECT_EQ(map.exif[0].container, ExifBlock::Container::Jpeg);
    EXPECT_EQ(map.exif[0].magic, 42);

    const std::int64_t xmpAt = PngChunkAt(chunks, 2);
    ASSERT_EQ(map.xmp.size(), 1u);
    const auto packetAt = static_cast<std::size_t>(Find(bytes, Text(Packet)));
    EXPECT_EQ(map.xmp[0].first, static_cast<std::int64_t>(packetAt) + 1);
    EXPECT_EQ(map.xmp[0].size, static_cast<std::int64_t>(Packet.size()));

    // Type and data of each chunk handed out, and its CRC right after.
    ASSERT_EQ(map.checksums.size(), 2u);
    EXPECT_EQ(map.checksums[0].covered.first, exifAt + 4);
    EXPECT_EQ(map.checksums[0].covered.size, 4 + static_cast<std::int64_t>(chunks[1].data.size()));
    EXPECT_EQ(map.checksums[1].covered.first, xmpAt + 4);
    EXPECT_EQ(map.checksums[1].position, PngChunkAt(chunks, 3) - 4);
}

// A PNG that lies about itself somewhere, and what the walk must make of it.
struct PngCase {
    const char* name;
    std::function<Bytes()> make;
    std::size_t exif = 0, xmp = 0, checksums = 0;
    bool problem = false;
    bool note = false;
    bool sized = true;  // IHDR, before any fault, still gives the size
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

class HostilePng : public ::testing::TestWithParam<PngCase> {};

TEST_P(HostilePng, MapsWhatIsSoundAndReportsTheRest) {
    const PngCase& c = GetParam();
    const ContainerMap map = MapFile(c.make(), MapPng);
    EXPECT_EQ(map.kind, FileKind::Png);
    EXPECT_EQ(map.exif.size(), c.exif);
    EXPECT_EQ(map.xmp.size(), c.xmp);
    EXPECT_EQ(map.checksums.size(), c.checksums);
    EXPECT_EQ(!map.problems.empty(), c.problem) << Joined(map.problems);
    EXPECT_EQ(!map.notes.empty(), c.note) << Joined(map.notes);
    EXPECT_EQ(map.width, c.sized ? 5 : 0);
}

// The sound chunks with chunk i replaced (or, with insert, added before i).
std::function<Bytes()> PngWith(std::size_t i, PngChunk chunk, bool insert = false,
                               Bytes tail = {}) {
    return [=] {
        auto chunks = SoundPngChunks();
        if (insert)
            chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(i), chunk);
        else
            chunks[i] = chunk;
        return Png(chunks, tail);
    };
}

std::vector<PngChunk> ManyTinyChunks(std::size_t n) {
    auto chunks = SoundPngChunks();
    chunks.insert(chunks.begin() + 1, n, PngChunk{"tiNy", {}});
    return chunks;
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, HostilePng,
    ::testing::Values(
        PngCase{"Sound", [] { return Png(SoundPngChunks()); }, 1, 1, 2},
        // The eXIf chunk's length of 2^32-1: nothing from it on is walked.
        PngCase{"LengthAllOnes", PngWith(1, {"eXIf", SmallTiff(), 0xFFFFFFFFu}), 0, 0, 0, true},
        PngCase{"LengthOverTheLimit", PngWith(1, {"eXIf", SmallTiff(), 0x80000000u}), 0, 0, 0,
                true},
        // IDAT's length one byte past the end: the chunks before it stand.
        PngCase{"ChunkPastTheEnd",
                [] {
                    auto chunks = SoundPngChunks();
                    chunks.pop_back();
                    Bytes b = Png(chunks);
                    const std::size_t idat = static_cast<std::size_t>(PngChunkAt(chunks, 3)) - 1;
                    PutBe32(b, idat, static_cast<std::uint32_t>(b.size() - idat - 12 + 1));
                    return b;
                },
                1, 1, 2, true},
        PngCase{"NoIend",
                [] {
                    auto chunks = SoundPngChunks();
                    chunks.pop_back();
                    return Png(chunks);
                },
                1, 1, 2, true},
        PngCase{"CutInsideAChunkHeader",
                [] {
                    auto chunks = SoundPngChunks();
                    chunks.pop_back();
                    return Png(chunks, {0, 0, 0, 0, 'I'});
                },
                1, 1, 2, true},
        PngCase{"BytesAfterIend", [] { return Png(SoundPngChunks(), Text("trailer")); }, 1, 1, 2,
                false, true},
        PngCase{"NoChunkTypeButDigits", PngWith(3, {"1DAT", Idat.data}), 1, 1, 2, true},
        PngCase{"FirstChunkIsNoIhdr", PngWith(0, {"tEXt", Text(std::string("Comment\0x", 9))}, true), 1,
                1, 2, true, false, false},
        PngCase{"IhdrOfTwelveBytes", PngWith(0, {"IHDR", Bytes(12, 1)}), 1, 1, 2, true, false,
                false},
        PngCase{"IhdrOfWidthZero", PngWith(0, Ihdr(0, 3)), 1, 1, 2, true, false, false},
        // A CRC that does not match already: a write must not bless it.
        PngCase{"ExifCrcDamaged", PngWith(1, {"eXIf", SmallTiff(), {}, true}), 1, 1, 2, true},
        PngCase{"XmpCrcDamaged",
                [] {
                    auto chunks = SoundPngChunks();
                    chunks[2].badCrc = true;
                    return Png(chunks);
                },
                1, 1, 2, true},
        // The CRC of a chunk that is not handed out is not the map's concern.
        PngCase{"IdatCrcDamaged", PngWith(3, {"IDAT", Idat.data, {}, true}), 1, 1, 2},
        PngCase{"ExifWithStrayHeader",
                PngWith(1, {"eXIf", Concat({Text(std::string("Exif\0\0", 6)), SmallTiff()})}), 1,
                1, 2},
        PngCase{"ExifWithStrayHeaderOfThreeBytes",
                PngWith(1, {"eXIf", Concat({Text("Exi"), SmallTiff()})}), 0, 1, 1, false, true},
        PngCase{"ExifOfOnlyTheStrayHeader", PngWith(1, {"eXIf", Text(std::string("Exif\0\0", 6))}),
                0, 1, 1, false, true},
        PngCase{"EmptyExif", PngWith(1, {"eXIf", {}}), 0, 1, 1, false, true},
        PngCase{"SecondExif", PngWith(3, {"eXIf", SmallTiff(test::Order::II)}, true), 1, 1, 2,
                false, true},
        PngCase{"CompressedXmp", PngWith(2, XmpItxt(1)), 1, 0, 1, false, true},
        PngCase{"XmpWithoutLanguageEnd",
                PngWith(2, {"iTXt", Concat({Text("XML:com.adobe.xmp"), {0, 0, 0}, Text("en")})}), 1,
                0, 1, false, true},
        PngCase{"XmpCutAfterTheKeyword", PngWith(2, {"iTXt", Concat({Text("XML:com.adobe.xmp"), {0}})}),
                1, 0, 1, false, true},
        PngCase{"XmpWithLongTranslatedKeyword", PngWith(2, XmpItxt(0, "de-DE", std::string(900, 'x'))),
                1, 1, 2},
        PngCase{"XmpInTextChunk",
                PngWith(2, {"tEXt", Concat({Text("XML:com.adobe.xmp"), {0}, Text(Packet)})}), 1, 0,
                1, false, true},
        PngCase{"ImageMagickHexExif",
                PngWith(3, {"zTXt", Concat({Text("Raw profile type exif"), {0, 0}, Text("x")})},
                        true),
                1, 1, 2, false, true},
        PngCase{"OtherText", PngWith(3, {"tEXt", Concat({Text("Comment"), {0}, Text("x")})}, true),
                1, 1, 2},
        // Every chunk is walked up to the bound, and what stands after it is
        // not found: the problem keeps a write away.
        PngCase{"TooManyChunks",
                [] {
                    auto chunks = ManyTinyChunks(MaxChunks);
                    return Png(chunks);
                },
                0, 0, 0, true},
        PngCase{"AsManyChunksAsTheBound",
                [] {
                    auto chunks = SoundPngChunks();
                    chunks.insert(chunks.begin() + 1, MaxChunks - 5, PngChunk{"tiNy", {}});
                    return Png(chunks);
                },
                1, 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Png, TwoHundredThousandTinyChunksStopQuickly) {
    const Bytes bytes = Png(ManyTinyChunks(200'000));
    test::TempDir dir;
    PhotoFile file(dir.write("tiny.png", bytes), PhotoFile::Mode::Read);
    ContainerMap map;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(MapPng(file, map));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(map.problems.size(), 1u) << Joined(map.problems);
    EXPECT_TRUE(map.exif.empty());
}

TEST(Png, NoPngIsLeftAlone) {
    for (const Bytes& bytes : {Bytes{}, Bytes(PngSignature.begin(), PngSignature.end() - 1),
                               test::CameraPhoto().build()}) {
        test::TempDir dir;
        PhotoFile file(dir.write("x", bytes), PhotoFile::Mode::Read);
        ContainerMap map;
        EXPECT_FALSE(MapPng(file, map));
        EXPECT_EQ(map.kind, FileKind::Unknown);
        EXPECT_TRUE(map.problems.empty());
    }
    // The signature alone: a PNG with nothing in it.
    const ContainerMap bare = MapFile(PngSignature, MapPng);
    EXPECT_EQ(bare.kind, FileKind::Png);
    EXPECT_FALSE(bare.problems.empty());
}

// ---------------------------------------------------------------- WebP

TEST(WebP, SoundFileMapsEachPart) {
    const auto chunks = SoundWebPChunks();
    const Bytes bytes = WebP(chunks);
    const ContainerMap map = MapFile(bytes, MapWebP);
    EXPECT_EQ(map.kind, FileKind::WebP);
    // The canvas of VP8X, not the frame's own size.
    EXPECT_EQ(map.width, 100);
    EXPECT_EQ(map.height, 50);
    EXPECT_TRUE(map.problems.empty()) << Joined(map.problems);
    EXPECT_TRUE(map.notes.empty()) << Joined(map.notes);
    ASSERT_EQ(map.exif.size(), 1u);
    EXPECT_EQ(map.exif[0].tiffBase, RiffChunkAt(chunks, 2) + 8);
    EXPECT_EQ(map.exif[0].app1.size, static_cast<std::int64_t>(chunks[2].data.size()));
    ASSERT_EQ(map.xmp.size(), 1u);
    EXPECT_EQ(map.xmp[0].first, RiffChunkAt(chunks, 3) + 8);
    EXPECT_EQ(map.xmp[0].size, static_cast<std::int64_t>(OddPacket.size()));
    EXPECT_TRUE(map.checksums.empty());
}

struct WebPCase {
    const char* name;
    std::function<Bytes()> make;
    std::size_t exif = 0, xmp = 0;
    bool problem = false;
    bool note = false;
    int width = 100, height = 50;
};

void PrintTo(const WebPCase& c, std::ostream* os) { *os << c.name; }

class HostileWebP : public ::testing::TestWithParam<WebPCase> {};

TEST_P(HostileWebP, MapsWhatIsSoundAndReportsTheRest) {
    const WebPCase& c = GetParam();
    const ContainerMap map = MapFile(c.make(), MapWebP);
    EXPECT_EQ(map.kind, FileKind::WebP);
    EXPECT_EQ(map.exif.size(), c.exif);
    EXPECT_EQ(map.xmp.size(), c.xmp);
    EXPECT_EQ(!map.problems.empty(), c.problem) << Joined(map.problems);
    EXPECT_EQ(!map.notes.empty(), c.note) << Joined(map.notes);
    EXPECT_EQ(map.width, c.width);
    EXPECT_EQ(map.height, c.height);
    EXPECT_TRUE(map.checksums.empty());
}

std::function<Bytes()> WebPWith(std::size_t i, RiffChunk chunk, bool insert = false) {
    return [=] {
        auto chunks = SoundWebPChunks();
        if (insert)
            chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(i), chunk);
        else
            chunks[i] = chunk;
        return WebP(chunks);
    };
}

std::uint32_t SoundRiffSize() {
    return static_cast<std::uint32_t>(WebP(SoundWebPChunks()).size() - 8);
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, HostileWebP,
    ::
        testing::
            Values(WebPCase{"Sound", [] { return WebP(SoundWebPChunks()); }, 1, 1},
                   // The chunks the file holds are walked, and the file is not written.
                   WebPCase{"RiffSizePastTheEnd",
                            [] { return WebP(SoundWebPChunks(), SoundRiffSize() + 100); }, 1, 1,
                            true},
                   WebPCase{"RiffSizeAllOnes", [] { return WebP(SoundWebPChunks(), 0xFFFFFFFFu); },
                            1, 1, true},
                   WebPCase{"RiffSizeTooSmallForWebP", [] { return WebP(SoundWebPChunks(), 2); }, 0,
                            0, true, false, 0, 0},
                   // Only the RIFF data is walked; what follows is reported.
                   WebPCase{"RiffSizeEndsAfterTheFrame",
                            [] {
                                return WebP(SoundWebPChunks(),
                                            static_cast<std::uint32_t>(4 + 18 + 8 + 14));
                            },
                            0, 0, false, true},
                   WebPCase{"BytesAfterTheRiffData",
                            [] { return WebP(SoundWebPChunks(), std::nullopt, Text("trailer")); },
                            1, 1, false, true},
                   WebPCase{"ChunkSizeAllOnes", WebPWith(2, {"EXIF", SmallTiff(), 0xFFFFFFFFu}), 0,
                            0, true},
                   WebPCase{"ChunkPastTheEnd",
                            [] {
                                auto chunks = SoundWebPChunks();
                                chunks[3].size = static_cast<std::uint32_t>(OddPacket.size() + 2);
                                return WebP(chunks);
                            },
                            1, 0, true},
                   // Odd sizes: the pad byte is skipped, so the next chunk is found.
                   WebPCase{"OddChunksBeforeTheExif", WebPWith(2, {"ICCP", Bytes(7, 0x11)}, true),
                            1, 1},
                   WebPCase{"LastChunkWithoutItsPad",
                            [] {
                                auto chunks = SoundWebPChunks();
                                chunks[3].pad = false;
                                return WebP(chunks);
                            },
                            1, 1, false, true},
                   WebPCase{"StrayBytesAtTheEnd",
                            [] {
                                Bytes b = WebP(SoundWebPChunks());
                                b.insert(b.end(), {'E', 'X', 'I'});
                                const auto riff = static_cast<std::uint32_t>(b.size() - 8);
                                for (int i = 0; i < 4; ++i)
                                    b[4 + static_cast<std::size_t>(i)] =
                                        static_cast<unsigned char>(riff >> (8 * i));
                                return b;
                            },
                            1, 1, true},
                   WebPCase{"NoChunkName", WebPWith(2, {std::string("EX\x01\x02", 4), SmallTiff()}),
                            0, 0, true},
                   WebPCase{"ExifWithStrayHeader",
                            WebPWith(2, {"EXIF",
                                         Concat({Text(std::string("Exif\0\0", 6)), SmallTiff()})}),
                            1, 1},
                   WebPCase{
                       "ExifWithStrayHeaderOfThreeBytes",
                       WebPWith(2, {"EXIF", Concat({Text("Exi"), SmallTiff()})}), 0, 1, false, true},
                   // Three bytes in all: odd, so padded, and the XMP after it is found.
                   WebPCase{
                       "ExifOfThreeBytes", WebPWith(2, {"EXIF", Text("Exi")}), 0, 1, false, true},
                   WebPCase{
                       "SecondExif",
                       WebPWith(3, {"EXIF", SmallTiff()}, true), 1, 1, false, true},
                   WebPCase{
                       "SimpleLossy",
                       [] { return WebP({Vp8(640, 480), {"EXIF", SmallTiff()}}); }, 1, 0, false, false, 640,
                       480},
                   WebPCase{
                       "SimpleLossless",
                       [] { return WebP({Vp8l(16383, 3)}); }, 0, 0, false, false, 16383, 3},
                   // Two frames and no canvas: the first frame's size.
                   WebPCase{
                       "TwoFramesWithoutCanvas",
                       [] { return WebP({Vp8(640, 480), Vp8l(20, 10)}); }, 0, 0, false, false, 640,
                       480},
                   WebPCase{"LossyWithoutStartCode",
                            [] { return WebP({Vp8(640, 480, false)}); }, 0, 0, false, true, 0, 0},
                   WebPCase{
                       "CanvasLargest",
                       [] { return WebP({Vp8x(1u << 24, 1u << 24)}); }, 0, 0, false, false, 1 << 24,
                       1 << 24},
                   WebPCase{
                       "TooManyChunks",
                       [] {
                           auto chunks = SoundWebPChunks();
                           chunks.insert(chunks.begin() + 2, MaxChunks, RiffChunk{"JUNK", {}});
                           return WebP(chunks);
                       },
                       0, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WebP, TwoHundredThousandTinyChunksStopQuickly) {
    auto chunks = SoundWebPChunks();
    chunks.insert(chunks.begin() + 1, 200'000, RiffChunk{"JUNK", {}});
    test::TempDir dir;
    PhotoFile file(dir.write("tiny.webp", WebP(chunks)), PhotoFile::Mode::Read);
    ContainerMap map;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(MapWebP(file, map));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(map.problems.size(), 1u) << Joined(map.problems);
    EXPECT_TRUE(map.exif.empty());
}

// ---------------------------------------------------------------- RAF

TEST(Raf, TheJpegInsideAndItsExif) {
    const test::Jpeg jpeg = test::CameraPhoto(test::Order::II);
    const Bytes inner = jpeg.build();
    const ContainerMap map = MapFile(Raf(inner), MapRaf);
    EXPECT_EQ(map.kind, FileKind::Raf);
    EXPECT_TRUE(map.problems.empty()) << Joined(map.problems);
    const ByteSpan span{static_cast<std::int64_t>(RafJpegAt) + 1,
                        static_cast<std::int64_t>(inner.size())};
    ASSERT_EQ(map.jpegs.size(), 1u);
    EXPECT_EQ(map.jpegs[0].first, span.first);
    EXPECT_EQ(map.jpegs[0].size, span.size);
    ASSERT_TRUE(map.preview);
    EXPECT_EQ(map.preview->first, span.first);
    ASSERT_EQ(map.exif.size(), 1u);
    EXPECT_EQ(map.exif[0].tiffBase, static_cast<std::int64_t>(RafJpegAt) + jpeg.tiffBase());
    EXPECT_TRUE(span.contains(map.exif[0].app1));
}

struct RafCase {
    const char* name;
    std::function<Bytes()> make;
    bool jpeg = false;  // the JPEG found
    bool exif = false;  // and the EXIF block in it
    bool problem = true;
};

void PrintTo(const RafCase& c, std::ostream* os) { *os << c.name; }

class HostileRaf : public ::testing::TestWithParam<RafCase> {};

TEST_P(HostileRaf, PointsOnlyInsideTheFile) {
    const RafCase& c = GetParam();
    const ContainerMap map = MapFile(c.make(), MapRaf);
    EXPECT_EQ(map.kind, FileKind::Raf);
    EXPECT_EQ(map.jpegs.size(), c.jpeg ? 1u : 0u);
    EXPECT_EQ(map.preview.has_value(), c.jpeg);
    EXPECT_EQ(map.exif.size(), c.exif ? 1u : 0u);
    EXPECT_EQ(!map.problems.empty(), c.problem) << Joined(map.problems);
}

Bytes Inner() { return test::CameraPhoto().build(); }
std::uint32_t InnerSize() { return static_cast<std::uint32_t>(Inner().size()); }

INSTANTIATE_TEST_SUITE_P(
    Damaged, HostileRaf,
    ::testing::Values(
        RafCase{"Sound", [] { return Raf(Inner()); }, true, true, false},
        RafCase{"OffsetAtTheEnd",
                [] { return Raf(Inner(), static_cast<std::uint32_t>(Raf(Inner()).size())); }},
        RafCase{"LengthOneByteTooLong",
                [] {
                    // The JPEG runs to the very end of the file.
                    Bytes b = Raf(Inner());
                    const auto length = static_cast<std::uint32_t>(b.size() - RafJpegAt + 1);
                    PutBe32(b, 88, length);
                    return b;
                }},
        RafCase{"LengthToTheEnd",
                [] {
                    Bytes b = Raf(Inner());
                    PutBe32(b, 88, static_cast<std::uint32_t>(b.size() - RafJpegAt));
                    return b;
                },
                true, true, false},
        // Offset and length whose 32-bit sum wraps to a place inside the file.
        RafCase{"SumWrapsIn32Bits", [] { return Raf(Inner(), 0xFFFFFF00u, 0x100u + 200u); }},
        RafCase{"BothAllOnes", [] { return Raf(Inner(), 0xFFFFFFFFu, 0xFFFFFFFFu); }},
        RafCase{"LengthZero", [] { return Raf(Inner(), std::nullopt, 0u); }},
        RafCase{"OffsetIntoTheHeader", [] { return Raf(Inner(), 0u, InnerSize()); }},
        RafCase{"OffsetOverTheFields", [] { return Raf(Inner(), 88u, InnerSize()); }},
        // A JPEG whose Exif IFD0 lies over the two fields: a date written
        // there could move the pointer itself.
        RafCase{"JpegOverTheFields",
                [] {
                    test::Jpeg j = test::CameraPhoto();
                    j.before.clear();
                    return Raf(j.build(), 60u, InnerSize(), 60);
                }},
        RafCase{"NoJpegThere", [] { return Raf(Bytes(300, 0)); }},
        RafCase{"JpegWithoutExif",
                [] {
                    test::Jpeg j = test::CameraPhoto();
                    j.withExif = false;
                    return Raf(j.build());
                },
                true, false, false},
        // The Exif APP1 must end inside the span the header states.
        RafCase{"SpanEndsInsideTheExif", [] { return Raf(Inner(), std::nullopt, 40u); }, true,
                false, false},
        RafCase{"HeaderCutBeforeTheFields",
                [] {
                    Bytes b = Raf(Inner());
                    b.resize(88);
                    return b;
                }}),
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
        if (known) {
            EXPECT_FALSE(m.problems.empty()) << "cut at " << n;
        }
        ExpectInside(file, m);
        const ContainerMap all = MapContainer(file);
        EXPECT_TRUE(std::find(all.problems.begin(), all.problems.end(),
                              "a read outside the file") == all.problems.end())
            << "cut at " << n;
    }
}

TEST(CutFile, PngAtEveryLength) { CutAtEveryLength(Png(SoundPngChunks()), MapPng, 8); }
TEST(CutFile, WebPAtEveryLength) { CutAtEveryLength(WebP(SoundWebPChunks()), MapWebP, 12); }

TEST(CutFile, RafAtEveryLength) {
    const Bytes whole = Raf(Inner());
    test::TempDir dir;
    const std::string path = dir.path("cut");
    for (std::size_t n = 0; n < whole.size(); ++n) {
        test::WriteBytes(path,
                         Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        PhotoFile file(path, PhotoFile::Mode::Read);
        ContainerMap m;
        bool known = false;
        ASSERT_NO_THROW(known = MapRaf(file, m)) << "cut at " << n;
        EXPECT_EQ(known, n >= 15) << "cut at " << n;
        // Cut before the JPEG's end, the header points outside the file.
        EXPECT_EQ(m.jpegs.empty(), n < RafJpegAt + Inner().size()) << "cut at " << n;
        ExpectInside(file, m);
    }
}

// ---------------------------------------------------------------- samples

std::string Samples() { return test::FormatSamples(); }

bool HaveExifTool() { return test::RunProcess({"exiftool", "-ver"}).exitCode == 0; }

std::string ExifTool(const std::vector<std::string>& args) {
    std::vector<std::string> all{"exiftool"};
    all.insert(all.end(), args.begin(), args.end());
    return test::RunProcess(all).out;
}

// The first value ExifTool prints for the tag, as a number (0 for none).
std::int64_t ExifToolNumber(const std::string& path, const std::string& tag) {
    const std::string out = ExifTool({"-s3", "-n", tag, path});
    return out.empty() ? 0 : std::stoll(out);
}

// The 0-based offset of the first dump line after the line of `header` in
// ExifTool's -v3 output: where that chunk's data begins.
std::optional<std::int64_t> DumpOffsetAfter(const std::string& verbose, const std::string& header) {
    const std::size_t at = verbose.find(header);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t line = verbose.find('\n', at);
    if (line == std::string::npos) return std::nullopt;
    const std::size_t colon = verbose.find(':', line);
    if (colon == std::string::npos) return std::nullopt;
    return std::stoll(verbose.substr(line + 1, colon - line - 1), nullptr, 16);
}

Bytes Slice(const Bytes& b, const ByteSpan& span) {
    return Bytes(b.begin() + (span.first - 1), b.begin() + (span.end() - 1));
}
Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct SampleFile {
    const char* name;
    FileKind kind;
    std::size_t exif, xmp, checksums;
    // ExifTool's group of the container's size; empty for none (RAF).
    const char* sizeGroup;
    // ExifTool's -v3 line before the first dump line of the EXIF data.
    const char* exifDump;
};

void PrintTo(const SampleFile& s, std::ostream* os) { *os << s.name; }

class Sample : public ::testing::TestWithParam<SampleFile> {};

TEST_P(Sample, AgreesWithExifTool) {
    const std::string samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    if (!HaveExifTool()) GTEST_SKIP() << "exiftool is not installed";
    const SampleFile& s = GetParam();
    const std::string path = samples + s.name;
    const Bytes bytes = test::ReadBytes(path);
    PhotoFile file(path, PhotoFile::Mode::Read);
    const ContainerMap map = MapContainer(file);
    ExpectInside(file, map);
    EXPECT_EQ(map.kind, s.kind);
    EXPECT_TRUE(map.problems.empty()) << Joined(map.problems);
    EXPECT_TRUE(map.notes.empty()) << Joined(map.notes);

    const std::string size = s.sizeGroup;
    EXPECT_EQ(map.width, size.empty() ? 0 : ExifToolNumber(path, "-" + size + ":ImageWidth"));
    EXPECT_EQ(map.height, size.empty() ? 0 : ExifToolNumber(path, "-" + size + ":ImageHeight"));

    ASSERT_EQ(map.exif.size(), s.exif);
    if (s.exif == 1) {
        const ExifBlock& b = map.exif[0];
        // From the TIFF header to the end of the chunk or segment: the bytes
        // ExifTool takes as the EXIF block.
        EXPECT_EQ(Slice(bytes, {b.tiffBase, b.app1.end() - b.tiffBase}),
                  FromText(ExifTool({"-b", "-EXIF", path})));
        const std::string verbose = ExifTool({"-v3", path});
        const auto dump = DumpOffsetAfter(verbose, s.exifDump);
        ASSERT_TRUE(dump) << s.exifDump;
        // RAF's dump counts from the JPEG's start, and shows "Exif\0\0" first.
        const std::int64_t base = map.jpegs.empty() ? *dump + 1 : map.jpegs[0].first + *dump + 6;
        EXPECT_EQ(b.tiffBase, base);
    }
    ASSERT_EQ(map.xmp.size(), s.xmp);
    if (s.xmp == 1) {
        EXPECT_EQ(Slice(bytes, map.xmp[0]), FromText(ExifTool({"-b", "-XMP", path})));
    }

    ASSERT_EQ(map.checksums.size(), s.checksums);
    for (const ChecksumPlace& c : map.checksums) {
        // The chunk's own length field stands before what the CRC covers.
        const Bytes length = Slice(bytes, {c.covered.first - 4, 4});
        EXPECT_EQ((std::uint32_t{length[0]} << 24 | std::uint32_t{length[1]} << 16 |
                   std::uint32_t{length[2]} << 8 | length[3]),
                  static_cast<std::uint32_t>(c.covered.size - 4));
        const Bytes stored = Slice(bytes, {c.position, 4});
        EXPECT_EQ(Crc32(file, c.covered), std::uint32_t{stored[0]} << 24 |
                                              std::uint32_t{stored[1]} << 16 |
                                              std::uint32_t{stored[2]} << 8 | stored[3]);
    }
    if (s.kind == FileKind::Raf) {
        ASSERT_EQ(map.jpegs.size(), 1u);
        ASSERT_TRUE(map.preview);
        EXPECT_EQ(Slice(bytes, map.jpegs[0]), FromText(ExifTool({"-b", "-PreviewImage", path})));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Sample,
    ::testing::Values(SampleFile{"PNG.png", FileKind::Png, 0, 1, 1, "PNG", ""},
                      SampleFile{"dates.png", FileKind::Png, 1, 0, 3, "PNG", "PNG eXIf ("},
                      SampleFile{"exiv2-bug1199.webp", FileKind::WebP, 1, 1, 0, "RIFF",
                                 "- Tag 'EXIF' ("},
                      SampleFile{"FujiFilm.raf", FileKind::Raf, 1, 0, 0, "", "JPEG APP1 ("}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// Every CRC of a real sample is found where the map says, for every chunk.
TEST(SampleCrc, EveryChunkOfDatesPng) {
    const std::string samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    const Bytes bytes = test::ReadBytes(samples + "dates.png");
    std::size_t at = 8, chunks = 0;
    while (at + 12 <= bytes.size()) {
        const std::size_t length = std::size_t{bytes[at]} << 24 | std::size_t{bytes[at + 1]} << 16 |
                                   std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        const auto* covered = bytes.data() + at + 4;
        const auto* stored = covered + 4 + length;
        EXPECT_EQ(Crc32(covered, 4 + length), std::uint32_t{stored[0]} << 24 |
                                                  std::uint32_t{stored[1]} << 16 |
                                                  std::uint32_t{stored[2]} << 8 | stored[3])
            << "chunk at " << at;
        at += 12 + length;
        ++chunks;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(chunks, 11u);
}

// A changed byte with its CRC recomputed where the map says: ExifTool reads
// the change and finds every CRC sound. Without the recompute it finds one bad.
TEST(SampleCrc, RecomputedAtThePlacesTheMapGivesSatisfiesExifTool) {
    const std::string samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    if (!HaveExifTool()) GTEST_SKIP() << "exiftool is not installed";
    struct Change {
        const char* name;
        std::string from, to, tag;
    };
    for (const Change& c :
         {Change{"dates.png", "2019:03:04 05:06:07", "2020:03:04 05:06:07", "-IFD0:ModifyDate"},
          Change{"PNG.png", "Phil Harvey", "Phil Harvez", "-XMP:Creator"}}) {
        test::TempDir dir;
        const std::string path = dir.copy(samples + c.name, c.name);
        {
            PhotoFile file(path, PhotoFile::Mode::ReadWrite);
            const ContainerMap map = MapContainer(file);
            ASSERT_FALSE(map.checksums.empty());
            const Bytes bytes = test::ReadBytes(path);
            const std::size_t at = Find(bytes, FromText(c.from));
            ASSERT_NE(at, std::string::npos);
            file.write(static_cast<std::int64_t>(at) + 1, c.to.data(), c.to.size());
            EXPECT_NE(ExifTool({"-validate", "-warning", "-a", path}).find("Bad CRC"),
                      std::string::npos)
                << c.name << ": the change went unseen";
            for (const ChecksumPlace& place : map.checksums) {
                if (!place.covered.contains({static_cast<std::int64_t>(at) + 1, 1})) continue;
                const std::uint32_t crc = Crc32(file, place.covered);
                const unsigned char be[4] = {
                    static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
                    static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)};
                file.write(place.position, be, 4);
            }
        }
        EXPECT_EQ(ExifTool({"-validate", "-warning", "-a", path}).find("Bad CRC"),
                  std::string::npos)
            << c.name;
        EXPECT_EQ(ExifTool({"-s3", c.tag, path}), c.to + "\n") << c.name;
    }
}

TEST(CutFile, SamplesAtEveryLength) {
    const std::string samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    CutAtEveryLength(test::ReadBytes(samples + "dates.png"), MapPng, 8);
    CutAtEveryLength(test::ReadBytes(samples + "PNG.png"), MapPng, 8);
}

}  // namespace
}  // namespace tovrin
