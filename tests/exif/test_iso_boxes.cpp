// The map of ISO base media files (HEIF, HEIC, AVIF, CR3, QuickTime, MP4) on
// crafted layouts: the kind by the brands, the items, blocks, movie times and
// date texts at the bytes that hold them, and a damaged or crafted file read
// as far as it is sound, never past its end and never without end. What the
// real samples hold, and how a write changes them, is checked against
// ExifTool in test_formats.cpp.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "exif/container.h"
#include "exif/movie_time.h"
#include "exif/photo_file.h"
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

std::int64_t Find(const Bytes& bytes, const Bytes& what) {
    const auto at = std::search(bytes.begin(), bytes.end(), what.begin(), what.end());
    return at == bytes.end() ? -1 : at - bytes.begin();
}

// ---- a small HEIF ---------------------------------------------------------------

// What a case changes in the HEIF the builder makes.
struct HeifShape {
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
    std::int64_t exif = 0;  // 0-based: the Exif item, its TIFF header
    std::int64_t tiff = 0;
    std::int64_t exifSize = 0;
};

Heif MakeHeif(const HeifShape& shape = {}) {
    const Bytes image = Bytes(32, 0x55);
    const Bytes exifData = Cat({U32(shape.exifPrefix), CStr("Exif"), U8(0), SmallTiff(false)});
    const Bytes xmpData = Str(XmpText);
    const Bytes ftyp = Box("ftyp", Cat({Str("heic"), U32(0), Str("mif1"), Str("heic")}));

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
        const std::uint64_t exifOffset =
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
    return h;
}

// ---- a small QuickTime movie and a small CR3 --------------------------------------

constexpr std::uint64_t Created = 3206613834;   // 2005:08:11 14:03:54
constexpr std::uint64_t Modified = 3363349439;  // 2010:07:30 15:43:59
const std::string UserDay = "2005-08-11";
const std::string ItemDay = "2010";
const std::string KeysDay = "2005-08-11T14:03:54+0200";

// A time or a duration of a header of this version: 64 bits in version 1.
Bytes Wide(int version, std::uint64_t v) { return version == 1 ? U64(v) : U32(v); }

Bytes Mvhd(int version) {
    return FullBox("mvhd", version, 0,
                   Cat({Wide(version, Created), Wide(version, Modified), U32(600),
                        Wide(version, 2980), Zeros(80)}));
}

Bytes Trak(int version, const char* handler, std::uint32_t width, std::uint32_t height) {
    const Bytes tkhd = FullBox(
        "tkhd", version, 15,
        Cat({Wide(version, Created), Wide(version, Modified), U32(1), U32(0), Wide(version, 2980),
             Zeros(16), Zeros(36), U32(width << 16), U32(height << 16)}));
    const Bytes mdhd =
        FullBox("mdhd", 0, 0, Cat({U32(Created), U32(Modified), U32(600), U32(2980), U32(0)}));
    const Bytes hdlr = FullBox("hdlr", 0, 0, Cat({Str("mhlr"), Str(handler), Zeros(12), U8(0)}));
    return Box("trak", Cat({tkhd, Box("mdia", Cat({mdhd, hdlr}))}));
}

std::string KeyIndex(std::uint32_t index) {
    const Bytes b = U32(index);
    return std::string(b.begin(), b.end());
}

// mvhd and both tracks' tkhd of `version`, mdhd of version 0.
Bytes MakeMovie(int version = 0) {
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
    const Bytes moov = Box("moov", Cat({Mvhd(version), Trak(version, "soun", 0, 0),
                                        Trak(version, "vide", 320, 240), udta, meta}));
    const Bytes ftyp = Box("ftyp", Cat({Str("qt  "), U32(0), Str("qt  ")}));
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

// The Exif and XMP items wherever iloc's layout puts them, and the size of
// the primary item's ispe, not of the largest.
TEST(IsoHeif, ItemsInEveryLocationLayout) {
    std::vector<HeifShape> shapes;
    for (int version = 0; version <= 2; ++version) {
        for (int offsetSize : {4, 8}) {
            HeifShape shape;
            shape.ilocVersion = version;
            shape.ilocOffsetSize = offsetSize;
            shapes.push_back(shape);
        }
    }
    shapes.emplace_back().exifBase = 20;
    for (const HeifShape& shape : shapes) {
        SCOPED_TRACE("iloc version " + std::to_string(shape.ilocVersion) + ", offsets of " +
                     std::to_string(shape.ilocOffsetSize) + ", base " +
                     std::to_string(shape.exifBase));
        const Heif h = MakeHeif(shape);
        const ContainerMap map = MapBytes(h.bytes);
        EXPECT_EQ(map.kind, FileKind::Heif);
        EXPECT_TRUE(map.problems.empty() && map.notes.empty());
        ASSERT_EQ(map.exif.size(), 1u);
        EXPECT_EQ(map.exif[0].app1.first, h.exif + 1);
        EXPECT_EQ(map.exif[0].app1.size, h.exifSize);
        EXPECT_EQ(map.exif[0].tiffBase, h.tiff + 1);
        EXPECT_EQ(map.exif[0].holds, ExifBlock::Holds::Ifd0AndExif);
        ASSERT_EQ(map.xmp.size(), 1u);
        EXPECT_EQ(At(h.bytes, map.xmp[0]), XmpText);
        EXPECT_EQ(map.width, 64);
        EXPECT_EQ(map.height, 48);
        EXPECT_TRUE(map.movieTimes.empty());
    }
}

// Version 0 headers keep 32-bit times, version 1 64-bit ones.
TEST(IsoMovie, TimesTextsXmpAndTheVideoSize) {
    for (int version : {0, 1}) {
        const Bytes movie = MakeMovie(version);
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

// CMT1 and CMT2 only (CMT3 and CMT4 are maker notes), and the largest JPEG
// of PRVW and THMB as the preview.
TEST(IsoCr3, CmtBlocksAndTheLargestPreview) {
    const Bytes cr3 = MakeCr3();
    const ContainerMap map = MapBytes(cr3);
    EXPECT_EQ(map.kind, FileKind::Cr3);
    EXPECT_TRUE(map.problems.empty()) << map.problems.front();
    ASSERT_EQ(map.exif.size(), 2u);
    EXPECT_EQ(map.exif[0].tiffBase, Find(cr3, Str("CMT1")) + 4 + 1);
    EXPECT_EQ(map.exif[0].holds, ExifBlock::Holds::Ifd0Only);
    EXPECT_EQ(map.exif[1].tiffBase, Find(cr3, Str("CMT2")) + 4 + 1);
    EXPECT_EQ(map.exif[1].holds, ExifBlock::Holds::ExifOnly);
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

// A file that is read as far as it is sound: what the map must hold. Layouts
// the fuzz seeds hold and their judge catches (a text past its box, a cut
// mvhd) are judged there; a box past its parent or the end of the file is
// IsoCut's.
struct Crafted {
    const char* name;
    Bytes bytes;
    bool problem;           // a problem is reported
    std::string word;       // a problem or note mentions it ("" for none)
    std::size_t exif = 0;   // EXIF blocks still found
    std::size_t times = 0;  // movie times still found
};

void PrintTo(const Crafted& c, std::ostream* os) { *os << c.name; }

class CraftedFile : public ::testing::TestWithParam<Crafted> {};

TEST_P(CraftedFile, IsReadAsFarAsItIsSound) {
    const Crafted& c = GetParam();
    const auto start = std::chrono::steady_clock::now();
    const ContainerMap map = MapBytes(c.bytes);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(10)) << "the walk did not stop within its bound";
    EXPECT_NE(map.kind, FileKind::Unknown);
    EXPECT_EQ(!map.problems.empty(), c.problem)
        << (map.problems.empty() ? std::string("no problem") : map.problems.front());
    if (!c.word.empty()) {
        EXPECT_TRUE(Mentions(map.problems, c.word) || Mentions(map.notes, c.word))
            << "nothing says " << c.word;
    }
    EXPECT_EQ(map.exif.size(), c.exif);
    EXPECT_EQ(map.movieTimes.size(), c.times);
    ExpectInside(map, static_cast<std::int64_t>(c.bytes.size()));
}

// A QuickTime movie: ftyp, then moov with mvhd (its two times) and `tail`.
Bytes Movie(const Bytes& tail) {
    return Cat({Ftyp("qt  ", {}), Box("moov", Cat({Mvhd(0), tail}))});
}
// The small HEIF with one change to its shape.
Bytes HeifWith(const std::function<void(HeifShape&)>& change) {
    HeifShape shape;
    change(shape);
    return MakeHeif(shape).bytes;
}
// 200000 empty boxes: more than the walk reads.
Bytes TinyBoxes(const char* type) {
    const Bytes one = Box(type, {});
    Bytes all;
    for (int i = 0; i < 200000; ++i) all.insert(all.end(), one.begin(), one.end());
    return all;
}
Bytes MdtaMeta(const Bytes& keys) {
    return Box("meta", Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdta"), Zeros(13)})), keys,
                            Box("ilst", {})}));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CraftedFile,
    ::testing::Values(
        Crafted{"SizeOfTwoToThe64", Movie(Cat({U32(1), Str("free"), U64(~std::uint64_t{0})})), true,
                "runs past", 0, 2},
        Crafted{"LargeSizeBelowItsHeader", Movie(Cat({U32(1), Str("free"), U64(15), Zeros(8)})),
                true, "smaller than its header", 0, 2},
        Crafted{"SizeBelowItsHeader", Movie(Cat({U32(7), Str("free"), Zeros(8)})), true,
                "smaller than its header", 0, 2},
        Crafted{"UuidWithoutItsType", Movie(Cat({U32(12), Str("uuid"), Zeros(4)})), true,
                "smaller than its header", 0, 2},
        // A box of size 0 runs to the end of the file: only the last box of
        // the file may. A trak of size 0 inside moov leaves the times before it.
        Crafted{"SizeZeroNested",
                [] {
                    Bytes trak = Trak(0, "vide", 8, 8);
                    std::fill(trak.begin(), trak.begin() + 4, 0);
                    return Cat({Movie(trak), Box("mdat", Zeros(4))});
                }(),
                true, "size of 0 inside", 0, 2},
        Crafted{"SizeZeroAtTheTop", Cat({Movie({}), U32(0), Str("mdat"), Zeros(9)}), false, "", 0,
                2},
        Crafted{"StrayBytesAtTheEnd", Cat({Movie({}), Bytes{1, 2, 3}}), true, "stray bytes", 0, 2},
        // A box cut short after its first bytes.
        Crafted{"ZeroBytesAtTheEnd", Cat({Movie({}), Zeros(4)}), true, "stray bytes", 0, 2},
        // QuickTime ends some user data so.
        Crafted{"ZeroBytesAtTheEndOfUserData",
                Movie(Box("udta", Cat({Box("XMP_", Str(XmpText)), Zeros(4)}))), false, "", 0, 2},
        Crafted{"ManyTinyBoxes", Movie(TinyBoxes("free")), true, "not read", 0, 2},
        Crafted{"ManyTinyBoxesAtTheTop",
                Cat({Ftyp("isom", {}), TinyBoxes("skip"), Box("moov", Mvhd(0))}), true, "not read",
                0, 0},
        Crafted{"TwoMovies", Cat({Movie({}), Box("moov", Mvhd(0))}), true, "two", 0, 2},
        Crafted{"KeyPastItsBox",
                Movie(MdtaMeta(FullBox("keys", 0, 0, Cat({U32(1), U32(400), Str("mdta")})))), true,
                "key", 0, 2},
        Crafted{"KeysCountHuge", Movie(MdtaMeta(FullBox("keys", 0, 0, U32(0xFFFFFFFF)))), true,
                "keys", 0, 2},
        Crafted{
            "DataOfAnotherType",
            Movie(Box("udta",
                      Box("meta", Cat({FullBox("hdlr", 0, 0, Cat({U32(0), Str("mdir"), Zeros(9)})),
                                       Box("ilst", Box(Day, FullBox("data", 0, 2,
                                                                    Cat({U32(0), Zeros(8)}))))})))),
            false, "type 2", 0, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// What is left alone on purpose is a note, and the file is still written;
// what is malformed is a problem, and it is not.
INSTANTIATE_TEST_SUITE_P(
    Items, CraftedFile,
    ::testing::Values(
        Crafted{"ExifPastTheEnd", HeifWith([](HeifShape& s) { s.exifOffsetShift = 100000; }), true,
                "outside the file"},
        // Inside the file but not in an mdat: the item lies on meta's own boxes.
        Crafted{"ExifInsideTheMetaBox",
                HeifWith([](HeifShape& s) { s.exifOffsetShift = 40 - MakeHeif().exif; }), true,
                "media data"},
        Crafted{"ExifOffsetWraps", HeifWith([](HeifShape& s) {
                    s.exifBase = ~std::uint64_t{0} - 7;
                    s.ilocOffsetSize = 8;
                }),
                true, "outside the file"},
        Crafted{"ExifInTwoExtents", HeifWith([](HeifShape& s) { s.exifExtents = 2; }), false,
                "2 pieces"},
        Crafted{"ExifInIdat", HeifWith([](HeifShape& s) { s.exifMethod = 1; }), false, "idat"},
        Crafted{"ExifOfAnotherItem", HeifWith([](HeifShape& s) { s.exifMethod = 2; }), false,
                "another item"},
        Crafted{"ExifOfLengthZero", HeifWith([](HeifShape& s) { s.exifLengthZero = true; }), true,
                "no stated length"},
        Crafted{"ExifProtected", HeifWith([](HeifShape& s) { s.exifProtection = 1; }), false,
                "protected"},
        Crafted{"ExifNotLocated", HeifWith([](HeifShape& s) { s.locateExif = false; }), true,
                "no location"},
        Crafted{"ExifPrefixLeadsNowhere", HeifWith([](HeifShape& s) { s.exifPrefix = 5; }), true,
                "TIFF header"},
        Crafted{"ItemCountHuge", HeifWith([](HeifShape& s) { s.iinfCount = 0xFFFF; }), false, "",
                1},
        Crafted{"XmpCompressed", HeifWith([](HeifShape& s) { s.xmpEncoding = "deflate"; }), false,
                "compressed", 1},
        Crafted{"XmpOnTheExifBytes", HeifWith([](HeifShape& s) { s.xmpOnExif = true; }), true,
                "share bytes", 1},
        Crafted{"LocationFieldsOfSize3", HeifWith([](HeifShape& s) { s.ilocOffsetSize = 3; }), true,
                "field sizes"}),
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

}  // namespace
}  // namespace tovrin

namespace tovrin {
namespace {

// Which clock a movie's header keeps: its creation time read as the same
// wall-clock moment as its EXIF date is a camera's local clock; anything
// else, or no EXIF date, is UTC, read at the zone the photo states.
TEST(MovieClock, ToldFromTheLocalDateBesideIt) {
    const LocalDateTime exif{2006, 5, 4, 10, 11, 12};
    const auto since1904 = [](const LocalDateTime& t) {
        return static_cast<std::uint64_t>(WallSeconds(t) - WallSeconds({1904, 1, 1, 0, 0, 0}));
    };
    const std::uint64_t local = since1904(exif);
    const std::uint64_t utc = since1904({2006, 5, 4, 1, 11, 12});  // the same moment at +09:00
    EXPECT_EQ(ChooseMovieClock(local, exif), MovieClock::Local);
    EXPECT_EQ(ChooseMovieClock(utc, exif), MovieClock::Utc);
    EXPECT_EQ(ChooseMovieClock(local, std::nullopt), MovieClock::Utc);
    EXPECT_EQ(MovieMoment(local, MovieClock::Local), exif);
    EXPECT_EQ(MovieMoment(utc, MovieClock::Utc, 9 * 60), exif);
    EXPECT_EQ(MovieSecondsOf(exif, MovieClock::Utc, 9 * 60), static_cast<std::int64_t>(utc));
    EXPECT_EQ(MovieSecondsOf(exif, MovieClock::Local), static_cast<std::int64_t>(local));
    // 32-bit times end in 2040; a moment after that needs the 64-bit form.
    EXPECT_FALSE(MovieBytes(since1904({2041, 1, 1, 0, 0, 0}), 4));
    EXPECT_EQ(MovieSeconds(*MovieBytes(static_cast<std::int64_t>(utc), 8)), utc);
}

}  // namespace
}  // namespace tovrin
