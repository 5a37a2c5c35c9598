// The map of ISO base media files (HEIF, HEIC, AVIF, CR3, QuickTime, MP4):
// the kind by the brands, the EXIF blocks, XMP, movie times and date texts at
// the bytes that hold them, every span inside the file and inside its box,
// and a damaged or crafted file read as far as it is sound, never past its
// end and never without end. The real samples are checked against ExifTool.
#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "exif/byte_access.h"
#include "exif/container.h"
#include "exif/exif_walk.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "run_process.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

// ---- building boxes ----------------------------------------------------------

Bytes Be(std::uint64_t v, int n) {
    Bytes b;
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return b;
}
Bytes U8(std::uint64_t v) { return Be(v, 1); }
Bytes U16(std::uint64_t v) { return Be(v, 2); }
Bytes U32(std::uint64_t v) { return Be(v, 4); }
Bytes U64(std::uint64_t v) { return Be(v, 8); }
Bytes Str(std::string_view s) { return Bytes(s.begin(), s.end()); }
Bytes CStr(std::string_view s) {
    Bytes b = Str(s);
    b.push_back(0);
    return b;
}
Bytes Zeros(std::size_t n) { return Bytes(n, 0); }
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
Bytes Box(std::string_view type, const Bytes& payload) {
    return Cat({U32(8 + payload.size()), Str(type), payload});
}
Bytes FullBox(std::string_view type, int version, std::uint32_t flags, const Bytes& payload) {
    return Box(type, Cat({U8(static_cast<std::uint64_t>(version)), Be(flags, 3), payload}));
}
using Uuid = std::array<unsigned char, 16>;
Bytes UuidBox(const Uuid& id, const Bytes& payload) {
    return Cat({U32(24 + payload.size()), Str("uuid"), Bytes(id.begin(), id.end()), payload});
}
const Uuid CanonUuid{0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                     0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
const Uuid PreviewUuid{0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                       0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
const Uuid XmpUuid{0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                   0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};
const std::string Day =
    "\xA9"
    "day";

// A TIFF header and an empty IFD0: enough for a block to begin.
Bytes SmallTiff(bool intel) {
    return intel ? Cat({Str("II"), Bytes{42, 0, 8, 0, 0, 0}, Zeros(6)})
                 : Cat({Str("MM"), Bytes{0, 42, 0, 0, 0, 8}, Zeros(6)});
}
const std::string XmpText = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";

std::int64_t Find(const Bytes& bytes, const Bytes& what, std::size_t from = 0) {
    const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                                what.begin(), what.end());
    return at == bytes.end() ? -1 : at - bytes.begin();
}

// ---- a small HEIF ---------------------------------------------------------------

// What a case changes in the HEIF the builder makes.
struct HeifShape {
    std::string major = "heic";
    int ilocVersion = 1;
    std::uint16_t exifMethod = 0;
    std::uint16_t exifExtents = 1;
    std::uint32_t exifPrefix = 6;      // the offset before the TIFF header
    std::uint64_t exifBase = 0;        // iloc's base offset of the Exif item
    std::int64_t exifOffsetShift = 0;  // added to the Exif extent's offset
    bool exifLengthZero = false;       // "to the end"
    std::uint32_t iinfCount = 3;       // as stated; three entries follow
    std::uint16_t exifProtection = 0;
    std::string xmpEncoding;  // the XMP item's content_encoding
    bool xmpOnExif = false;   // the XMP item's extent is the Exif item's
    bool locateExif = true;   // iloc lists the Exif item
    int ilocOffsetSize = 4;
};

struct Heif {
    Bytes bytes;
    std::int64_t exif = 0;  // 0-based: the Exif item, its TIFF header, the XMP item
    std::int64_t tiff = 0;
    std::int64_t exifSize = 0;
    std::int64_t xmp = 0;
    std::int64_t xmpSize = 0;
};

Heif MakeHeif(const HeifShape& shape = {}) {
    const Bytes image = Bytes(32, 0x55);
    const Bytes exifItem = Cat({U32(6), CStr("Exif"), U8(0), SmallTiff(false)});
    Bytes exifData = exifItem;
    exifData[3] = static_cast<unsigned char>(shape.exifPrefix);
    exifData[2] = static_cast<unsigned char>(shape.exifPrefix >> 8);
    exifData[1] = static_cast<unsigned char>(shape.exifPrefix >> 16);
    exifData[0] = static_cast<unsigned char>(shape.exifPrefix >> 24);
    const Bytes xmpData = Str(XmpText);
    const Bytes ftyp = Box("ftyp", Cat({Str(shape.major), U32(0), Str("mif1"), Str(shape.major)}));

    const auto meta = [&](std::uint64_t mdatData) {
        const std::uint64_t imageAt = mdatData;
        const std::uint64_t exifAt = imageAt + image.size();
        const std::uint64_t xmpAt = exifAt + exifData.size();
        const Bytes hdlr = FullBox("hdlr", 0, 0, Cat({U32(0), Str("pict"), Zeros(12), CStr("")}));
        const Bytes pitm = FullBox("pitm", 0, 0, U16(1));
        const Bytes iinf =
            FullBox("iinf", 0, 0,
                    Cat({U16(shape.iinfCount),
                         FullBox("infe", 2, 0, Cat({U16(1), U16(0), Str("hvc1"), CStr("")})),
                         FullBox("infe", 2, 0,
                                 Cat({U16(2), U16(shape.exifProtection), Str("Exif"), CStr("")})),
                         FullBox("infe", 2, 0,
                                 Cat({U16(3), U16(0), Str("mime"), CStr("XMP"),
                                      CStr("application/rdf+xml"), CStr(shape.xmpEncoding)}))}));
        const Bytes iref = FullBox("iref", 0, 0, Box("cdsc", Cat({U16(2), U16(1), U16(1)})));
        // The primary's size is the smaller one: the larger belongs to no item.
        const Bytes iprp =
            Box("iprp", Cat({Box("ipco", Cat({FullBox("ispe", 0, 0, Cat({U32(64), U32(48)})),
                                              FullBox("ispe", 0, 0, Cat({U32(640), U32(480)}))})),
                             FullBox("ipma", 0, 0, Cat({U32(1), U16(1), U8(1), U8(0x81)}))}));
        const int v = shape.ilocVersion;
        const int os = shape.ilocOffsetSize;
        const auto entry = [&](std::uint64_t id, std::uint16_t method, std::uint64_t base,
                               std::vector<std::pair<std::uint64_t, std::uint64_t>> extents) {
            Bytes e = Cat({v < 2 ? U16(id) : U32(id)});
            if (v >= 1) e = Cat({e, U16(method)});
            e = Cat({e, U16(0), U64(base), U16(extents.size())});
            for (const auto& [offset, length] : extents)
                e = Cat({e, Be(offset, os == 3 ? 4 : os), U32(length)});
            return e;
        };
        std::uint64_t exifOffset =
            exifAt - shape.exifBase + static_cast<std::uint64_t>(shape.exifOffsetShift);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> exifExtents;
        if (shape.exifExtents == 2) {
            exifExtents = {{exifOffset, 8}, {exifOffset + 8, exifData.size() - 8}};
        } else {
            exifExtents = {{exifOffset, shape.exifLengthZero ? 0 : exifData.size()}};
        }
        Bytes items = entry(1, 0, 0, {{imageAt, image.size()}});
        if (shape.locateExif)
            items = Cat({items, entry(2, shape.exifMethod, shape.exifBase, exifExtents)});
        items = Cat({items, shape.xmpOnExif ? entry(3, 0, 0, {{exifAt, exifData.size()}})
                                            : entry(3, 0, 0, {{xmpAt, xmpData.size()}})});
        const std::uint16_t count = shape.locateExif ? 3 : 2;
        const Bytes iloc = FullBox("iloc", v, 0,
                                   Cat({U8(static_cast<std::uint64_t>(os << 4 | 4)), U8(0x80),
                                        v < 2 ? U16(count) : U32(count), items}));
        return FullBox("meta", 0, 0, Cat({hdlr, pitm, iinf, iref, iprp, iloc}));
    };
    const std::size_t metaSize = meta(0).size();
    const std::uint64_t mdatData = ftyp.size() + metaSize + 8;
    Heif h;
    h.bytes = Cat({ftyp, meta(mdatData), Box("mdat", Cat({image, exifData, xmpData}))});
    h.exif = static_cast<std::int64_t>(mdatData + image.size());
    h.tiff = h.exif + 10;
    h.exifSize = static_cast<std::int64_t>(exifData.size());
    h.xmp = h.exif + h.exifSize;
    h.xmpSize = static_cast<std::int64_t>(xmpData.size());
    return h;
}

// ---- a small QuickTime movie and a small CR3 --------------------------------------

constexpr std::uint64_t Created = 3206613834;   // 2005:08:11 14:03:54
constexpr std::uint64_t Modified = 3363349439;  // 2010:07:30 15:43:59
const std::string UserDay = "2005-08-11";
const std::string ItemDay = "2010";
const std::string KeysDay = "2005-08-11T14:03:54+0200";

struct MovieShape {
    std::string major = "qt  ";
    bool ftyp = true;
    int mvhdVersion = 0;
    int tkhdVersion = 0;
};

Bytes Mvhd(int version) {
    if (version == 1)
        return FullBox("mvhd", 1, 0,
                       Cat({U64(Created), U64(Modified), U32(600), U64(2980), Zeros(80)}));
    return FullBox("mvhd", version, 0,
                   Cat({U32(Created), U32(Modified), U32(600), U32(2980), Zeros(80)}));
}

Bytes Trak(int version, const char* handler, std::uint32_t width, std::uint32_t height) {
    const Bytes matrix = Zeros(36);
    const Bytes tkhd =
        version == 1
            ? FullBox("tkhd", 1, 15,
                      Cat({U64(Created), U64(Modified), U32(1), U32(0), U64(2980), Zeros(8),
                           Zeros(8), matrix, U32(width << 16), U32(height << 16)}))
            : FullBox("tkhd", 0, 15,
                      Cat({U32(Created), U32(Modified), U32(1), U32(0), U32(2980), Zeros(8),
                           Zeros(8), matrix, U32(width << 16), U32(height << 16)}));
    const Bytes mdhd =
        FullBox("mdhd", 0, 0, Cat({U32(Created), U32(Modified), U32(600), U32(2980), U32(0)}));
    const Bytes hdlr = FullBox("hdlr", 0, 0, Cat({Str("mhlr"), Str(handler), Zeros(12), U8(0)}));
    return Box("trak", Cat({tkhd, Box("mdia", Cat({mdhd, hdlr}))}));
}

std::string KeyIndex(std::uint32_t index) {
    const Bytes b = U32(index);
    return std::string(b.begin(), b.end());
}

Bytes MakeMovie(const MovieShape& shape = {}) {
    const Bytes udta = Box(
        "udta",
        Cat({Box(Day, Cat({U16(UserDay.size()), U16(0x55C4), Str(UserDay)})),
             Box("XMP_", Str(XmpText)),
             FullBox(
                 "meta", 0, 0,
                 Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdir"), Str("appl"), Zeros(9)})),
                      Box("ilst", Box(Day, FullBox("data", 0, 1, Cat({U32(0), Str(ItemDay)}))))})),
             U32(0)}));  // QuickTime's terminator
    // QuickTime's own meta: no version and flags before its children.
    const std::string make = "com.apple.quicktime.make";
    const std::string creation = "com.apple.quicktime.creationdate";
    const Bytes keys = FullBox("keys", 0, 0,
                               Cat({U32(2), U32(8 + make.size()), Str("mdta"), Str(make),
                                    U32(8 + creation.size()), Str("mdta"), Str(creation)}));
    // Its entries are named by the 1-based index of their key.
    const Bytes ilst =
        Box("ilst", Cat({Box(KeyIndex(1), FullBox("data", 0, 1, Cat({U32(0), Str("Apple")}))),
                         Box(KeyIndex(2), FullBox("data", 0, 1, Cat({U32(0), Str(KeysDay)})))}));
    const Bytes meta = Box(
        "meta", Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdta"), Zeros(13)})), keys, ilst}));
    const Bytes moov =
        Box("moov", Cat({Mvhd(shape.mvhdVersion), Trak(shape.tkhdVersion, "soun", 0, 0),
                         Trak(shape.tkhdVersion, "vide", 320, 240), udta, meta}));
    const Bytes ftyp =
        shape.ftyp ? Box("ftyp", Cat({Str(shape.major), U32(0), Str(shape.major)})) : Bytes{};
    return Cat(
        {ftyp, Box("wide", {}), moov, UuidBox(XmpUuid, Str(XmpText)), Box("mdat", Zeros(16))});
}

const Bytes SmallJpeg = Cat({Bytes{0xFF, 0xD8}, Zeros(10), Bytes{0xFF, 0xD9}});
const Bytes LargeJpeg = Cat({Bytes{0xFF, 0xD8}, Bytes(40, 0x11), Bytes{0xFF, 0xD9}});

Bytes MakeCr3(bool preview = true) {
    const Bytes canon =
        UuidBox(CanonUuid, Cat({Box("CNCV", Str("CanonCR3_001/00.09.00/00.00.00")),
                                Box("CMT1", SmallTiff(true)), Box("CMT2", SmallTiff(true)),
                                Box("CMT3", SmallTiff(true)), Box("CMT4", SmallTiff(true)),
                                Box("THMB", Cat({U32(0), U16(160), U16(120), U32(SmallJpeg.size()),
                                                 U16(1), U16(0), SmallJpeg}))}));
    const Bytes moov = Box("moov", Cat({canon, Mvhd(0), Trak(0, "vide", 6000, 4000)}));
    const Bytes prvw =
        Box("PRVW",
            Cat({U32(0), U16(1), U16(1620), U16(1080), U16(1), U32(LargeJpeg.size()), LargeJpeg}));
    return Cat({Box("ftyp", Cat({Str("crx "), U32(1), Str("crx "), Str("isom")})), moov,
                UuidBox(XmpUuid, Str(XmpText)),
                preview ? UuidBox(PreviewUuid, Cat({U64(1), prvw})) : Bytes{},
                Box("mdat", Zeros(16))});
}

// ---- reading the map -----------------------------------------------------------------

ContainerMap MapBytes(const Bytes& bytes) {
    test::TempDir dir;
    PhotoFile file(dir.write("file.bin", bytes), PhotoFile::Mode::Read);
    return MapContainer(file);
}

std::string At(const Bytes& bytes, const ByteSpan& span) {
    return std::string(bytes.begin() + span.first - 1, bytes.begin() + span.end() - 1);
}
std::uint64_t Number(const Bytes& bytes, const ByteSpan& span) {
    std::uint64_t v = 0;
    for (std::int64_t i = span.first - 1; i < span.end() - 1; ++i)
        v = (v << 8) | bytes[static_cast<std::size_t>(i)];
    return v;
}

// Every span of the map lies inside a file of `size` bytes, and none is empty.
void ExpectInside(const ContainerMap& map, std::int64_t size) {
    const ByteSpan file{1, size};
    const auto inside = [&](const ByteSpan& s, const std::string& what) {
        EXPECT_TRUE(file.contains(s) && s.size > 0)
            << what << " at " << s.first << " +" << s.size << " in " << size << " bytes";
    };
    for (const ExifBlock& b : map.exif) {
        inside(b.app1, "an EXIF block");
        EXPECT_TRUE(b.app1.contains({b.tiffBase, 8})) << "a TIFF header outside its block";
    }
    for (const ByteSpan& x : map.xmp) inside(x, "XMP");
    for (const MovieTime& t : map.movieTimes) {
        inside(t.bytes, t.place);
        EXPECT_TRUE(t.bytes.size == 4 || t.bytes.size == 8) << t.place;
    }
    for (const MovieText& t : map.movieTexts) inside(t.text, t.place);
    if (map.preview) inside(*map.preview, "the preview");
    for (const std::string& p : map.problems)
        EXPECT_NE(p, "a read outside the file") << "the walk read past the end";
}

bool Mentions(const std::vector<std::string>& texts, std::string_view word) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(word) != std::string::npos; });
}

// ---- sound synthetic files ----------------------------------------------------------

TEST(IsoHeif, ExifAndXmpItemsAndThePrimarySize) {
    const Heif h = MakeHeif();
    const ContainerMap map = MapBytes(h.bytes);
    EXPECT_EQ(map.kind, FileKind::Heif);
    EXPECT_TRUE(map.problems.empty()) << map.problems.front();
    EXPECT_TRUE(map.notes.empty()) << map.notes.front();
    ASSERT_EQ(map.exif.size(), 1u);
    const ExifBlock& b = map.exif[0];
    EXPECT_EQ(b.app1.first, h.exif + 1);
    EXPECT_EQ(b.app1.size, h.exifSize);
    EXPECT_EQ(b.tiffBase, h.tiff + 1);
    EXPECT_EQ(At(h.bytes, {b.tiffBase, 2}), "MM");
    EXPECT_EQ(b.container, ExifBlock::Container::Jpeg);
    EXPECT_EQ(b.holds, ExifBlock::Holds::Ifd0AndExif);
    EXPECT_EQ(b.magic, 42);
    ASSERT_EQ(map.xmp.size(), 1u);
    EXPECT_EQ(At(h.bytes, map.xmp[0]), XmpText);
    // The primary item's ispe, not the largest.
    EXPECT_EQ(map.width, 64);
    EXPECT_EQ(map.height, 48);
    EXPECT_TRUE(map.movieTimes.empty());
    ExpectInside(map, static_cast<std::int64_t>(h.bytes.size()));
}

TEST(IsoHeif, EveryItemLocationVersionAndOffsetSize) {
    for (int version = 0; version <= 2; ++version) {
        for (int offsetSize : {4, 8}) {
            HeifShape shape;
            shape.ilocVersion = version;
            shape.ilocOffsetSize = offsetSize;
            const Heif h = MakeHeif(shape);
            const ContainerMap map = MapBytes(h.bytes);
            SCOPED_TRACE("iloc version " + std::to_string(version) + ", offsets of " +
                         std::to_string(offsetSize));
            EXPECT_TRUE(map.problems.empty());
            ASSERT_EQ(map.exif.size(), 1u);
            EXPECT_EQ(map.exif[0].tiffBase, h.tiff + 1);
            ASSERT_EQ(map.xmp.size(), 1u);
            EXPECT_EQ(At(h.bytes, map.xmp[0]), XmpText);
        }
    }
}

TEST(IsoHeif, ABaseOffsetAndAnOffsetOfZeroBeforeTheHeader) {
    HeifShape shape;
    shape.exifBase = 20;
    const Heif based = MakeHeif(shape);
    ContainerMap map = MapBytes(based.bytes);
    ASSERT_EQ(map.exif.size(), 1u);
    EXPECT_EQ(map.exif[0].tiffBase, based.tiff + 1);

    // AVIF writers store the header right after the offset: an offset of 0.
    Heif h = MakeHeif();
    const Bytes item = Cat({U32(0), SmallTiff(true)});
    std::copy(item.begin(), item.end(), h.bytes.begin() + h.exif);
    map = MapBytes(h.bytes);
    ASSERT_EQ(map.exif.size(), 1u);
    EXPECT_EQ(map.exif[0].tiffBase, h.exif + 4 + 1);
    EXPECT_EQ(At(h.bytes, {map.exif[0].tiffBase, 2}), "II");
}

TEST(IsoMovie, TimesTextsXmpAndTheVideoSize) {
    for (int version : {0, 1}) {
        MovieShape shape;
        shape.mvhdVersion = version;
        shape.tkhdVersion = version;
        const Bytes movie = MakeMovie(shape);
        const ContainerMap map = MapBytes(movie);
        SCOPED_TRACE("version " + std::to_string(version));
        EXPECT_EQ(map.kind, FileKind::QuickTime);
        EXPECT_TRUE(map.problems.empty()) << map.problems.front();
        EXPECT_TRUE(map.exif.empty());
        const std::vector<std::string> places = {
            "mvhd CreationTime",        "mvhd ModificationTime",
            "trak 1 tkhd CreationTime", "trak 1 tkhd ModificationTime",
            "trak 1 mdhd CreationTime", "trak 1 mdhd ModificationTime",
            "trak 2 tkhd CreationTime", "trak 2 tkhd ModificationTime",
            "trak 2 mdhd CreationTime", "trak 2 mdhd ModificationTime"};
        ASSERT_EQ(map.movieTimes.size(), places.size());
        for (std::size_t i = 0; i < places.size(); ++i) {
            const MovieTime& t = map.movieTimes[i];
            EXPECT_EQ(t.place, places[i]);
            EXPECT_EQ(t.creation, places[i].find("Creation") != std::string::npos);
            // mdhd stays version 0 in this movie.
            const bool wide = version == 1 && t.place.find("mdhd") == std::string::npos;
            EXPECT_EQ(t.bytes.size, wide ? 8 : 4) << t.place;
            EXPECT_EQ(Number(movie, t.bytes), t.creation ? Created : Modified) << t.place;
        }
        std::map<std::string, std::string> texts;
        for (const MovieText& t : map.movieTexts) texts[t.place] = At(movie, t.text);
        EXPECT_EQ(texts, (std::map<std::string, std::string>{
                             {"udta \xC2\xA9"
                              "day",
                              UserDay},
                             {"udta meta ilst \xC2\xA9"
                              "day",
                              ItemDay},
                             {"meta com.apple.quicktime.creationdate", KeysDay}}));
        ASSERT_EQ(map.xmp.size(), 2u);
        for (const ByteSpan& x : map.xmp) EXPECT_EQ(At(movie, x), XmpText);
        EXPECT_EQ(map.width, 320);
        EXPECT_EQ(map.height, 240);
        ExpectInside(map, static_cast<std::int64_t>(movie.size()));
    }
}

TEST(IsoCr3, CmtBlocksMovieTimesAndTheLargestPreview) {
    const Bytes cr3 = MakeCr3();
    const ContainerMap map = MapBytes(cr3);
    EXPECT_EQ(map.kind, FileKind::Cr3);
    EXPECT_TRUE(map.problems.empty()) << map.problems.front();
    ASSERT_EQ(map.exif.size(), 2u);
    const std::int64_t cmt1 = Find(cr3, Str("CMT1")) + 4 + 1;
    const std::int64_t cmt2 = Find(cr3, Str("CMT2")) + 4 + 1;
    EXPECT_EQ(map.exif[0].tiffBase, cmt1);
    EXPECT_EQ(map.exif[0].app1.first, cmt1);
    EXPECT_EQ(map.exif[0].app1.size, 14);
    EXPECT_EQ(map.exif[0].holds, ExifBlock::Holds::Ifd0Only);
    EXPECT_EQ(map.exif[1].tiffBase, cmt2);
    EXPECT_EQ(map.exif[1].holds, ExifBlock::Holds::ExifOnly);
    EXPECT_EQ(map.movieTimes.size(), 6u);
    ASSERT_EQ(map.xmp.size(), 1u);
    ASSERT_TRUE(map.preview.has_value());
    EXPECT_EQ(At(cr3, *map.preview), std::string(LargeJpeg.begin(), LargeJpeg.end()));
    // A raw's size is its EXIF's to tell.
    EXPECT_EQ(map.width, 0);
    ExpectInside(map, static_cast<std::int64_t>(cr3.size()));

    const ContainerMap thumbnailOnly = MapBytes(MakeCr3(false));
    ASSERT_TRUE(thumbnailOnly.preview.has_value());
    EXPECT_EQ(thumbnailOnly.preview->size, static_cast<std::int64_t>(SmallJpeg.size()));
}

// ---- the kind by the brands -------------------------------------------------------------

struct Brands {
    const char* name;
    Bytes first;  // the first box
    FileKind kind;
};

void PrintTo(const Brands& b, std::ostream* os) { *os << b.name; }

class KindByBrands : public ::testing::TestWithParam<Brands> {};

TEST_P(KindByBrands, IsTold) {
    const Bytes file = Cat({GetParam().first, Box("mdat", Zeros(8))});
    const ContainerMap map = MapBytes(file);
    EXPECT_EQ(map.kind, GetParam().kind);
    if (map.kind == FileKind::Unknown) {
        EXPECT_TRUE(map.problems.empty() && map.notes.empty()) << "a file of no kind is not mapped";
    }
}

Bytes Ftyp(const std::string& major, std::initializer_list<const char*> compatible) {
    Bytes b = Cat({Str(major), U32(0)});
    for (const char* c : compatible) b = Cat({b, Str(c)});
    return Box("ftyp", b);
}

INSTANTIATE_TEST_SUITE_P(
    Files, KindByBrands,
    ::testing::Values(Brands{"Cr3", Ftyp("crx ", {"crx ", "isom"}), FileKind::Cr3},
                      Brands{"Cr3Compatible", Ftyp("isom", {"crx "}), FileKind::Cr3},
                      Brands{"CanonHeifStaysHeif", Ftyp("heix", {"mif1", "crx "}), FileKind::Heif},
                      Brands{"Heic", Ftyp("heic", {"mif1", "heic"}), FileKind::Heif},
                      Brands{"Avif", Ftyp("avif", {"mif1", "avif", "miaf"}), FileKind::Heif},
                      Brands{"AvifSequence", Ftyp("avis", {"msf1"}), FileKind::Heif},
                      Brands{"HeifByCompatible", Ftyp("MiHE", {"MiPr", "mif1"}), FileKind::Heif},
                      Brands{"QuickTime", Ftyp("qt  ", {"qt  "}), FileKind::QuickTime},
                      Brands{"Mp4", Ftyp("isom", {"iso2", "avc1", "mp41"}), FileKind::QuickTime},
                      Brands{"M4v", Ftyp("M4V ", {"M4V ", "mp42", "isom"}), FileKind::QuickTime},
                      Brands{"ThreeGp", Ftyp("3gp5", {}), FileKind::QuickTime},
                      Brands{"MovieByCompatible", Ftyp("XYZW", {"mp42"}), FileKind::QuickTime},
                      Brands{"LargeSizeFtyp",
                             Cat({U32(1), Str("ftyp"), U64(24), Str("heic"), U32(0)}),
                             FileKind::Heif},
                      Brands{"OldQuickTimeMoov", Box("moov", Mvhd(0)), FileKind::QuickTime},
                      Brands{"OldQuickTimeWide", Box("wide", {}), FileKind::QuickTime},
                      Brands{"OldQuickTimeSkip", Box("skip", Zeros(4)), FileKind::QuickTime},
                      Brands{"OldQuickTimePnot", Box("pnot", Zeros(12)), FileKind::QuickTime},
                      Brands{"UnknownBrand", Ftyp("abcd", {"efgh"}), FileKind::Unknown},
                      Brands{"FtypWithoutBrand", Box("ftyp", Zeros(2)), FileKind::Unknown},
                      Brands{"FtypSmallerThanItsHeader",
                             Cat({U32(4), Str("ftyp"), Str("heic"), U32(0)}), FileKind::Unknown},
                      Brands{"NoBoxAtAll", Str("This is a text file."), FileKind::Unknown},
                      Brands{"OtherFirstBox", Box("abcd", Zeros(8)), FileKind::Unknown}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- damaged and crafted files ------------------------------------------------------------

// A file that is read as far as it is sound: what the map must hold.
struct Crafted {
    const char* name;
    std::function<Bytes()> make;
    bool problem;           // a problem is reported
    std::string word;       // a problem or note mentions it ("" for none)
    std::size_t exif = 0;   // EXIF blocks still found
    std::size_t times = 0;  // movie times still found
};

void PrintTo(const Crafted& c, std::ostream* os) { *os << c.name; }

class CraftedFile : public ::testing::TestWithParam<Crafted> {};

TEST_P(CraftedFile, IsReadAsFarAsItIsSound) {
    const Bytes bytes = GetParam().make();
    const auto start = std::chrono::steady_clock::now();
    const ContainerMap map = MapBytes(bytes);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(10)) << "the walk did not stop within its bound";
    EXPECT_NE(map.kind, FileKind::Unknown);
    EXPECT_EQ(!map.problems.empty(), GetParam().problem)
        << (map.problems.empty() ? std::string("no problem") : map.problems.front());
    if (!GetParam().word.empty()) {
        EXPECT_TRUE(Mentions(map.problems, GetParam().word) || Mentions(map.notes, GetParam().word))
            << "nothing says " << GetParam().word;
    }
    EXPECT_EQ(map.exif.size(), GetParam().exif);
    EXPECT_EQ(map.movieTimes.size(), GetParam().times);
    ExpectInside(map, static_cast<std::int64_t>(bytes.size()));
}

Bytes MovieWith(const Bytes& moovTail) {
    return Cat({Ftyp("qt  ", {}), Box("moov", Cat({Mvhd(0), moovTail}))});
}

HeifShape Shaped(const std::function<void(HeifShape&)>& change) {
    HeifShape shape;
    change(shape);
    return shape;
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CraftedFile,
    ::testing::Values(
        Crafted{"SizeOfTwoToThe64",
                [] {
                    return MovieWith(Cat({U32(1), Str("free"), U64(~std::uint64_t{0})}));
                },
                true, "runs past", 0, 2},
        Crafted{"LargeSizeBelowItsHeader",
                [] {
                    return MovieWith(Cat({U32(1), Str("free"), U64(15), Zeros(8)}));
                },
                true, "smaller than its header", 0, 2},
        Crafted{"SizeBelowItsHeader",
                [] {
                    return MovieWith(Cat({U32(7), Str("free"), Zeros(8)}));
                },
                true, "smaller than its header", 0, 2},
        Crafted{"UuidWithoutItsType",
                [] {
                    return MovieWith(Cat({U32(12), Str("uuid"), Zeros(4)}));
                },
                true, "smaller than its header", 0, 2},
        // A box of size 0 runs to the end of its parent, wherever it stands.
        // Only the last box of the file may run to its end: a trak of size 0
        // inside moov leaves the times before it.
        Crafted{"SizeZeroNested",
                [] {
                    Bytes trak = Trak(0, "vide", 8, 8);
                    std::fill(trak.begin(), trak.begin() + 4, 0);
                    return Cat({Ftyp("qt  ", {}), Box("moov", Cat({Mvhd(0), trak})),
                                Box("mdat", Zeros(4))});
                },
                true, "size of 0 inside", 0, 2},
        Crafted{
            "SizeZeroAtTheTop",
            [] {
                return Cat({Ftyp("qt  ", {}), Box("moov", Mvhd(0)), U32(0), Str("mdat"), Zeros(9)});
            },
            false, "", 0, 2},
        Crafted{"BoxPastItsParent",
                [] {
                    return MovieWith(Cat({U32(4000), Str("udta"), Zeros(16)}));
                },
                true, "runs past its parent", 0, 2},
        Crafted{"BoxPastTheEnd",
                [] {
                    return Cat({MovieWith({}), U32(4000), Str("mdat"), Zeros(16)});
                },
                true, "the end of the file", 0, 2},
        Crafted{"StrayBytesAtTheEnd",
                [] {
                    return Cat({MovieWith({}), Bytes{1, 2, 3}});
                },
                true, "stray bytes", 0, 2},
        // A box cut short after its first bytes.
        Crafted{"ZeroBytesAtTheEnd",
                [] {
                    return Cat({MovieWith({}), Zeros(4)});
                },
                true, "stray bytes", 0, 2},
        // QuickTime ends some user data so.
        Crafted{"ZeroBytesAtTheEndOfUserData",
                [] {
                    return MovieWith(Box("udta", Cat({Box("XMP_", Str(XmpText)), Zeros(4)})));
                },
                false, "", 0, 2},
        Crafted{"ManyTinyBoxes",
                [] {
                    const Bytes free = Box("free", {});
                    Bytes tiny;
                    tiny.reserve(200000 * free.size());
                    for (int i = 0; i < 200000; ++i)
                        tiny.insert(tiny.end(), free.begin(), free.end());
                    return Cat({Ftyp("qt  ", {}), Box("moov", Cat({Mvhd(0), tiny}))});
                },
                true, "not read", 0, 2},
        Crafted{"ManyTinyBoxesAtTheTop",
                [] {
                    const Bytes skip = Box("skip", {});
                    Bytes file = Ftyp("isom", {});
                    for (int i = 0; i < 200000; ++i)
                        file.insert(file.end(), skip.begin(), skip.end());
                    return Cat({file, Box("moov", Mvhd(0))});
                },
                true, "not read", 0, 0},
        Crafted{"TwoMovies",
                [] {
                    return Cat({MovieWith({}), Box("moov", Mvhd(0))});
                },
                true, "two", 0, 2},
        Crafted{
            "MovieHeaderCut",
            [] {
                return Cat({Ftyp("qt  ", {}), Box("moov", FullBox("mvhd", 0, 0, U32(Created)))});
            },
            true, "too short", 0, 0},
        Crafted{"MovieHeaderOfVersion2",
                [] {
                    return Cat({Ftyp("qt  ", {}), Box("moov", FullBox("mvhd", 2, 0, Zeros(96)))});
                },
                false, "version 2", 0, 0},
        Crafted{"TextPastItsBox",
                [] {
                    return MovieWith(Box("udta", Box(Day, Cat({U16(50), U16(0), Str("2005")}))));
                },
                true, "runs past", 0, 2},
        Crafted{"KeyPastItsBox",
                [] {
                    return MovieWith(Box(
                        "meta", Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdta"), Zeros(13)})),
                                     FullBox("keys", 0, 0, Cat({U32(1), U32(400), Str("mdta")})),
                                     Box("ilst", {})})));
                },
                true, "key", 0, 2},
        Crafted{"KeysCountHuge",
                [] {
                    return MovieWith(Box(
                        "meta", Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdta"), Zeros(13)})),
                                     FullBox("keys", 0, 0, U32(0xFFFFFFFF)), Box("ilst", {})})));
                },
                true, "keys", 0, 2},
        Crafted{"DataOfAnotherType",
                [] {
                    return MovieWith(Box(
                        "udta",
                        Box("meta",
                            Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdir"), Zeros(9)})),
                                 Box("ilst",
                                     Box(Day, FullBox("data", 0, 2, Cat({U32(0), Zeros(8)}))))}))));
                },
                false, "type 2", 0, 2}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Items, CraftedFile,
    ::testing::Values(
        Crafted{
            "ExifPastTheEnd",
            [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifOffsetShift = 100000; })).bytes; },
            true, "outside the file", 0, 0},
        Crafted{"ExifOffsetWraps",
                [] {
                    return MakeHeif(Shaped([](HeifShape& s) {
                               s.exifBase = ~std::uint64_t{0} - 7;
                               s.ilocOffsetSize = 8;
                           }))
                        .bytes;
                },
                true, "outside the file", 0, 0},
        Crafted{"ExifInsideTheMetaBox",
                [] {
                    const Heif h = MakeHeif();
                    return MakeHeif(Shaped([&](HeifShape& s) { s.exifOffsetShift = 40 - h.exif; }))
                        .bytes;
                },
                true, "media data", 0, 0},
        Crafted{"ExifInTwoExtents",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifExtents = 2; })).bytes; },
                false, "2 pieces", 0, 0},
        Crafted{"ExifInIdat",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifMethod = 1; })).bytes; },
                false, "idat", 0, 0},
        Crafted{"ExifOfAnotherItem",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifMethod = 2; })).bytes; },
                false, "another item", 0, 0},
        Crafted{
            "ExifOfLengthZero",
            [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifLengthZero = true; })).bytes; },
            true, "no stated length", 0, 0},
        Crafted{"ExifProtected",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifProtection = 1; })).bytes; },
                false, "protected", 0, 0},
        Crafted{"ExifNotLocated",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.locateExif = false; })).bytes; },
                true, "no location", 0, 0},
        Crafted{
            "ExifPrefixPastTheItem",
            [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifPrefix = 0xFFFFFFF0; })).bytes; },
            true, "TIFF header", 0, 0},
        Crafted{"ExifPrefixLeadsNowhere",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.exifPrefix = 5; })).bytes; }, true,
                "TIFF header", 0, 0},
        Crafted{"ItemCountHuge",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.iinfCount = 0xFFFF; })).bytes; },
                false, "", 1, 0},
        Crafted{
            "XmpCompressed",
            [] { return MakeHeif(Shaped([](HeifShape& s) { s.xmpEncoding = "deflate"; })).bytes; },
            false, "compressed", 1, 0},
        Crafted{"XmpOnTheExifBytes",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.xmpOnExif = true; })).bytes; },
                true, "share bytes", 1, 0},
        Crafted{"LocationFieldsOfSize3",
                [] { return MakeHeif(Shaped([](HeifShape& s) { s.ilocOffsetSize = 3; })).bytes; },
                true, "field sizes", 0, 0},
        Crafted{"MetaPastTheEnd",
                [] {
                    Heif h = MakeHeif();
                    const std::int64_t meta = Find(h.bytes, Str("meta")) - 4;
                    h.bytes[static_cast<std::size_t>(meta)] = 0x7F;
                    return h.bytes;
                },
                true, "runs past", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A file cut at every length: never a read past its end, never a span past it.
TEST(IsoCut, EveryLengthOfEachKind) {
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"HEIF", MakeHeif().bytes}, {"movie", MakeMovie()}, {"CR3", MakeCr3()}};
    test::TempDir dir;
    for (const auto& [name, whole] : files) {
        SCOPED_TRACE(name);
        std::set<std::size_t> boundaries;
        for (std::size_t at = 0; at + 4 <= whole.size();) {
            boundaries.insert(at);
            at += static_cast<std::size_t>(Number(whole, {static_cast<std::int64_t>(at) + 1, 4}));
        }
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            PhotoFile file(dir.write("cut.bin", cut), PhotoFile::Mode::Read);
            const ContainerMap map = MapContainer(file);
            ExpectInside(map, static_cast<std::int64_t>(length));
            // A cut inside a box leaves a box that runs past the end.
            if (map.kind != FileKind::Unknown && !boundaries.count(length)) {
                EXPECT_FALSE(map.problems.empty()) << "cut at " << length << " reads as sound";
            }
            if (::testing::Test::HasFailure()) {
                FAIL() << "cut at " << length;
            }
        }
    }
}

// ---- the real samples --------------------------------------------------------------------

std::string Samples() { return test::FormatSamples(); }

bool HaveExifTool() { return test::RunProcess({"exiftool", "-ver"}).exitCode == 0; }

// The dates ExifTool reads, by "Group:Tag" (the first of each), the movie
// times as stored (UTC, not turned into this machine's time).
std::map<std::string, std::string> ExifToolDates(const std::string& path) {
    const std::string out =
        test::RunProcess({"exiftool", "-a", "-G1", "-s", "-api", "QuickTimeUTC=0", "-api",
                          "TimeZone=UTC", "-time:all", "-ItemList:ContentCreateDate", path})
            .out;
    std::map<std::string, std::string> dates;
    std::size_t from = 0;
    while (from < out.size()) {
        std::size_t end = out.find('\n', from);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "[Group]   Tag   : value"
        const std::size_t close = line.find(']');
        const std::size_t colon = line.find(" : ");
        if (line.empty() || line[0] != '[' || close == std::string::npos ||
            colon == std::string::npos)
            continue;
        std::string tag = line.substr(close + 1, colon - close - 1);
        tag.erase(0, tag.find_first_not_of(' '));
        tag.erase(tag.find_last_not_of(' ') + 1);
        dates.emplace(line.substr(1, close - 1) + ":" + tag, line.substr(colon + 3));
    }
    return dates;
}

// Seconds since 1904 as "YYYY:MM:DD hh:mm:ss".
std::string DateText(std::uint64_t seconds) {
    const auto days = static_cast<std::int64_t>(seconds / 86400) - 24107;  // to 1970
    const auto rest = static_cast<std::int64_t>(seconds % 86400);
    // Days since 1970 to the civil date.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld:%02lld:%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                  static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                  static_cast<long long>(rest % 60));
    return text;
}

TEST(IsoDates, SecondsSince1904) {
    EXPECT_EQ(DateText(0), "1904:01:01 00:00:00");
    EXPECT_EQ(DateText(2082844800), "1970:01:01 00:00:00");
    EXPECT_EQ(DateText(Created), "2005:08:11 14:03:54");
}

// ExifTool's name of a movie time: "trak 2 mdhd CreationTime" is Track2:MediaCreateDate.
std::string ExifToolTimeTag(const std::string& place) {
    const bool creation = place.find("Creation") != std::string::npos;
    if (place.rfind("mvhd", 0) == 0)
        return creation ? "QuickTime:CreateDate" : "QuickTime:ModifyDate";
    const std::string track = "Track" + place.substr(5, place.find(' ', 5) - 5);
    const bool media = place.find("mdhd") != std::string::npos;
    return track + ":" + (media ? "Media" : "Track") + (creation ? "CreateDate" : "ModifyDate");
}

struct Block {
    std::int64_t tiff;  // 0-based, as ExifTool's -v3 shows them
    std::int64_t item;
    std::int64_t size;
    ExifBlock::Holds holds;
};

struct Sample {
    const char* name;
    FileKind kind;
    std::vector<Block> exif;
    std::vector<std::pair<std::int64_t, std::int64_t>> xmp;
    std::size_t times;
    std::vector<std::pair<std::string, std::int64_t>> texts;  // place, 0-based start
    std::int32_t width, height;
};

void PrintTo(const Sample& s, std::ostream* os) { *os << s.name; }

class IsoSample : public ::testing::TestWithParam<Sample> {};

TEST_P(IsoSample, MapsWhatExifToolShows) {
    const std::string samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
    const Sample& s = GetParam();
    const std::string path = samples + s.name;
    const Bytes bytes = test::ReadBytes(path);
    PhotoFile file(path, PhotoFile::Mode::Read);
    const ContainerMap map = MapContainer(file);
    EXPECT_EQ(map.kind, s.kind);
    EXPECT_TRUE(map.problems.empty()) << map.problems.front();
    EXPECT_TRUE(map.notes.empty()) << map.notes.front();
    ExpectInside(map, file.size());
    ASSERT_EQ(map.exif.size(), s.exif.size());
    for (std::size_t i = 0; i < s.exif.size(); ++i) {
        EXPECT_EQ(map.exif[i].tiffBase, s.exif[i].tiff + 1);
        EXPECT_EQ(map.exif[i].app1.first, s.exif[i].item + 1);
        EXPECT_EQ(map.exif[i].app1.size, s.exif[i].size);
        EXPECT_EQ(map.exif[i].holds, s.exif[i].holds);
    }
    ASSERT_EQ(map.xmp.size(), s.xmp.size());
    for (std::size_t i = 0; i < s.xmp.size(); ++i) {
        EXPECT_EQ(map.xmp[i].first, s.xmp[i].first + 1);
        EXPECT_EQ(map.xmp[i].size, s.xmp[i].second);
        EXPECT_EQ(At(bytes, {map.xmp[i].first, 5}), "<?xpa");
    }
    EXPECT_EQ(map.movieTimes.size(), s.times);
    ASSERT_EQ(map.movieTexts.size(), s.texts.size());
    for (std::size_t i = 0; i < s.texts.size(); ++i) {
        EXPECT_EQ(map.movieTexts[i].place, s.texts[i].first);
        EXPECT_EQ(map.movieTexts[i].text.first, s.texts[i].second + 1);
    }
    EXPECT_EQ(map.width, s.width);
    EXPECT_EQ(map.height, s.height);
    // The CR3 sample's preview and thumbnail are placeholder texts, no JPEGs.
    EXPECT_FALSE(map.preview.has_value());

    if (!HaveExifTool()) GTEST_SKIP() << "exiftool is not installed";
    const std::map<std::string, std::string> dates = ExifToolDates(path);
    const auto exiftool = [&](const std::string& tag) {
        const auto it = dates.find(tag);
        return it == dates.end() ? std::string() : it->second;
    };
    ASSERT_FALSE(dates.empty()) << "ExifTool read no dates";
    // The date texts the EXIF blocks lead to, by a walk from each header.
    const std::map<std::int16_t, std::string> dateTags = {
        {0x0132, "IFD0:ModifyDate"},
        {static_cast<std::int16_t>(0x9003), "ExifIFD:DateTimeOriginal"},
        {static_cast<std::int16_t>(0x9004), "ExifIFD:CreateDate"}};
    std::map<std::int16_t, std::string> found;
    for (const ExifBlock& b : map.exif) {
        TiffStructure tiff;
        WalkTiffStructure(file, b.tiffBase, tiff, [&](const IfdEntry& e) {
            if (!dateTags.count(e.tag)) return;
            const std::int64_t at = b.tiffBase + static_cast<std::uint32_t>(
                                                     ReadDword(file, e.position + 8, tiff.order));
            EXPECT_TRUE(b.app1.contains({at, 19})) << "a date outside its block";
            if (b.app1.contains({at, 19})) found[e.tag] = At(bytes, {at, 19});
        });
    }
    for (const auto& [tag, name] : dateTags) {
        const std::string want = exiftool(name);
        if (want.empty()) {
            EXPECT_FALSE(found.count(tag)) << name;
        } else {
            EXPECT_EQ(found[tag], want) << name;
        }
    }
    for (const MovieTime& t : map.movieTimes) {
        EXPECT_EQ(DateText(Number(bytes, t.bytes)),
                  exiftool(ExifToolTimeTag(t.place)).substr(0, 19))
            << t.place;
    }
    for (const MovieText& t : map.movieTexts)
        EXPECT_EQ(At(bytes, t.text), exiftool("ItemList:ContentCreateDate")) << t.place;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, IsoSample,
    ::testing::Values(Sample{"2021-02-13-1929.heic",
                             FileKind::Heif,
                             {{0x51af, 0x51a5, 0x93c, ExifBlock::Holds::Ifd0AndExif}},
                             {},
                             0,
                             {},
                             4032,
                             3024},
                      Sample{"heic.heic", FileKind::Heif, {}, {}, 0, {}, 1280, 854},
                      Sample{"avif.avif",
                             FileKind::Heif,
                             {{0x35802, 0x357fe, 0x52, ExifBlock::Holds::Ifd0AndExif}},
                             {},
                             0,
                             {},
                             1920,
                             1080},
                      Sample{"CanonRaw.cr3",
                             FileKind::Cr3,
                             {{0x128, 0x128, 384, ExifBlock::Holds::Ifd0Only},
                              {0x2b0, 0x2b0, 1056, ExifBlock::Holds::ExifOnly}},
                             {{0x2b14, 311}},
                             18,
                             {},
                             0,
                             0},
                      Sample{"QuickTime.mov",
                             FileKind::QuickTime,
                             {},
                             {{0x92c, 704}},
                             10,
                             {{"udta meta ilst \xC2\xA9"
                               "day",
                               0xed6}},
                             320,
                             240}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(),
            [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

}  // namespace
}  // namespace tovrin
