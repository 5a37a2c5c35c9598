#include "hostile_seeds.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exif/md5.h"
#include "exif/paths.h"

namespace tovrin_fuzz {

namespace {

using Bytes = std::vector<unsigned char>;

// Where the sound photo keeps each part, as offsets from the TIFF header.
// Gaps between the parts keep one seed's change from spilling into the next
// part by accident.
namespace at {
constexpr std::size_t Ifd0 = 0x008;  // 7 entries: Make Model Orientation Software DateTime Exif GPS
constexpr std::size_t Exif = 0x080;  // 5 entries: 9003 9004 MakerNote A002 Interop
constexpr std::size_t Gps = 0x0D0;   // 3 entries
constexpr std::size_t Interop = 0x100;  // 1 entry
constexpr std::size_t Ifd1 = 0x120;     // 3 entries: Compression, thumbnail offset, length
constexpr std::size_t Make = 0x150;
constexpr std::size_t Model = 0x160;
constexpr std::size_t DateTime = 0x170;
constexpr std::size_t Original = 0x190;
constexpr std::size_t Digitized = 0x1B0;
constexpr std::size_t MakerNote = 0x1D0;    // 32 bytes
constexpr std::size_t GpsLatitude = 0x1F0;  // 3 rationals
constexpr std::size_t Thumbnail = 0x210;    // 48 bytes
constexpr std::size_t End = 0x240;
}  // namespace at

// Entry numbers within their tables.
enum : int { Make = 0, Model = 1, Software = 3, DateTime = 4, ExifPointer = 5, GpsPointer = 6 };
enum : int { Original = 0, Digitized = 1, MakerNote = 2, InteropPointer = 4 };
enum : int { GpsLatitude = 2 };

class Tiff {
public:
    explicit Tiff(bool intel) : m_intel(intel), b(at::End, 0) {
        b[0] = b[1] = intel ? 'I' : 'M';
        put16(2, 42);
        put32(4, at::Ifd0);

        table(at::Ifd0, 7, at::Ifd1);
        entry(at::Ifd0, Make, 0x010F, 2, 12, at::Make);
        entry(at::Ifd0, Model, 0x0110, 2, 8, at::Model);
        entry(at::Ifd0, 2, 0x0112, 3, 1, 0);
        put16(value(at::Ifd0, 2), 1);
        entry(at::Ifd0, Software, 0x0131, 2, 4, 0);
        text(value(at::Ifd0, Software), "Tvr");
        entry(at::Ifd0, DateTime, 0x0132, 2, 20, at::DateTime);
        entry(at::Ifd0, ExifPointer, 0x8769, 4, 1, at::Exif);
        entry(at::Ifd0, GpsPointer, 0x8825, 4, 1, at::Gps);

        table(at::Exif, 5, 0);
        entry(at::Exif, Original, 0x9003, 2, 20, at::Original);
        entry(at::Exif, Digitized, 0x9004, 2, 20, at::Digitized);
        entry(at::Exif, MakerNote, 0x927C, 7, 32, at::MakerNote);
        entry(at::Exif, 3, 0xA002, 4, 1, 640);
        entry(at::Exif, InteropPointer, 0xA005, 4, 1, at::Interop);

        table(at::Gps, 3, 0);
        entry(at::Gps, 0, 0x0000, 1, 4, 0);
        b[value(at::Gps, 0)] = 2;
        b[value(at::Gps, 0) + 1] = 3;
        entry(at::Gps, 1, 0x0001, 2, 2, 0);
        text(value(at::Gps, 1), "N");
        entry(at::Gps, GpsLatitude, 0x0002, 5, 3, at::GpsLatitude);

        table(at::Interop, 1, 0);
        entry(at::Interop, 0, 0x0001, 2, 4, 0);
        text(value(at::Interop, 0), "R98");

        table(at::Ifd1, 3, 0);
        entry(at::Ifd1, 0, 0x0103, 3, 1, 0);
        put16(value(at::Ifd1, 0), 6);
        entry(at::Ifd1, 1, 0x0201, 4, 1, at::Thumbnail);
        entry(at::Ifd1, 2, 0x0202, 4, 1, 48);

        text(at::Make, "Tovrin Cam");
        text(at::Model, "TV-1");
        text(at::DateTime, "2006:05:04 10:11:12");
        text(at::Original, "2006:05:04 10:11:12");
        text(at::Digitized, "2006:05:04 10:11:13");
        for (std::size_t i = 0; i < 32; ++i)
            b[at::MakerNote + i] = static_cast<unsigned char>('A' + i % 26);
        for (std::size_t i = 0; i < 3; ++i) {
            put32(at::GpsLatitude + 8 * i, static_cast<std::uint32_t>(10 + i));
            put32(at::GpsLatitude + 8 * i + 4, 1);
        }
        // A thumbnail that looks like one: SOI, a little data, EOI.
        b[at::Thumbnail] = 0xFF;
        b[at::Thumbnail + 1] = 0xD8;
        for (std::size_t i = 2; i < 46; ++i)
            b[at::Thumbnail + i] = static_cast<unsigned char>(0x30 + i);
        b[at::Thumbnail + 46] = 0xFF;
        b[at::Thumbnail + 47] = 0xD9;
    }

    void put8(std::size_t p, unsigned char v) {
        grow(p + 1);
        b[p] = v;
    }
    void put16(std::size_t p, unsigned v) {
        grow(p + 2);
        b[p + (m_intel ? 0 : 1)] = static_cast<unsigned char>(v);
        b[p + (m_intel ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
    }
    void put32(std::size_t p, std::uint32_t v) {
        grow(p + 4);
        for (std::size_t i = 0; i < 4; ++i)
            b[p + (m_intel ? i : 3 - i)] = static_cast<unsigned char>(v >> (8 * i));
    }
    void text(std::size_t p, const std::string& s) {
        grow(p + s.size() + 1);
        std::copy(s.begin(), s.end(), b.begin() + static_cast<std::ptrdiff_t>(p));
        b[p + s.size()] = 0;
    }
    void table(std::size_t t, unsigned count, std::uint32_t next) {
        put16(t, count);
        put32(t + 2 + 12 * count, next);
    }
    void entry(std::size_t t, int i, unsigned tag, unsigned type, std::uint32_t count,
               std::uint32_t valueOrOffset) {
        const std::size_t e = t + 2 + 12 * static_cast<std::size_t>(i);
        put16(e, tag);
        put16(e + 2, type);
        put32(e + 4, count);
        put32(e + 8, valueOrOffset);
    }
    static std::size_t value(std::size_t t, int i) {
        return t + 2 + 12 * static_cast<std::size_t>(i) + 8;
    }
    static std::size_t count(std::size_t t, int i) {
        return t + 2 + 12 * static_cast<std::size_t>(i) + 4;
    }
    // Aims entry i of table t at an offset from the TIFF header.
    void aim(std::size_t t, int i, std::uint32_t offset) { put32(value(t, i), offset); }

    Bytes bytes() const { return b; }

private:
    void grow(std::size_t n) {
        if (b.size() < n) b.resize(n, 0);
    }
    bool m_intel;
    Bytes b;
};

Bytes segment(unsigned marker, const Bytes& payload) {
    const std::size_t length = payload.size() + 2;
    Bytes s{0xFF, static_cast<unsigned char>(marker), static_cast<unsigned char>(length >> 8),
            static_cast<unsigned char>(length)};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A JFIF APP0 of `size` payload bytes (at least its 14-byte header).
Bytes jfif(std::size_t size = 14) {
    Bytes p{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    p.resize(std::max<std::size_t>(size, p.size()), 0);
    return segment(0xE0, p);
}

Bytes exifSegment(const Bytes& tiff) {
    Bytes p{'E', 'x', 'i', 'f', 0, 0};
    p.insert(p.end(), tiff.begin(), tiff.end());
    return segment(0xE1, p);
}

// SOI, the segments given, then a tiny but well-formed rest of a JPEG:
// quantisation table, frame header, scan header, a few scan bytes, EOI.
Bytes jpeg(const std::vector<Bytes>& segments) {
    Bytes out{0xFF, 0xD8};
    for (const Bytes& s : segments) out.insert(out.end(), s.begin(), s.end());
    Bytes dqt(65, 1);
    dqt[0] = 0;
    const Bytes rest[] = {segment(0xDB, dqt),
                          segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0}),
                          segment(0xDA, {1, 1, 0, 0, 0x3F, 0}),
                          {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD0, 0x78, 0xFF, 0xD9}};
    for (const Bytes& s : rest) out.insert(out.end(), s.begin(), s.end());
    return out;
}

Bytes photo(const Tiff& tiff) { return jpeg({jfif(), exifSegment(tiff.bytes())}); }

// ------------------------------------------------------------ other containers

Bytes cat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes be16(unsigned v) {
    return {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
}
Bytes be32(std::uint32_t v) {
    return {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
}
Bytes le32(std::uint32_t v) {
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
}
void setBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    const Bytes x = be32(v);
    std::copy(x.begin(), x.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
const std::string DatesPacket =
    "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
    "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
    "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:CreateDate='2006-05-04T10:11:12+09:00' "
    "xmp:ModifyDate='2006-05-04T10:11:12'/></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";

// A TIFF of one directory of texts (tag, text), values after the table.
Bytes textTiff(bool intel, const std::vector<std::pair<unsigned, std::string>>& texts) {
    const std::size_t table = 8;
    const auto n = static_cast<unsigned>(texts.size());
    std::size_t value = table + 2 + 12 * n + 4;
    Bytes b(value, 0);
    b[0] = b[1] = intel ? 'I' : 'M';
    const auto put16 = [&](std::size_t p, unsigned v) {
        b[p + (intel ? 0 : 1)] = static_cast<unsigned char>(v);
        b[p + (intel ? 1 : 0)] = static_cast<unsigned char>(v >> 8);
    };
    const auto put32 = [&](std::size_t p, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i)
            b[p + (intel ? i : 3 - i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    put16(2, 42);
    put32(4, table);
    put16(table, n);
    for (unsigned i = 0; i < n; ++i) {
        const std::size_t e = table + 2 + 12 * i;
        const std::string& s = texts[i].second;
        put16(e, texts[i].first);
        put16(e + 2, 2);
        put32(e + 4, static_cast<std::uint32_t>(s.size() + 1));
        put32(e + 8, static_cast<std::uint32_t>(value));
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        if (b.size() % 2) b.push_back(0);
        value = b.size();
    }
    return b;
}

// A bare TIFF file: the sound photo's TIFF with a 32-byte strip at its end
// (StripOffsets and StripByteCounts in place of Orientation and Software).
Tiff tiffFile(bool intel) {
    Tiff t(intel);
    t.entry(at::Ifd0, 2, 0x0111, 4, 1, at::End);
    t.entry(at::Ifd0, 3, 0x0117, 4, 1, 32);
    for (std::size_t i = 0; i < 32; ++i) t.put8(at::End + i, static_cast<unsigned char>(0xA0 + i));
    return t;
}

// ISO base media boxes.
Bytes box(const std::string& type, const Bytes& payload) {
    return cat({be32(static_cast<std::uint32_t>(8 + payload.size())), text(type), payload});
}
Bytes fullBox(const std::string& type, unsigned version, const Bytes& payload) {
    return box(type, cat({{static_cast<unsigned char>(version), 0, 0, 0}, payload}));
}
// A box whose 64-bit size claims 2^64-1 bytes.
Bytes hugeBox(const std::string& type) {
    return cat({be32(1), text(type), Bytes(8, 0xFF), Bytes(8, 0)});
}

struct HeifParts {
    std::string brand = "heic";
    unsigned ilocVersion = 1;
    bool exifTwoExtents = false;
    unsigned exifMethod = 0;
    std::string xmpEncoding;  // a content_encoding, "" for none
    bool imageOverExif = false;
    std::int64_t exifOffsetShift = 0;  // added to the Exif extent's offset
    bool exifIntoIloc = false;         // the Exif extent aimed at the iloc box
    bool hugeFreeBox = false;
    bool mdatToEnd = false;  // mdat size 0: up to the end of the file
    std::uint32_t exifPrefix = 6;
};

Bytes heif(const HeifParts& p) {
    const Bytes exif =
        cat({be32(p.exifPrefix), text(std::string("Exif\0\0", 6)), Tiff(false).bytes()});
    const Bytes xmp = text(DatesPacket);
    const Bytes image(64, 0xAB);
    const auto infe = [](unsigned id, const std::string& type, const Bytes& extra) {
        return fullBox("infe", 2, cat({be16(id), be16(0), text(type), Bytes{0}, extra}));
    };
    Bytes mime = text(std::string("application/rdf+xml") + '\0');
    if (!p.xmpEncoding.empty()) mime = cat({mime, text(p.xmpEncoding + '\0')});
    const Bytes iinf = fullBox(
        "iinf", 0, cat({be16(3), infe(1, "hvc1", {}), infe(2, "Exif", {}), infe(3, "mime", mime)}));
    const Bytes hdlr = fullBox("hdlr", 0, cat({Bytes(4, 0), text("pict"), Bytes(12, 0), Bytes{0}}));
    const Bytes pitm = fullBox("pitm", 0, be16(1));
    const bool wide = p.ilocVersion == 2;
    // Every item: one extent (the Exif item two when asked), offsets and
    // lengths of 4 bytes, no base offset.
    const auto iloc = [&](std::uint32_t imageAt, std::uint32_t exifAt, std::uint32_t xmpAt,
                          std::uint32_t ilocAt) {
        const auto id = [&](unsigned v) { return wide ? be32(v) : be16(v); };
        const auto method = [&](unsigned m) { return p.ilocVersion > 0 ? be16(m) : Bytes{}; };
        const auto extent = [](std::uint32_t at, std::uint32_t n) {
            return cat({be32(at), be32(n)});
        };
        const std::uint32_t imageLength =
            static_cast<std::uint32_t>(image.size() + (p.imageOverExif ? exif.size() : 0));
        std::uint32_t exifAtNow = static_cast<std::uint32_t>(exifAt + p.exifOffsetShift);
        if (p.exifIntoIloc) exifAtNow = ilocAt;
        if (p.exifMethod == 1) exifAtNow = 0;
        const Bytes exifItem =
            p.exifTwoExtents
                ? cat({id(2), method(0), be16(0), be16(2), extent(exifAtNow, 40),
                       extent(exifAtNow + 40, static_cast<std::uint32_t>(exif.size() - 40))})
                : cat({id(2), method(p.exifMethod), be16(0), be16(1),
                       extent(exifAtNow, static_cast<std::uint32_t>(exif.size()))});
        return fullBox(
            "iloc", p.ilocVersion,
            cat({Bytes{0x44, 0x00}, wide ? be32(3) : be16(3), id(1), method(0), be16(0), be16(1),
                 extent(imageAt, imageLength), exifItem, id(3), method(0), be16(0), be16(1),
                 extent(xmpAt, static_cast<std::uint32_t>(xmp.size()))}));
    };
    const Bytes ftyp = box("ftyp", cat({text(p.brand), be32(0), text("mif1"), text(p.brand)}));
    const Bytes idat = p.exifMethod == 1 ? box("idat", exif) : Bytes{};
    const auto meta = [&](const Bytes& ilocBox) {
        return fullBox("meta", 0, cat({hdlr, pitm, iinf, ilocBox, idat}));
    };
    const std::size_t metaSize = meta(iloc(0, 0, 0, 0)).size();
    const Bytes free = p.hugeFreeBox ? hugeBox("free") : Bytes{};
    const std::size_t data = ftyp.size() + metaSize + free.size() + 8;
    const auto imageAt = static_cast<std::uint32_t>(data);
    const auto exifAt = static_cast<std::uint32_t>(data + image.size());
    const auto xmpAt = static_cast<std::uint32_t>(data + image.size() + exif.size());
    const auto ilocAt =
        static_cast<std::uint32_t>(ftyp.size() + 12 + hdlr.size() + pitm.size() + iinf.size());
    Bytes mdat = box("mdat", cat({image, exif, xmp}));
    if (p.mdatToEnd) setBe32(mdat, 0, 0);
    return cat({ftyp, meta(iloc(imageAt, exifAt, xmpAt, ilocAt)), free, mdat});
}

// The movie header boxes, version 0 or 1, with every time at `time`.
Bytes movieHeader(const std::string& type, unsigned version, std::uint64_t time, std::size_t rest) {
    const Bytes t = version == 1 ? cat({be32(static_cast<std::uint32_t>(time >> 32)),
                                        be32(static_cast<std::uint32_t>(time))})
                                 : be32(static_cast<std::uint32_t>(time));
    return fullBox(type, version, cat({t, t, Bytes(rest, 0)}));
}
Bytes dataBox(const std::string& value) {
    return box("data", cat({be32(1), be32(0), text(value)}));
}

struct MovieParts {
    std::string brand = "qt  ";  // "" for no ftyp
    unsigned mvhdVersion = 0;
    bool mvhdCut = false;
    bool hugeBox = false;
    std::uint32_t creationItem = 1;  // the ilst item that should hold the Keys creation date
    bool dayPastBox = false;
    bool udtaEndsInZero = false;
    bool metaFirstFree = false;  // a free box before the meta's hdlr
    bool keysBroken = false;     // a key whose size is less than its header
    bool metaWithoutList = false;
    std::vector<Bytes> moovExtra;  // more boxes in moov (CR3's Canon box)
};

Bytes movie(const MovieParts& p) {
    const std::uint64_t time = 3229567872ULL;  // 2006-05-04 10:11:12 since 1904
    Bytes mvhd =
        p.mvhdCut ? fullBox("mvhd", 0, be32(0)) : movieHeader("mvhd", p.mvhdVersion, time, 88);
    const Bytes trak =
        box("trak",
            cat({movieHeader("tkhd", 1, time, 72),
                 box("mdia",
                     cat({movieHeader("mdhd", 0, time, 12),
                          fullBox("hdlr", 0, cat({Bytes(4, 0), text("vide"), Bytes(13, 0)}))}))}));
    const std::string day = "2006-05-04T10:11:12+0900";
    Bytes dayText = cat({be16(static_cast<unsigned>(day.size() + (p.dayPastBox ? 40 : 0))),
                         be16(0x15C7), text(day)});
    Bytes udta =
        box("udta", cat({box("\xA9"
                             "day",
                             dayText),
                         box("XMP_", text(DatesPacket)), p.udtaEndsInZero ? be32(0) : Bytes{}}));
    const std::string key = "com.apple.quicktime.creationdate";
    const std::string make = "com.apple.quicktime.make";
    const Bytes keys =
        fullBox("keys", 0,
                cat({be32(2), be32(static_cast<std::uint32_t>(8 + key.size())), text("mdta" + key),
                     be32(p.keysBroken ? 4 : static_cast<std::uint32_t>(8 + make.size())),
                     text("mdta" + make)}));
    const auto item = [](std::uint32_t index, const Bytes& data) {
        return cat({be32(static_cast<std::uint32_t>(8 + data.size())), be32(index), data});
    };
    const Bytes ilst =
        box("ilst", cat({item(p.creationItem, dataBox(day)), item(2, dataBox("Tovrin"))}));
    const Bytes meta =
        box("meta", cat({p.metaFirstFree ? box("free", Bytes(4, 0)) : Bytes{},
                         fullBox("hdlr", 0, cat({Bytes(4, 0), text("mdta"), Bytes(13, 0)})), keys,
                         p.metaWithoutList ? Bytes{} : ilst}));
    Bytes moovPayload = cat(p.moovExtra);
    moovPayload = cat({moovPayload, mvhd, trak, udta, meta});
    const Bytes ftyp =
        p.brand.empty() ? Bytes{} : box("ftyp", cat({text(p.brand), be32(0), text(p.brand)}));
    return cat({ftyp, p.hugeBox ? hugeBox("skip") : Bytes{}, box("moov", moovPayload),
                box("mdat", Bytes(16, 0x77))});
}

struct Cr3Parts {
    bool cmtPastBox = false;
    bool cmt1DateOutside = false;  // CMT1's DateTime aimed past the end of CMT1
    bool hugeBox = false;
};

Bytes canonBox(const Cr3Parts& p) {
    Bytes cmt1 = textTiff(true, {{0x010F, "Canon"}, {0x0132, "2006:05:04 10:11:12"}});
    if (p.cmt1DateOutside) {
        // Entry 1's value (Intel order): past CMT1, on CMT2's box header.
        const auto past = static_cast<std::uint32_t>(cmt1.size() + 2);
        for (std::size_t i = 0; i < 4; ++i)
            cmt1[8 + 2 + 12 + 8 + i] = static_cast<unsigned char>(past >> (8 * i));
    }
    const Bytes cmt2 =
        textTiff(true, {{0x9003, "2006:05:04 10:11:12"}, {0x9004, "2006:05:04 10:11:13"}});
    Bytes cmt2Box = box("CMT2", cmt2);
    if (p.cmtPastBox) setBe32(cmt2Box, 0, static_cast<std::uint32_t>(cmt2Box.size() + 4096));
    const Bytes canon = cat({box("CNCV", text("CanonCR3_001/00.09.00/00.00.00")), box("CMT1", cmt1),
                             cmt2Box, box("CMT3", Bytes(32, 0x33))});
    static const unsigned char uuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                           0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    return box("uuid", cat({Bytes(uuid, uuid + 16), canon}));
}

Bytes cr3(const Cr3Parts& p) {
    MovieParts m;
    m.brand = "crx ";
    m.hugeBox = p.hugeBox;
    m.moovExtra = {canonBox(p)};
    return movie(m);
}

// PNG chunks with their CRCs (computed here, apart from the judge's).
std::uint32_t crc32(const Bytes& b, std::size_t first, std::size_t end) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = first; i < end; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}
Bytes chunk(const std::string& type, const Bytes& data) {
    Bytes c = cat({be32(static_cast<std::uint32_t>(data.size())), text(type), data});
    return cat({c, be32(crc32(c, 4, c.size()))});
}
Bytes pngSignature() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }
Bytes ihdr() { return chunk("IHDR", cat({be32(16), be32(16), Bytes{8, 2, 0, 0, 0}})); }
Bytes xmpText(unsigned char compressed) {
    return chunk("iTXt", cat({text(std::string("XML:com.adobe.xmp") + '\0'), Bytes{compressed, 0},
                              Bytes{0}, Bytes{0}, text(DatesPacket)}));
}
Bytes idat() {
    return chunk("IDAT", {0x78, 0x9C, 0x63, 0x60, 0x18, 0x05, 0x00, 0x00, 0x10, 0x00, 0x01});
}

// RIFF chunks: a type, a little-endian size, the data, a pad byte when odd.
Bytes riffChunk(const std::string& type, const Bytes& data) {
    Bytes c = cat({text(type), le32(static_cast<std::uint32_t>(data.size())), data});
    if (data.size() % 2) c.push_back(0);
    return c;
}
Bytes webp(const std::vector<Bytes>& chunks, std::int64_t sizeShift = 0) {
    const Bytes body = cat(chunks);
    return cat({text("RIFF"), le32(static_cast<std::uint32_t>(4 + body.size() + sizeShift)),
                text("WEBP"), body});
}
Bytes vp8x() { return riffChunk("VP8X", {0x0C, 0, 0, 0, 15, 0, 0, 15, 0, 0}); }
Bytes vp8() { return riffChunk("VP8 ", Bytes(11, 0x9D)); }

// RAF: its header, the JPEG it wraps at 160, a CFA header and a CFA after it.
struct RafParts {
    std::int64_t jpegLengthShift = 0;
    std::uint32_t jpegOffset = 160;
    bool cfaOverDate = false;
};
Bytes raf(const RafParts& p) {
    const Bytes jpegBytes = photo(Tiff(false));
    Bytes head(160, 0);
    const std::string magic = "FUJIFILMCCD-RAW 0201FF383501Tovrin X";
    std::copy(magic.begin(), magic.end(), head.begin());
    std::copy_n("0100", 4, head.begin() + 60);
    const auto cfaHeaderAt = static_cast<std::uint32_t>(160 + jpegBytes.size());
    std::uint32_t cfaAt = cfaHeaderAt + 32;
    // DateTimeOriginal in the JPEG: SOI, the JFIF APP0, the APP1 header and "Exif\0\0".
    if (p.cfaOverDate) cfaAt = 160 + 2 + 18 + 4 + 6 + at::Original;
    setBe32(head, 84, p.jpegOffset);
    setBe32(head, 88, static_cast<std::uint32_t>(jpegBytes.size() + p.jpegLengthShift));
    setBe32(head, 92, cfaHeaderAt);
    setBe32(head, 96, 32);
    setBe32(head, 100, cfaAt);
    setBe32(head, 104, 64);
    return cat({head, jpegBytes, Bytes(32, 0xC1), Bytes(64, 0xC2)});
}

}  // namespace

std::vector<Seed> HostileSeeds() {
    std::vector<Seed> seeds;
    const auto add = [&](const std::string& name, unsigned char choice, const Bytes& jpegBytes,
                         const std::string& expect) {
        Bytes input{choice};
        input.insert(input.end(), jpegBytes.begin(), jpegBytes.end());
        seeds.push_back({name, std::move(input), expect});
    };
    const auto aimed = [&](const std::string& name, std::size_t table, int entry,
                           std::uint32_t offset, const std::string& expect) {
        Tiff t(true);
        t.aim(table, entry, offset);
        add(name, 0, photo(t), expect);
    };

    // Sound photos, so the seeds also hold what a write may do.
    add("sound-intel", 0, photo(Tiff(true)), "all three dates written");
    add("sound-motorola", 0, photo(Tiff(false)), "all three dates written");
    add("sound-intel-keep-time", 1, photo(Tiff(true)), "the date part of all three written");
    add("sound-intel-whole-update", 4, photo(Tiff(true)), "all three dates written");
    add("sound-intel-shift", 8, photo(Tiff(true)), "all three dates moved");

    // A date's offset aimed into each structure a write must not touch.
    aimed("date-into-ifd1-table", at::Ifd0, DateTime, at::Ifd1 + 2,
          "DateTime left: its text lies on IFD1's entries");
    aimed("date-into-gps-table", at::Exif, Original, at::Gps + 2,
          "DateTimeOriginal left: its text lies on the GPS entries");
    aimed("date-into-interop-table", at::Exif, Digitized, at::Interop,
          "DateTimeDigitized left: its text lies on the Interop table");
    aimed("date-into-makernote", at::Exif, Original, at::MakerNote + 4,
          "DateTimeOriginal left: its text lies in the MakerNote");
    aimed("date-into-thumbnail", at::Ifd0, DateTime, at::Thumbnail + 8,
          "DateTime left: its text lies in the thumbnail");
    aimed("date-into-make-value", at::Exif, Digitized, at::Make,
          "DateTimeDigitized left: its text lies on Make's (and Model's) bytes");
    aimed("date-into-gps-value", at::Exif, Original, at::GpsLatitude,
          "DateTimeOriginal left: its text lies on the GPS latitude's rationals");
    aimed("date-into-ifd0-table", at::Ifd0, DateTime, at::Ifd0 + 2,
          "DateTime left: its text lies on IFD0's entries");
    aimed("date-into-exif-table", at::Exif, Digitized, at::Exif + 14,
          "DateTimeDigitized left: its text lies on the Exif IFD's entries");
    aimed("date-into-tiff-header", at::Exif, Original, 2,
          "DateTimeOriginal left: its text starts inside the TIFF header");
    aimed("date-into-app1-header", at::Ifd0, DateTime, 0xFFFFFFF6u,
          "DateTime left: offset -10 read as signed lands on the APP1 header");
    aimed("date-into-jpeg-marker", at::Exif, Digitized, at::End,
          "DateTimeDigitized left: its text is the DQT segment after APP1");
    aimed("dates-partly-overlapping", at::Exif, Digitized, at::Original + 5,
          "DateTimeOriginal and DateTimeDigitized both left, DateTime written");
    aimed("dates-same-start", at::Exif, Digitized, at::Original,
          "all three written (two share one text)");

    {  // The header's IFD0 offset is not 8: the real IFD0 stands at the end,
       // and a decoy table at 8 aims DateTime at the GPS entries.
        Tiff t(true);
        const Bytes sound = t.bytes();
        for (std::size_t i = 0; i < 2 + 12 * 7 + 4; ++i) t.put8(at::End + i, sound[at::Ifd0 + i]);
        t.put32(4, at::End);
        t.aim(at::Ifd0, DateTime, at::Gps + 2);
        add("ifd0-offset-not-8", 0, photo(t),
            "GPS entries left: IFD0 is where the header says, not at 8");
    }
    {  // Exif pointer 0xFFFFFF38: read as signed it lands 200 bytes before the
       // TIFF header, inside the APP0, where a planted table aims
       // DateTimeOriginal at Make's bytes.
        Tiff t(true);
        t.aim(at::Ifd0, ExifPointer, 0xFFFFFF38u);
        Bytes file = jpeg({jfif(248), exifSegment(t.bytes())});
        const std::size_t base = 2 + (2 + 250) + 10;
        const std::size_t fake = base - 200;
        const unsigned char table[] = {1,
                                       0,
                                       0x03,
                                       0x90,
                                       2,
                                       0,
                                       20,
                                       0,
                                       0,
                                       0,
                                       static_cast<unsigned char>(at::Make),
                                       static_cast<unsigned char>(at::Make >> 8),
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0};
        std::copy(std::begin(table), std::end(table),
                  file.begin() + static_cast<std::ptrdiff_t>(fake));
        add("exif-pointer-ffffff38", 0, file,
            "only DateTime written: the Exif IFD is past the end, Make left");
    }
    {  // A SubIFD list leads to a table only it reaches.
        Tiff t(true);
        t.entry(at::Ifd0, Software, 0x014A, 4, 2, at::End);
        t.put32(at::End, at::End + 0x10);
        t.put32(at::End + 4, at::Interop);
        t.table(at::End + 0x10, 1, 0);
        t.entry(at::End + 0x10, 0, 0x0100, 4, 1, 8);
        t.aim(at::Exif, Digitized, at::End + 0x12);
        t.put8(at::End + 0x3F, 0);  // room for the whole text inside the segment
        add("date-into-subifd-table", 0, photo(t),
            "DateTimeDigitized left: its text lies on a SubIFD's entries");
    }
    {  // A count of 2^31-1 on a date: still only its first 20 bytes are a date's.
        Tiff t(true);
        t.put32(Tiff::count(at::Exif, Original), 0x7FFFFFFF);
        add("count-max-on-date", 0, photo(t), "all three dates written");
    }
    {  // 2^31-1 rationals from Model on: 16 GiB that cover every date text,
       // and overflow 32-bit arithmetic.
        Tiff t(true);
        t.put32(Tiff::count(at::Gps, GpsLatitude), 0x7FFFFFFF);
        t.aim(at::Gps, GpsLatitude, at::Model);
        add("count-max-rationals-over-dates", 0, photo(t),
            "nothing written: the latitude's value covers every date text");
    }

    {  // A text with no NUL in the last bytes of the segment, followed by a
       // long comment, and a count far past both: the reader must stop at the
       // segment's end.
        Tiff t(true);
        t.aim(at::Exif, Digitized, at::End - 4);
        t.put32(Tiff::count(at::Exif, Digitized), 0x00140000);
        for (std::size_t i = 1; i <= 4; ++i) t.put8(at::End - i, 'X');
        add("text-runs-past-app1", 0,
            jpeg({jfif(), exifSegment(t.bytes()), segment(0xFE, Bytes(1000, 'x'))}),
            "DateTimeDigitized read as at most what the segment holds, nothing written to it");
    }

    {  // A table's count runs past the end of the file: what it says is still
       // a table, and it covers every date text.
        Tiff t(true);
        t.put16(at::Gps, 0x0FFF);
        add("gps-count-past-file", 0, photo(t),
            "nothing written: the GPS table as stored covers every date");
    }
    {  // A MakerNote of no known type still holds its count in bytes.
        Tiff t(true);
        t.put16(Tiff::value(at::Exif, MakerNote) - 6, 0x00FF);
        t.aim(at::Exif, Original, at::MakerNote + 4);
        add("date-into-makernote-of-no-type", 0, photo(t),
            "DateTimeOriginal left: its text lies in the MakerNote");
    }
    {  // IFD0's count runs over the Exif entries, which it reads as its own:
       // the same entry bytes claim the dates' texts for IFD0 too.
        Tiff t(true);
        t.put16(at::Ifd0, 13);
        add("ifd0-count-over-exif-table", 0, photo(t),
            "DateTimeOriginal and DateTimeDigitized left, DateTime written");
    }
    {  // A GPS pointer of 0: a directory left out, not one in the header.
        Tiff t(true);
        t.aim(at::Ifd0, GpsPointer, 0);
        add("gps-pointer-zero", 0, photo(t), "all three dates written");
    }
    {  // A SubIFD at offset 2: "42" read as a count makes 42 entries of the
       // header and IFD0.
        Tiff t(true);
        t.entry(at::Ifd0, Software, 0x014A, 4, 1, 2);
        add("subifd-into-header", 0, photo(t), "nothing written: a table of the header's bytes");
    }
    {  // An Interop IFD stored in the other byte order: its count of 1 reads
       // as 256, its first type as 512, and its "entries" claim the dates.
       // Its table stays untouched; what it claims is no directory's.
        Tiff t(true);
        t.aim(at::Exif, InteropPointer, at::End);
        t.put8(at::End, 0);
        t.put8(at::End + 1, 1);
        t.put16(at::End + 2, 0x0100);
        t.put16(at::End + 4, 0x0200);
        t.put32(at::End + 6, 0x04000000);
        t.entry(at::End, 3, 0x0132, 2, 20, at::DateTime);
        t.entry(at::End, 4, 0x010F, 2, 0x100, at::Make);
        t.put32(at::End + 2 + 12 * 256, 0);
        add("interop-other-byte-order", 0, photo(t), "all three dates written");
    }

    // Loops: each table must be walked once, and the walk must end.
    {
        Tiff t(true);
        t.put32(at::Ifd1 + 2 + 12 * 3, at::Ifd0);
        add("loop-ifd1-to-ifd0", 0, photo(t), "all three dates written");
    }
    {
        Tiff t(true);
        t.put32(at::Ifd0 + 2 + 12 * 7, at::Ifd0);
        add("loop-ifd0-to-itself", 0, photo(t), "all three dates written");
    }
    {
        Tiff t(true);
        t.aim(at::Exif, InteropPointer, at::Exif);
        add("loop-interop-to-exif", 0, photo(t), "all three dates written");
    }

    // The Exif APP1 behind other segments.
    const Tiff sound(true);
    Bytes icc = text("ICC_PROFILE");
    icc.insert(icc.end(), {0, 1, 1});
    icc.resize(48, 0x11);
    add("exif-after-icc", 0, jpeg({jfif(), segment(0xE2, icc), exifSegment(sound.bytes())}),
        "all three dates written");
    add("exif-after-com", 0,
        jpeg({jfif(), segment(0xFE, text("made by hand")), exifSegment(sound.bytes())}),
        "all three dates written");
    Bytes xmp = text("http://ns.adobe.com/xap/1.0/");
    xmp.push_back(0);
    const Bytes packet = text("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
    xmp.insert(xmp.end(), packet.begin(), packet.end());
    add("exif-after-xmp", 0, jpeg({jfif(), segment(0xE1, xmp), exifSegment(sound.bytes())}),
        "all three dates written");
    add("exif-after-second-app0", 0,
        jpeg({jfif(), segment(0xE0, {'J', 'F', 'X', 'X', 0, 0x13}), exifSegment(sound.bytes())}),
        "all three dates written");
    add("exif-after-dqt", 0, jpeg({segment(0xDB, Bytes(65, 2)), exifSegment(sound.bytes())}),
        "all three dates written");
    {
        Bytes withFill = jpeg({jfif(), exifSegment(sound.bytes())});
        withFill.insert(withFill.begin() + 2, {0xFF, 0xFF});  // fill bytes before APP0
        add("exif-after-fill-bytes", 0, withFill, "all three dates written");
    }
    {  // The APP1 length claims less than the TIFF holds: dates past it are not Exif.
        Bytes file = photo(sound);
        const std::size_t app1 = 2 + 18;
        const std::size_t length = 2 + 6 + at::DateTime;
        file[app1 + 2] = static_cast<unsigned char>(length >> 8);
        file[app1 + 3] = static_cast<unsigned char>(length);
        add("app1-length-cuts-dates", 0, file, "nothing written");
    }
    {
        Tiff t(true);
        t.put16(2, 43);
        add("tiff-magic-not-42", 0, photo(t), "nothing written: no TIFF header");
    }
    // Copies of the date in XMP and IPTC: sound ones follow the EXIF texts,
    // a damaged one keeps the whole photo as it was.
    const auto xmpSegment = [&](const std::string& packet) {
        return segment(0xE1, text(std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet));
    };
    const auto iptcSegment = [&](const std::string& iim, const std::string& digest) {
        const auto resource = [](int id, const std::string& data) {
            const auto n = static_cast<std::uint32_t>(data.size());
            std::string r = std::string("8BIM") + static_cast<char>(id >> 8) +
                            static_cast<char>(id & 0xFF) + std::string(2, '\0') +
                            static_cast<char>(n >> 24) + static_cast<char>(n >> 16) +
                            static_cast<char>(n >> 8) + static_cast<char>(n) + data;
            if (n % 2) r += '\0';
            return r;
        };
        std::string block = std::string("Photoshop 3.0\0", 14) + resource(0x0404, iim);
        if (!digest.empty()) block += resource(0x0425, digest);
        return segment(0xED, text(block));
    };
    const auto record = [](int dataset, const std::string& value) {
        return std::string{'\x1C', '\x02', static_cast<char>(dataset), '\0',
                           static_cast<char>(value.size())} +
               value;
    };
    const std::string datesPacket =
        "<x:xmpmeta><rdf:RDF><rdf:Description xmp:CreateDate='2006-05-04T10:11:12+09:00' "
        "xmp:ModifyDate=\"2006-05-04T10:11:12.25\"><photoshop:DateCreated>2006-05-04"
        "</photoshop:DateCreated></rdf:Description></rdf:RDF></x:xmpmeta>";
    const std::string iim = record(55, "20060504") + record(60, "101112+0900");
    add("copies-xmp-iptc", 0,
        jpeg({jfif(), exifSegment(sound.bytes()), xmpSegment(datesPacket),
              iptcSegment(iim, std::string(16, '\x5A'))}),
        "all three dates and every copy written; the digest that did not match left");
    add("copies-xmp-unterminated", 0,
        jpeg({jfif(), exifSegment(sound.bytes()),
              xmpSegment("<rdf:Description xmp:CreateDate='2006-05-04T10:11:12")}),
        "nothing written: a copy without its end");
    add("copies-xmp-huge-value", 0,
        jpeg({jfif(), exifSegment(sound.bytes()),
              xmpSegment("<rdf:Description xmp:CreateDate='2006-05-04" + std::string(4000, '1') +
                         "'/>")}),
        "nothing written: a value no date can be");
    add("copies-iptc-digest-of-15", 0,
        jpeg({jfif(), exifSegment(sound.bytes()), iptcSegment(iim, std::string(15, '\x01'))}),
        "nothing written: a digest of the wrong length");
    add("copies-iptc-record-past-block", 0,
        jpeg({jfif(), exifSegment(sound.bytes()),
              iptcSegment(iim + std::string{'\x1C', '\x02', '\x37', '\x40', '\x00'}, "")}),
        "nothing written: a record past its block");

    // ------------------------------------------------------ other containers
    // Each container sound, then each of its structures a write must not
    // touch or that the walk cannot bound.
    {  // Bare TIFF files: the whole file is the block, strips and tiles are image data.
        add("tiff-sound-intel", 0, tiffFile(true).bytes(), "all three dates written");
        add("tiff-sound-motorola", 4, tiffFile(false).bytes(), "all three dates written");
        Tiff orf = tiffFile(true);
        orf.put8(2, 'R');
        orf.put8(3, 'O');
        add("tiff-orf-magic", 0, orf.bytes(), "all three dates written (\"IIRO\")");
        Tiff rw2 = tiffFile(true);
        rw2.put16(2, 0x55);
        add("tiff-rw2-magic", 0, rw2.bytes(), "all three dates written (\"IIU\\0\")");
        Tiff big = tiffFile(true);
        big.put16(2, 43);
        add("tiff-bigtiff", 0, big.bytes(), "nothing written: BigTIFF is refused");
        Tiff strip = tiffFile(true);
        strip.aim(at::Ifd0, 2, at::Original);
        add("tiff-strip-over-date", 0, strip.bytes(),
            "DateTimeOriginal left: the strip lies on it; the other two written");
        Tiff tile = tiffFile(true);
        tile.entry(at::Ifd0, 2, 0x0144, 4, 1, at::DateTime);
        tile.entry(at::Ifd0, 3, 0x0145, 4, 1, 16);
        add("tiff-tile-over-date", 0, tile.bytes(),
            "DateTime left: a tile lies on it; the other two written");
        Tiff uncounted = tiffFile(true);
        uncounted.entry(at::Ifd0, 3, 0x0131, 2, 4, 0);
        uncounted.aim(at::Ifd0, 2, at::Digitized);
        add("tiff-strip-without-count", 0, uncounted.bytes(),
            "DateTimeDigitized left: a strip without its count runs to the end of the file");
        Tiff shorts = tiffFile(true);
        shorts.entry(at::Ifd0, 2, 0x0111, 3, 2, 0);
        shorts.put16(Tiff::value(at::Ifd0, 2), at::End);
        shorts.put16(Tiff::value(at::Ifd0, 2) + 2, at::DateTime + 4);
        shorts.entry(at::Ifd0, 3, 0x0117, 3, 2, 0);
        shorts.put16(Tiff::value(at::Ifd0, 3), 16);
        shorts.put16(Tiff::value(at::Ifd0, 3) + 2, 4);
        add("tiff-strips-of-shorts", 0, shorts.bytes(),
            "DateTime left: its second strip (SHORT offsets inline) lies on it");
        Tiff loop = tiffFile(true);
        loop.put32(at::Ifd1 + 2 + 12 * 3, at::Ifd0);
        loop.aim(at::Exif, InteropPointer, at::Exif);
        add("tiff-ifd-loops", 0, loop.bytes(), "all three dates written; the walk ends");
        // IPTC records in IFD0 (33723) and Photoshop resources (34377): with the
        // digest alone (as ExifTool writes a TIFF), and with records of their
        // own laid over the same bytes as 33723's (no value may share bytes).
        // Choice 4: the whole set, copies included.
        const std::string iim = std::string{'\x1C', '\x02', '\x37', '\0', '\x08'} + "20060504" +
                                std::string{'\x1C', '\x02', '\x3C', '\0', '\x0B'} + "101112+0900";
        const auto md5 = tovrin::Md5(iim);
        const std::string digest = std::string("8BIM\x04\x25\0\0\0\0\0\x10", 12) +
                                   std::string(reinterpret_cast<const char*>(md5.data()), 16);
        const std::string iptcHeader =
            std::string("8BIM\x04\x04\0\0\0\0\0", 11) + static_cast<char>(iim.size());
        const auto withIptc = [&](const std::string& resources, std::size_t resourcesAt) {
            Tiff t = tiffFile(true);
            const std::size_t records = at::End + 64;
            for (std::size_t i = 0; i < iim.size(); ++i)
                t.put8(records + i, static_cast<unsigned char>(iim[i]));
            for (std::size_t i = 0; i < resources.size(); ++i)
                t.put8(resourcesAt + i, static_cast<unsigned char>(resources[i]));
            t.entry(at::Ifd0, Make, 0x83BB, 7, static_cast<std::uint32_t>(iim.size()),
                    static_cast<std::uint32_t>(records));
            t.entry(at::Ifd0, GpsPointer, 0x8649, 7, static_cast<std::uint32_t>(resources.size()),
                    static_cast<std::uint32_t>(resourcesAt));
            return t;
        };
        add("tiff-iptc-digest-apart", 4, withIptc(digest, at::End + 64 + iim.size() + 1).bytes(),
            "all three dates, the IPTC records and their digest written");
        add("tiff-photoshop-over-iptc", 4,
            withIptc(iptcHeader + iim + '\0' + digest, at::End + 64 - iptcHeader.size()).bytes(),
            "all three dates written; the IPTC records, which two values claim, left");
        Tiff onStrip = withIptc(digest, at::End + 64 + iim.size() + 1);
        onStrip.put32(at::Ifd0 + 2 + 12 * 3 + 8, 96);  // the strip now runs over the records
        add("tiff-iptc-on-strip", 4, onStrip.bytes(),
            "all three dates written; the IPTC records, which lie in the strip, and the digest "
            "left");
        Tiff many = tiffFile(true);
        many.entry(at::Ifd0, 2, 0x0111, 4, 0x7FFFFFFF, at::End);
        many.put32(at::End, at::End + 16);
        many.put32(at::End + 4, 0);
        add("tiff-strip-count-2^31", 0, many.bytes(),
            "nothing written: strips without counts from offset 0 cover the file; the walk ends");
        // CR2: "CR", its version and the raw IFD's offset after the header.
        Tiff cr2 = tiffFile(true);
        const Bytes sound = cr2.bytes();
        for (std::size_t i = 0; i < 2 + 12 * 7 + 4; ++i)
            cr2.put8(at::End + 0x40 + i, sound[at::Ifd0 + i]);
        cr2.put32(4, at::End + 0x40);
        cr2.put8(8, 'C');
        cr2.put8(9, 'R');
        cr2.put16(10, 2);
        cr2.put32(12, 0);
        cr2.put32(at::End + 0x40 + 2 + 12 * DateTime + 8, 8);
        add("cr2-date-on-cr2-header", 0, cr2.bytes(),
            "DateTime left: its text lies on the CR2 header; the other two written");
    }
    {  // HEIF and AVIF: the Exif item (4-byte offset, "Exif\0\0", TIFF) and an XMP item.
        add("heif-sound", 0, heif({}), "all three dates and the XMP copies written");
        add("heif-sound-update", 4, heif({}), "all three dates and the XMP copies written");
        HeifParts avif;
        avif.brand = "avif";
        add("avif-sound", 0, heif(avif), "all three dates and the XMP copies written");
        HeifParts v0;
        v0.ilocVersion = 0;
        add("heif-iloc-v0", 0, heif(v0), "all three dates written");
        HeifParts v2;
        v2.ilocVersion = 2;
        add("heif-iloc-v2", 0, heif(v2), "all three dates written");
        HeifParts outside;
        outside.exifOffsetShift = 0x40000;
        add("heif-iloc-outside-file", 0, heif(outside),
            "nothing written: the Exif item's data lies outside the file");
        HeifParts intoIloc;
        intoIloc.exifIntoIloc = true;
        add("heif-exif-item-on-iloc", 0, heif(intoIloc),
            "no EXIF date written: the Exif item's extent is the iloc box");
        HeifParts huge;
        huge.hugeFreeBox = true;
        add("heif-box-2^64", 0, heif(huge), "nothing written: a box claims 2^64 bytes");
        HeifParts two;
        two.exifTwoExtents = true;
        add("heif-exif-two-extents", 0, heif(two),
            "no EXIF date written: the item has two extents");
        HeifParts idat;
        idat.exifMethod = 1;
        add("heif-exif-in-idat", 0, heif(idat),
            "no EXIF date written: the Exif item is stored in idat (construction method 1)");
        HeifParts deflated;
        deflated.xmpEncoding = "deflate";
        add("heif-xmp-deflated", 0, heif(deflated), "the dates written, the compressed XMP left");
        HeifParts over;
        over.imageOverExif = true;
        add("heif-image-over-exif", 0, heif(over),
            "no EXIF date written: the image item's data covers the Exif item");
        HeifParts prefix;
        prefix.exifPrefix = 0x10000;
        add("heif-exif-prefix-past-item", 0, heif(prefix),
            "no EXIF date written: the offset to the TIFF header leads past the item");
        HeifParts toEnd;
        toEnd.mdatToEnd = true;
        add("heif-mdat-to-end", 0, heif(toEnd), "all three dates written (mdat of size 0)");
    }
    {  // CR3: CMT1 is IFD0, CMT2 the Exif IFD, each a TIFF of its own; movie times in moov.
        add("cr3-sound", 0, cr3({}), "the three dates and the movie times written");
        add("cr3-sound-shift", 8, cr3({}), "the three dates and the movie times moved");
        Cr3Parts past;
        past.cmtPastBox = true;
        add("cr3-cmt2-past-its-box", 0, cr3(past), "nothing written: CMT2 runs past the Canon box");
        Cr3Parts outside;
        outside.cmt1DateOutside = true;
        add("cr3-cmt1-date-past-cmt1", 0, cr3(outside),
            "DateTime left: its text lies past CMT1, on CMT2's box header");
        Cr3Parts huge;
        huge.hugeBox = true;
        add("cr3-box-2^64", 0, cr3(huge), "nothing written: a box claims 2^64 bytes");
    }
    {  // QuickTime and MP4: mvhd, tkhd and mdhd times, ©day, the Keys creation date.
        add("quicktime-sound", 0, movie({}), "the movie times, ©day and the creation date written");
        add("quicktime-sound-update", 4, movie({}),
            "the movie times, ©day and the creation date written");
        MovieParts bare;
        bare.brand = "";
        bare.udtaEndsInZero = true;
        add("quicktime-no-ftyp", 0, movie(bare), "as sound: moov first, udta ends in a 32-bit 0");
        MovieParts mp4;
        mp4.brand = "isom";
        add("mp4-sound", 0, movie(mp4), "as sound");
        MovieParts v2;
        v2.mvhdVersion = 2;
        add("quicktime-mvhd-v2", 0, movie(v2), "mvhd left (a version of no known layout)");
        MovieParts cut;
        cut.mvhdCut = true;
        add("quicktime-mvhd-cut", 0, movie(cut), "nothing written: mvhd is cut short");
        MovieParts huge;
        huge.hugeBox = true;
        add("quicktime-box-2^64", 0, movie(huge), "nothing written: a box claims 2^64 bytes");
        MovieParts stray;
        stray.creationItem = 7;
        add("quicktime-key-index-unknown", 0, movie(stray),
            "the creation date left: its item names no key");
        MovieParts day;
        day.dayPastBox = true;
        add("quicktime-day-past-box", 0, movie(day),
            "nothing written: the ©day text runs past its box");
        MovieParts freeFirst;
        freeFirst.metaFirstFree = true;
        add("quicktime-meta-free-first", 0, movie(freeFirst),
            "nothing written: a meta of neither QuickTime's form nor MP4's");
        MovieParts badKey;
        badKey.keysBroken = true;
        badKey.metaWithoutList = true;
        add("quicktime-key-cut-no-list", 0, movie(badKey),
            "nothing written: a malformed key, though no item list follows");
    }
    {  // PNG: eXIf (its CRC recomputed), XMP in iTXt (its CRC too).
        const Bytes exif = chunk("eXIf", Tiff(false).bytes());
        add("png-sound", 0,
            cat({pngSignature(), ihdr(), exif, xmpText(0), idat(), chunk("IEND", {})}),
            "all three dates and the XMP copies written, both CRCs recomputed");
        add("png-exif-after-idat", 4,
            cat({pngSignature(), ihdr(), idat(), exif, chunk("IEND", {})}),
            "all three dates written");
        add("png-exif-with-prefix", 0,
            cat({pngSignature(), ihdr(),
                 chunk("eXIf", cat({text(std::string("Exif\0\0", 6)), Tiff(false).bytes()})),
                 idat(), chunk("IEND", {})}),
            "all three dates written, or none");
        Bytes wrong = exif;
        wrong.back() ^= 0x55;
        add("png-exif-wrong-crc", 0,
            cat({pngSignature(), ihdr(), wrong, xmpText(0), idat(), chunk("IEND", {})}),
            "no EXIF date written: the eXIf's CRC does not match its bytes");
        Bytes badIdat = idat();
        badIdat.back() ^= 1;
        add("png-idat-wrong-crc", 0,
            cat({pngSignature(), ihdr(), exif, badIdat, chunk("IEND", {})}),
            "all three dates written; IDAT's CRC left as it was");
        Bytes long_ = idat();
        setBe32(long_, 0, 0x00100000);
        add("png-chunk-past-end", 0, cat({pngSignature(), ihdr(), exif, long_, chunk("IEND", {})}),
            "nothing written: IDAT runs past the end of the file");
        add("png-no-iend", 0, cat({pngSignature(), ihdr(), exif, idat()}),
            "nothing written: the file ends without IEND");
        add("png-xmp-compressed", 0,
            cat({pngSignature(), ihdr(), exif, xmpText(1), idat(), chunk("IEND", {})}),
            "the dates written, the compressed XMP left");
    }
    {  // WebP: EXIF with or without "Exif\0\0", "XMP ".
        const Bytes exif = riffChunk("EXIF", Tiff(true).bytes());
        const Bytes xmp = riffChunk("XMP ", text(DatesPacket));
        add("webp-sound", 0, webp({vp8x(), vp8(), exif, xmp}),
            "all three dates and the XMP copies written");
        add("webp-exif-with-prefix", 4,
            webp({vp8x(), vp8(),
                  riffChunk("EXIF", cat({text(std::string("Exif\0\0", 6)), Tiff(true).bytes()})),
                  xmp}),
            "all three dates written");
        add("webp-riff-size-past-end", 0, webp({vp8x(), vp8(), exif, xmp}, 4096),
            "nothing written: the RIFF size runs past the end of the file");
        Bytes longExif = exif;
        const Bytes past = le32(static_cast<std::uint32_t>(exif.size() + 64));
        std::copy(past.begin(), past.end(), longExif.begin() + 4);
        add("webp-chunk-past-riff", 0, webp({vp8x(), vp8(), xmp, longExif}),
            "nothing written: the EXIF chunk runs past the RIFF");
        Bytes odd = riffChunk("EXIF", cat({Tiff(true).bytes(), Bytes{0}}));
        odd.pop_back();  // the last chunk's pad byte left out
        add("webp-last-pad-missing", 0, webp({vp8x(), vp8(), odd}), "all three dates written");
    }
    {  // RAF: the JPEG it wraps, at the offset and length stored at 84 and 88.
        add("raf-sound", 0, raf({}), "all three dates written");
        RafParts past;
        past.jpegLengthShift = 4096;
        add("raf-jpeg-past-end", 0, raf(past), "nothing written: the JPEG runs past the end");
        RafParts header;
        header.jpegOffset = 40;
        add("raf-jpeg-in-header", 0, raf(header),
            "nothing written: the JPEG would start in the header");
        RafParts cfa;
        cfa.cfaOverDate = true;
        add("raf-cfa-over-date", 0, raf(cfa),
            "DateTimeOriginal left: the CFA data lies on it; the other two written");
    }
    return seeds;
}

std::vector<Seed> PhotoSeeds(const std::string& folder, std::size_t limit) {
    namespace fs = std::filesystem;
    std::vector<Seed> seeds;
    std::error_code ec;
    const fs::path dir = tovrin::NativePath(folder);
    if (!fs::is_directory(dir, ec)) return seeds;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files) {
        std::ifstream in(p, std::ios::binary);
        Bytes bytes(limit + 1);
        bytes[0] = 0;  // the choice byte
        in.read(reinterpret_cast<char*>(bytes.data() + 1), static_cast<std::streamsize>(limit));
        bytes.resize(1 + static_cast<std::size_t>(in.gcount()));
        seeds.push_back({tovrin::Utf8Path(p.filename()), std::move(bytes), "no check fails"});
    }
    return seeds;
}

}  // namespace tovrin_fuzz
