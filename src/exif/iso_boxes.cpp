#include "exif/iso_boxes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "exif/photo_file.h"

namespace tovrin {

namespace {

// A real file nests its boxes five or six deep and holds some thousands of
// boxes and table entries; a crafted one must not keep the walk going.
constexpr int MaxDepth = 8;
constexpr std::int64_t MaxSteps = 100000;

constexpr std::uint32_t FourCC(const char (&s)[5]) {
    return (std::uint32_t{static_cast<unsigned char>(s[0])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(s[1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(s[2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(s[3])};
}

constexpr std::uint32_t Ftyp = FourCC("ftyp");
constexpr std::uint32_t Moov = FourCC("moov");
constexpr std::uint32_t Mdat = FourCC("mdat");
constexpr std::uint32_t Meta = FourCC("meta");
constexpr std::uint32_t UuidType = FourCC("uuid");
constexpr std::uint32_t Mvhd = FourCC("mvhd");
constexpr std::uint32_t Trak = FourCC("trak");
constexpr std::uint32_t Tkhd = FourCC("tkhd");
constexpr std::uint32_t Mdia = FourCC("mdia");
constexpr std::uint32_t Mdhd = FourCC("mdhd");
constexpr std::uint32_t Hdlr = FourCC("hdlr");
constexpr std::uint32_t Udta = FourCC("udta");
constexpr std::uint32_t Ilst = FourCC("ilst");
constexpr std::uint32_t Keys = FourCC("keys");
constexpr std::uint32_t Data = FourCC("data");
constexpr std::uint32_t Day = FourCC(
    "\xA9"
    "day");
constexpr std::uint32_t XmpUserData = FourCC("XMP_");
constexpr std::uint32_t Vide = FourCC("vide");
constexpr std::uint32_t Mdta = FourCC("mdta");
constexpr std::uint32_t Pitm = FourCC("pitm");
constexpr std::uint32_t Iinf = FourCC("iinf");
constexpr std::uint32_t Infe = FourCC("infe");
constexpr std::uint32_t Iloc = FourCC("iloc");
constexpr std::uint32_t Iprp = FourCC("iprp");
constexpr std::uint32_t Ipco = FourCC("ipco");
constexpr std::uint32_t Ipma = FourCC("ipma");
constexpr std::uint32_t Ispe = FourCC("ispe");
constexpr std::uint32_t Iref = FourCC("iref");
constexpr std::uint32_t Cdsc = FourCC("cdsc");
constexpr std::uint32_t ExifType = FourCC("Exif");
constexpr std::uint32_t Mime = FourCC("mime");
constexpr std::uint32_t Cmt1 = FourCC("CMT1");
constexpr std::uint32_t Cmt2 = FourCC("CMT2");
constexpr std::uint32_t Thmb = FourCC("THMB");
constexpr std::uint32_t Prvw = FourCC("PRVW");

using Uuid = std::array<unsigned char, 16>;
// Canon's box in moov with the CMT TIFFs and the thumbnail.
constexpr Uuid CanonUuid{0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                         0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
// Canon's top-level box with the preview JPEG.
constexpr Uuid PreviewUuid{0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                           0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
// Adobe's top-level box with an XMP packet.
constexpr Uuid XmpUuid{0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                       0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};

constexpr std::string_view CreationDateKey = "com.apple.quicktime.creationdate";
constexpr std::string_view XmpContentType = "application/rdf+xml";

// A box type as a reader can see it in a message: "moov", "©day", "\x00ab".
std::string TypeName(std::uint32_t type) {
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(type >> shift);
        if (c >= 0x20 && c < 0x7F) {
            name += static_cast<char>(c);
        } else if (c == 0xA9) {
            name += "\xC2\xA9";
        } else {
            static const char hex[] = "0123456789ABCDEF";
            name += "\\x";
            name += hex[c >> 4];
            name += hex[c & 15];
        }
    }
    return "'" + name + "'";
}

// Big-endian reads in order inside [at, end): a read that would pass end, or
// the end of the file, reads nothing, gives 0 and leaves ok() false for good.
class Cursor {
public:
    Cursor(PhotoFile& file, std::int64_t at, std::int64_t end)
        : m_file(file), m_at(at), m_end(end) {}

    std::uint64_t take(int n) {
        if (n == 0) return 0;
        if (!m_ok || n < 0 || n > 8 || m_end - m_at < n || !m_file.contains(m_at, n)) {
            m_ok = false;
            return 0;
        }
        unsigned char b[8];
        m_file.read(m_at, b, static_cast<std::size_t>(n));
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | b[i];
        m_at += n;
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    void skip(std::int64_t n) {
        if (!m_ok || n < 0 || m_end - m_at < n) {
            m_ok = false;
            return;
        }
        m_at += n;
    }
    // The bytes up to a NUL, which is passed; without one, the rest of the
    // range. At most `keep` bytes are kept, the rest only passed.
    std::string text(std::size_t keep = 256) {
        std::string out;
        char chunk[256];
        while (m_ok && m_at < m_end) {
            const auto n = static_cast<std::size_t>(
                std::min<std::int64_t>(m_end - m_at, static_cast<std::int64_t>(sizeof chunk)));
            if (!m_file.contains(m_at, static_cast<std::int64_t>(n))) {
                m_ok = false;
                break;
            }
            m_file.read(m_at, chunk, n);
            const void* nul = std::memchr(chunk, 0, n);
            const std::size_t used =
                nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - chunk) : n;
            if (out.size() < keep) out.append(chunk, std::min(used, keep - out.size()));
            m_at += static_cast<std::int64_t>(nul ? used + 1 : used);
            if (nul) break;
        }
        return out;
    }
    bool ok() const { return m_ok; }
    std::int64_t at() const { return m_at; }
    std::int64_t left() const { return m_end - m_at; }

private:
    PhotoFile& m_file;
    std::int64_t m_at;
    std::int64_t m_end;
    bool m_ok = true;
};

// One box: its header from start, its data from data (after the 16-byte
// extended type of a uuid box) to one before end.
struct Box {
    std::uint32_t type = 0;
    std::int64_t start = 0;
    std::int64_t data = 0;
    std::int64_t end = 0;
    Uuid uuid{};
    std::int64_t size() const { return end - data; }
    ByteSpan content() const { return {data, end - data}; }
};

// The one walk over boxes that every level uses, and the bound on the work
// of the whole map.
class Walk {
public:
    Walk(PhotoFile& file, ContainerMap& map) : m_file(file), m_map(map) {}

    PhotoFile& file() { return m_file; }
    ContainerMap& map() { return m_map; }
    void problem(std::string text) { m_map.problems.push_back(std::move(text)); }
    void note(std::string text) { m_map.notes.push_back(std::move(text)); }

    // Counts one box or table entry; false, once said, past the bound.
    bool step() {
        if (m_steps >= MaxSteps) {
            if (!m_exhausted)
                problem("too many boxes and table entries; the rest of the file is not read");
            m_exhausted = true;
            return false;
        }
        ++m_steps;
        return true;
    }

    // Visits the boxes that fill [from, end) in order until visit returns
    // false. A box that is smaller than its header or runs past end stops the
    // walk of this level as a problem (false); the boxes before it stand.
    bool boxes(std::int64_t from, std::int64_t end, int depth,
               const std::function<bool(const Box&)>& visit) {
        if (depth > MaxDepth) {
            problem("boxes nested too deep to be read");
            return false;
        }
        std::int64_t p = from;
        while (p < end) {
            if (!step()) return false;
            const std::int64_t left = end - p;
            if (left < 8) {
                // A few zero bytes end some QuickTime user data; anything
                // else there is no box. After the last box of the file, even
                // zeros are the start of one cut short.
                Cursor c(m_file, p, end);
                for (std::int64_t i = 0; i < left; ++i) {
                    if (depth == 0 || c.u8() != 0 || !c.ok()) {
                        problem("stray bytes after the last box at byte " + std::to_string(p - 1));
                        return false;
                    }
                }
                return true;
            }
            Cursor c(m_file, p, end);
            const std::uint32_t size32 = c.u32();
            Box box;
            box.type = c.u32();
            box.start = p;
            std::uint64_t size = size32;
            if (size32 == 1) {
                size = c.take(8);
            } else if (size32 == 0) {
                // Only the last box of the file may run to its end.
                if (depth > 0) {
                    problem("box " + TypeName(box.type) + " at byte " + std::to_string(p - 1) +
                            " has a size of 0 inside another box");
                    return false;
                }
                size = static_cast<std::uint64_t>(left);
            }
            if (box.type == UuidType) {
                for (auto& b : box.uuid) b = c.u8();
            }
            const std::int64_t header = c.at() - p;
            if (!c.ok() || size < static_cast<std::uint64_t>(header)) {
                problem("box " + TypeName(box.type) + " at byte " + std::to_string(p - 1) +
                        " is smaller than its header");
                return false;
            }
            if (size > static_cast<std::uint64_t>(left)) {
                problem("box " + TypeName(box.type) + " at byte " + std::to_string(p - 1) +
                        " runs past " + (depth == 0 ? "the end of the file" : "its parent"));
                return false;
            }
            box.data = c.at();
            box.end = p + static_cast<std::int64_t>(size);
            if (!visit(box)) return true;
            p = box.end;  // at least 8 bytes on
        }
        return true;
    }

    // The first box of each wanted type among the children; a second is a
    // problem, as which of them a reader takes is unknown.
    void children(const Box& parent, std::int64_t from, int depth,
                  std::initializer_list<std::pair<std::uint32_t, std::optional<Box>*>> wanted) {
        boxes(from, parent.end, depth, [&](const Box& b) {
            for (const auto& [type, slot] : wanted) {
                if (b.type != type) continue;
                if (*slot)
                    problem("two " + TypeName(type) + " boxes in " + TypeName(parent.type));
                else
                    *slot = b;
            }
            return true;
        });
    }

private:
    PhotoFile& m_file;
    ContainerMap& m_map;
    std::int64_t m_steps = 0;
    bool m_exhausted = false;
};

bool IsTiffHeader(PhotoFile& file, std::int64_t p, std::int64_t end) {
    if (end - p < 8 || !file.contains(p, 8)) return false;
    unsigned char b[2];
    file.read(p, b, 2);
    return (b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M');
}

bool IsJpegStart(PhotoFile& file, std::int64_t p, std::int64_t end) {
    if (end - p < 2 || !file.contains(p, 2)) return false;
    unsigned char b[2];
    file.read(p, b, 2);
    return b[0] == 0xFF && b[1] == 0xD8;
}

// A box header that could be one at p: a size that fits, a type of letters.
bool PlausibleBox(PhotoFile& file, std::int64_t p, std::int64_t end) {
    Cursor c(file, p, end);
    const std::uint32_t size = c.u32();
    const std::uint32_t type = c.u32();
    if (!c.ok() || size < 8 || size > static_cast<std::uint64_t>(end - p)) return false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto ch = static_cast<unsigned char>(type >> shift);
        if ((ch < 0x20 || ch >= 0x7F) && ch != 0xA9) return false;
    }
    return true;
}

// ---- kind ------------------------------------------------------------------

enum class Family { None, Cr3, Heif, Movie };

Family BrandFamily(std::uint32_t brand) {
    if (brand == FourCC("crx ")) return Family::Cr3;
    static constexpr std::uint32_t heif[] = {
        FourCC("heic"), FourCC("heix"), FourCC("heim"), FourCC("heis"), FourCC("hevc"),
        FourCC("hevx"), FourCC("hevm"), FourCC("hevs"), FourCC("mif1"), FourCC("mif2"),
        FourCC("msf1"), FourCC("avif"), FourCC("avis"), FourCC("avci")};
    for (const std::uint32_t b : heif)
        if (brand == b) return Family::Heif;
    static constexpr std::uint32_t movie[] = {
        FourCC("qt  "), FourCC("isom"), FourCC("iso2"), FourCC("iso3"), FourCC("iso4"),
        FourCC("iso5"), FourCC("iso6"), FourCC("iso7"), FourCC("iso8"), FourCC("iso9"),
        FourCC("mp41"), FourCC("mp42"), FourCC("mp71"), FourCC("avc1"), FourCC("M4V "),
        FourCC("M4VH"), FourCC("M4VP"), FourCC("M4A "), FourCC("M4B "), FourCC("M4P "),
        FourCC("3gp4"), FourCC("3gp5"), FourCC("3gp6"), FourCC("3gp7"), FourCC("3gp8"),
        FourCC("3gp9"), FourCC("3g2a"), FourCC("3g2b"), FourCC("3g2c"), FourCC("3ge6"),
        FourCC("3ge7"), FourCC("3gg6"), FourCC("MSNV"), FourCC("XAVC"), FourCC("f4v "),
        FourCC("mqt "), FourCC("CAEP"), FourCC("caqv")};
    for (const std::uint32_t b : movie)
        if (brand == b) return Family::Movie;
    return Family::None;
}

FileKind KindOf(Family family) {
    switch (family) {
        case Family::Cr3:
            return FileKind::Cr3;
        case Family::Heif:
            return FileKind::Heif;
        case Family::Movie:
            return FileKind::QuickTime;
        default:
            return FileKind::Unknown;
    }
}

// The kind by the first box: the brands of ftyp, or one of the boxes older
// QuickTime files begin with. Nothing for a file of none.
std::optional<FileKind> KindByFirstBox(PhotoFile& file) {
    Cursor c(file, 1, file.size() + 1);
    const std::uint32_t size32 = c.u32();
    const std::uint32_t type = c.u32();
    if (!c.ok()) return std::nullopt;
    if (type != Ftyp) {
        static constexpr std::uint32_t legacy[] = {Moov,           Mdat,           FourCC("wide"),
                                                   FourCC("free"), FourCC("skip"), FourCC("pnot")};
        for (const std::uint32_t t : legacy)
            if (type == t) return FileKind::QuickTime;
        return std::nullopt;
    }
    std::uint64_t size = size32;
    if (size32 == 1) size = c.take(8);
    if (size32 == 0) size = static_cast<std::uint64_t>(file.size());
    // The brands the box and the file hold; the walk reports a box that
    // claims more than the file has.
    const std::int64_t header = c.at() - 1;
    if (!c.ok() || size < static_cast<std::uint64_t>(header)) return std::nullopt;
    const std::int64_t end =
        1 + static_cast<std::int64_t>(std::min<std::uint64_t>(size, std::uint64_t(file.size())));
    Cursor brands(file, c.at(), end);
    const std::uint32_t major = brands.u32();
    brands.skip(4);  // minor version
    if (!brands.ok()) return std::nullopt;
    std::vector<Family> compatible;
    while (brands.left() >= 4 && compatible.size() < 1024) {
        compatible.push_back(BrandFamily(brands.u32()));
    }
    const Family first = BrandFamily(major);
    const auto has = [&](Family f) {
        return std::find(compatible.begin(), compatible.end(), f) != compatible.end();
    };
    // Canon's own brand makes a CR3, but a HEIF of Canon's stays a HEIF.
    if (first == Family::Cr3 || (first != Family::Heif && has(Family::Cr3))) return FileKind::Cr3;
    if (first != Family::None) return KindOf(first);
    if (has(Family::Heif)) return FileKind::Heif;
    if (has(Family::Movie)) return FileKind::QuickTime;
    return std::nullopt;
}

// ---- HEIF ------------------------------------------------------------------

struct HeifItem {
    std::uint32_t id = 0;
    bool exif = true;  // else XMP
    bool describesPrimary = false;
    int located = 0;  // times iloc lists it
    std::uint16_t method = 0;
    std::uint16_t dataReference = 0;
    std::uint64_t base = 0;
    std::uint32_t extents = 0;
    std::uint64_t offset = 0;  // of the first extent
    std::uint64_t length = 0;
};

struct Heif {
    std::optional<std::uint32_t> primary;
    std::vector<HeifItem> items;
    std::unordered_map<std::uint32_t, std::size_t> byId;
    // Every extent of every item in the file (its id, first byte and
    // length, both as stored): an Exif item must share no byte with another.
    struct Extent {
        std::uint32_t id;
        std::uint64_t offset;
        std::uint64_t length;
    };
    std::vector<Extent> extents;
};

void ReadPrimary(Walk& w, const Box& pitm, Heif& heif) {
    Cursor c(w.file(), pitm.data, pitm.end);
    const std::uint8_t version = c.u8();
    c.skip(3);
    const std::uint32_t id = version == 0 ? c.u16() : c.u32();
    if (c.ok())
        heif.primary = id;
    else
        w.problem("the primary item box is too short");
}

void ReadItemInfo(Walk& w, const Box& iinf, Heif& heif) {
    Cursor c(w.file(), iinf.data, iinf.end);
    const std::uint8_t version = c.u8();
    c.skip(3);
    c.take(version == 0 ? 2 : 4);  // the count: the boxes that follow are what counts
    if (!c.ok()) {
        w.problem("the item information box is too short");
        return;
    }
    std::unordered_set<std::uint32_t> seen;
    w.boxes(c.at(), iinf.end, 3, [&](const Box& infe) {
        if (infe.type != Infe) return true;
        Cursor e(w.file(), infe.data, infe.end);
        const std::uint8_t v = e.u8();
        e.skip(3);
        std::uint32_t id = 0;
        std::uint32_t type = Mime;
        std::uint16_t protection = 0;
        if (v <= 1) {
            // Older entries carry no type: every item is described by a MIME type.
            id = e.u16();
            protection = e.u16();
        } else if (v <= 3) {
            id = v == 2 ? e.u16() : e.u32();
            protection = e.u16();
            type = e.u32();
        } else {
            w.note("an item entry of version " + std::to_string(v) + " is left alone");
            return true;
        }
        if (!e.ok()) {
            w.problem("an item entry is too short");
            return true;
        }
        if (!seen.insert(id).second) {
            w.problem("item " + std::to_string(id) + " is described twice");
            if (const auto it = heif.byId.find(id); it != heif.byId.end())
                heif.items[it->second].located = -1;  // marked as unusable
            return true;
        }
        e.text(0);  // item_name
        HeifItem item;
        item.id = id;
        if (type == ExifType) {
            item.exif = true;
        } else if (type == Mime) {
            const std::string contentType = e.text();
            if (contentType != XmpContentType) return true;
            const std::string encoding = e.text();
            if (!encoding.empty()) {
                w.note("the XMP item is stored compressed (" + encoding + "); left alone");
                return true;
            }
            item.exif = false;
        } else {
            return true;
        }
        if (protection != 0) {
            w.note(std::string(item.exif ? "the Exif" : "the XMP") +
                   " item is protected; left alone");
            return true;
        }
        heif.byId.emplace(id, heif.items.size());
        heif.items.push_back(item);
        return true;
    });
}

void ReadLocations(Walk& w, const Box& iloc, Heif& heif) {
    Cursor c(w.file(), iloc.data, iloc.end);
    const std::uint8_t version = c.u8();
    c.skip(3);
    if (version > 2) {
        w.note("item locations of version " + std::to_string(version) + " are left alone");
        return;
    }
    const std::uint8_t sizes = c.u8();
    const std::uint8_t sizes2 = c.u8();
    const int offsetSize = sizes >> 4;
    const int lengthSize = sizes & 15;
    const int baseSize = sizes2 >> 4;
    const int indexSize = version >= 1 ? sizes2 & 15 : 0;
    const auto valid = [](int n) { return n == 0 || n == 4 || n == 8; };
    if (!valid(offsetSize) || !valid(lengthSize) || !valid(baseSize) || !valid(indexSize)) {
        w.problem("the item location box has field sizes no writer uses");
        return;
    }
    const std::uint32_t count = version < 2 ? c.u16() : c.u32();
    for (std::uint32_t i = 0; i < count && c.ok(); ++i) {
        if (!w.step()) return;
        const std::uint32_t id = version < 2 ? c.u16() : c.u32();
        const auto method = static_cast<std::uint16_t>(version >= 1 ? c.u16() & 15 : 0);
        const std::uint16_t dataReference = c.u16();
        const std::uint64_t base = c.take(baseSize);
        const std::uint16_t extents = c.u16();
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        for (std::uint32_t e = 0; e < extents && c.ok(); ++e) {
            if (e > 0 && !w.step()) return;
            c.take(indexSize);
            const std::uint64_t o = c.take(offsetSize);
            const std::uint64_t l = c.take(lengthSize);
            if (method == 0 && dataReference == 0 && o + base >= base)
                heif.extents.push_back({id, base + o, l});
            if (e == 0) {
                offset = o;
                length = l;
            }
        }
        if (!c.ok()) break;
        const auto it = heif.byId.find(id);
        if (it == heif.byId.end()) continue;
        HeifItem& item = heif.items[it->second];
        if (item.located < 0) continue;
        ++item.located;
        item.method = method;
        item.dataReference = dataReference;
        item.base = base;
        item.extents = extents;
        item.offset = offset;
        item.length = length;
    }
    if (!c.ok()) w.problem("the item location box runs past its end");
}

// Which Exif items describe the primary image: theirs come first.
void ReadReferences(Walk& w, const Box& iref, Heif& heif) {
    Cursor c(w.file(), iref.data, iref.end);
    const std::uint8_t version = c.u8();
    c.skip(3);
    if (!c.ok()) return;
    const int idSize = version == 0 ? 2 : 4;
    w.boxes(c.at(), iref.end, 3, [&](const Box& ref) {
        if (ref.type != Cdsc) return true;
        Cursor r(w.file(), ref.data, ref.end);
        const auto from = static_cast<std::uint32_t>(r.take(idSize));
        const std::uint16_t count = r.u16();
        for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
            const auto to = static_cast<std::uint32_t>(r.take(idSize));
            if (!r.ok() || !heif.primary || to != *heif.primary) continue;
            if (const auto it = heif.byId.find(from); it != heif.byId.end())
                heif.items[it->second].describesPrimary = true;
        }
        return true;
    });
}

// The size the primary item's ispe property states, else the largest stated.
void ReadImageSize(Walk& w, const Box& iprp, const Heif& heif) {
    std::optional<Box> ipco;
    std::vector<Box> ipmas;
    w.boxes(iprp.data, iprp.end, 2, [&](const Box& b) {
        if (b.type == Ipco && !ipco) ipco = b;
        if (b.type == Ipma) ipmas.push_back(b);
        return true;
    });
    if (!ipco) return;
    // Properties by their 1-based index; only ispe's size kept.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes(1);
    w.boxes(ipco->data, ipco->end, 3, [&](const Box& b) {
        std::pair<std::uint32_t, std::uint32_t> size{0, 0};
        if (b.type == Ispe) {
            Cursor c(w.file(), b.data, b.end);
            c.skip(4);
            size.first = c.u32();
            size.second = c.u32();
            if (!c.ok()) size = {0, 0};
        }
        sizes.push_back(size);
        return true;
    });
    std::optional<std::pair<std::uint32_t, std::uint32_t>> chosen;
    for (const Box& ipma : ipmas) {
        Cursor c(w.file(), ipma.data, ipma.end);
        const std::uint8_t version = c.u8();
        const auto flags = static_cast<std::uint32_t>(c.take(3));
        const std::uint32_t count = c.u32();
        for (std::uint32_t i = 0; i < count && c.ok() && !chosen; ++i) {
            if (!w.step()) return;
            const std::uint32_t id = version < 1 ? c.u16() : c.u32();
            const std::uint8_t n = c.u8();
            for (std::uint8_t a = 0; a < n && c.ok(); ++a) {
                const std::uint32_t index = (flags & 1) ? (c.u16() & 0x7FFFu) : (c.u8() & 0x7Fu);
                if (!c.ok() || !heif.primary || id != *heif.primary) continue;
                if (index < sizes.size() && sizes[index].first > 0 && sizes[index].second > 0) {
                    chosen = sizes[index];
                    break;
                }
            }
        }
    }
    if (!chosen) {
        for (const auto& s : sizes) {
            if (!chosen ||
                std::uint64_t{s.first} * s.second > std::uint64_t{chosen->first} * chosen->second)
                chosen = s;
        }
    }
    constexpr std::uint32_t most = std::numeric_limits<std::int32_t>::max();
    if (chosen && chosen->first > 0 && chosen->second > 0 && chosen->first <= most &&
        chosen->second <= most) {
        w.map().width = static_cast<std::int32_t>(chosen->first);
        w.map().height = static_cast<std::int32_t>(chosen->second);
    }
}

// The bytes of an item stored in one piece of an mdat box; nothing, with a
// note or a problem said, for one left alone.
std::optional<ByteSpan> ItemBytes(Walk& w, const HeifItem& item, const std::vector<Box>& mdats) {
    const std::string name = item.exif ? "the Exif item" : "the XMP item";
    if (item.located < 0) return std::nullopt;  // said when it was described twice
    if (item.located == 0) {
        w.problem(name + " has no location");
        return std::nullopt;
    }
    if (item.located > 1) {
        w.problem(name + " is located twice");
        return std::nullopt;
    }
    if (item.method != 0) {
        w.note(name +
               (item.method == 1 ? " is stored inside the meta box (idat)"
                                 : " is built from another item") +
               "; left alone");
        return std::nullopt;
    }
    if (item.dataReference != 0) {
        w.note(name + " lies in another file; left alone");
        return std::nullopt;
    }
    if (item.extents != 1) {
        w.note(name + " is stored in " + std::to_string(item.extents) + " pieces; left alone");
        return std::nullopt;
    }
    if (item.length == 0) {
        w.note(name + " has no stated length; left alone");
        return std::nullopt;
    }
    const auto fileSize = static_cast<std::uint64_t>(w.file().size());
    const std::uint64_t offset = item.base + item.offset;
    if (offset < item.base || offset > fileSize || item.length > fileSize - offset) {
        w.problem(name + " lies outside the file");
        return std::nullopt;
    }
    const ByteSpan span{static_cast<std::int64_t>(offset) + 1,
                        static_cast<std::int64_t>(item.length)};
    if (std::none_of(mdats.begin(), mdats.end(),
                     [&](const Box& m) { return m.content().contains(span); })) {
        w.problem(name + " does not lie inside a media data box");
        return std::nullopt;
    }
    return span;
}

void MapHeif(Walk& w, const Box& meta, const std::vector<Box>& mdats) {
    if (meta.size() < 4) {
        w.problem("the meta box is too short");
        return;
    }
    std::optional<Box> pitm, iinf, iloc, iprp, iref;
    w.children(meta, meta.data + 4, 1,
               {{Pitm, &pitm}, {Iinf, &iinf}, {Iloc, &iloc}, {Iprp, &iprp}, {Iref, &iref}});
    Heif heif;
    if (pitm) ReadPrimary(w, *pitm, heif);
    if (iinf) ReadItemInfo(w, *iinf, heif);
    if (iloc && !heif.items.empty()) ReadLocations(w, *iloc, heif);
    if (iref && !heif.items.empty()) ReadReferences(w, *iref, heif);
    if (iprp) ReadImageSize(w, *iprp, heif);

    // An item whose data the file does not hold is a file cut short or
    // crafted: nothing of it is trusted.
    const auto fileSize = static_cast<std::uint64_t>(w.file().size());
    for (const Heif::Extent& x : heif.extents) {
        if (x.offset > fileSize || (x.length != 0 && x.length > fileSize - x.offset)) {
            w.problem("an item's data lies outside the file");
            break;
        }
    }

    // The photo's own EXIF first.
    std::stable_partition(heif.items.begin(), heif.items.end(),
                          [](const HeifItem& i) { return i.describesPrimary; });
    PhotoFile& file = w.file();
    for (const HeifItem& item : heif.items) {
        const std::optional<ByteSpan> span = ItemBytes(w, item, mdats);
        if (!span) continue;
        // An item whose bytes another item's extent covers (an image over
        // the EXIF) is no place to write; a length of 0 runs to the end.
        const auto first = static_cast<std::uint64_t>(span->first - 1);
        const auto end = static_cast<std::uint64_t>(span->end() - 1);
        const bool shared =
            std::any_of(heif.extents.begin(), heif.extents.end(), [&](const Heif::Extent& x) {
                if (x.id == item.id) return false;
                const std::uint64_t xEnd = x.length == 0 || x.offset + x.length < x.offset
                                               ? UINT64_MAX
                                               : x.offset + x.length;
                return x.offset < end && first < xEnd;
            });
        if (shared)
            w.problem(std::string(item.exif ? "the Exif item" : "the XMP item") +
                      " and another item share bytes");
        if (!item.exif) {
            w.map().xmp.push_back(*span);
            continue;
        }
        // The item begins with the offset of the TIFF header after it
        // (6 past "Exif\0\0" as a rule, 0 in some).
        Cursor c(file, span->first, span->end());
        const std::uint32_t skip = c.u32();
        const std::int64_t tiffBase = span->first + 4 + std::int64_t{skip};
        if (!c.ok() || !IsTiffHeader(file, tiffBase, span->end())) {
            w.problem("no TIFF header where the Exif item's offset leads");
            continue;
        }
        ExifBlock block;
        block.tiffBase = tiffBase;
        block.app1 = *span;
        block.container = ExifBlock::Container::Jpeg;
        block.magic = 42;
        w.map().exif.push_back(block);
    }
}

// ---- movies ----------------------------------------------------------------

// A meta box is a full box in MP4 but not in QuickTime: where its children
// begin.
std::int64_t MetaChildren(PhotoFile& file, const Box& meta) {
    // QuickTime's has no version: its first child (hdlr, keys or ilst) starts
    // at once, its type where MP4's first child's size would stand. Anything
    // else is read as MP4's, and a meta that is neither is malformed.
    Cursor c(file, meta.data + 4, meta.end);
    const std::uint32_t type = c.u32();
    if (c.ok() && (type == Hdlr || type == Keys || type == Ilst)) return meta.data;
    return meta.data + 4;
}

// The creation and modification times of mvhd, tkhd or mdhd.
void PushTimes(Walk& w, const Box& box, const std::string& place) {
    Cursor c(w.file(), box.data, box.end);
    const std::uint8_t version = c.u8();
    if (!c.ok()) {
        w.problem(place + " is empty");
        return;
    }
    if (version > 1) {
        w.note(place + " of version " + std::to_string(version) + " is left alone");
        return;
    }
    const std::int64_t n = version == 0 ? 4 : 8;
    if (box.size() < 4 + 2 * n) {
        w.problem(place + " is too short for its times");
        return;
    }
    w.map().movieTimes.push_back({place + " CreationTime", {box.data + 4, n}, true});
    w.map().movieTimes.push_back({place + " ModificationTime", {box.data + 4 + n, n}, false});
}

// The UTF-8 texts of the data boxes of an item list entry; an entry that is
// not wanted is walked all the same, as a malformed box anywhere in the list
// leaves the whole movie unwritten.
void PushDataTexts(Walk& w, const Box& item, const std::string& place, int depth,
                   bool wanted = true) {
    w.boxes(item.data, item.end, depth, [&](const Box& data) {
        if (data.type != Data || !wanted) return true;
        Cursor c(w.file(), data.data, data.end);
        const std::uint32_t type = c.u32();
        c.skip(4);  // locale
        if (!c.ok()) {
            w.problem(place + " holds a data box too short for its header");
            return true;
        }
        if (type != 1) {
            w.note(place + " holds a value of type " + std::to_string(type) + "; left alone");
            return true;
        }
        if (c.left() > 0) w.map().movieTexts.push_back({place, {c.at(), c.left()}});
        return true;
    });
}

// QuickTime's own text entries: a 16-bit length, a 16-bit language, the text.
void PushUserDataTexts(Walk& w, const Box& box, const std::string& place, int depth) {
    PhotoFile& file = w.file();
    // Some writers keep the item list form here.
    if (box.size() >= 16 && PlausibleBox(file, box.data, box.end)) {
        Cursor c(file, box.data + 4, box.end);
        if (c.u32() == Data) {
            PushDataTexts(w, box, place, depth);
            return;
        }
    }
    Cursor c(file, box.data, box.end);
    while (c.left() > 0) {
        if (!w.step()) return;
        const std::uint16_t length = c.u16();
        c.skip(2);  // language
        if (!c.ok() || c.left() < length) {
            w.problem(place + " holds a text that runs past its box");
            return;
        }
        if (length > 0) w.map().movieTexts.push_back({place, {c.at(), length}});
        c.skip(length);
    }
}

// The 1-based indexes of the creation date among the keys of a keys box.
std::vector<std::uint32_t> CreationDateKeys(Walk& w, const Box& keys) {
    std::vector<std::uint32_t> found;
    Cursor c(w.file(), keys.data, keys.end);
    c.skip(4);
    const std::uint32_t count = c.u32();
    for (std::uint32_t i = 1; i <= count && c.ok(); ++i) {
        if (!w.step()) break;
        const std::uint32_t size = c.u32();
        const std::uint32_t space = c.u32();
        if (!c.ok() || size < 8 || c.left() < std::int64_t{size} - 8) {
            w.problem("a key runs past the keys box");
            return found;
        }
        const std::int64_t length = std::int64_t{size} - 8;
        if (space == Mdta && length == static_cast<std::int64_t>(CreationDateKey.size())) {
            std::string name(CreationDateKey.size(), '\0');
            w.file().read(c.at(), name.data(), name.size());
            if (name == CreationDateKey) found.push_back(i);
        }
        c.skip(length);
    }
    if (!c.ok()) w.problem("the keys box is too short");
    return found;
}

// A metadata box of a movie: an iTunes-style item list (©day) or, with the
// mdta handler, keys and the list of their values.
void MapMovieMeta(Walk& w, const Box& meta, const std::string& place, int depth) {
    std::optional<Box> hdlr, keys, ilst;
    const std::int64_t first = MetaChildren(w.file(), meta);
    if (first > meta.end) {
        w.problem(place + " has no version");
        return;
    }
    w.children(meta, first, depth, {{Hdlr, &hdlr}, {Keys, &keys}, {Ilst, &ilst}});
    // The keys are walked whatever follows: a malformed one leaves the movie
    // unwritten, as a malformed box anywhere in its metadata does.
    const std::vector<std::uint32_t> indexes =
        keys ? CreationDateKeys(w, *keys) : std::vector<std::uint32_t>{};
    if (!ilst) return;
    std::uint32_t handler = 0;
    if (hdlr) {
        Cursor c(w.file(), hdlr->data + 8, hdlr->end);
        handler = c.u32();
    }
    if (handler == Mdta) {
        w.boxes(ilst->data, ilst->end, depth + 1, [&](const Box& item) {
            PushDataTexts(w, item, place + " " + std::string(CreationDateKey), depth + 2,
                          std::find(indexes.begin(), indexes.end(), item.type) != indexes.end());
            return true;
        });
        return;
    }
    w.boxes(ilst->data, ilst->end, depth + 1, [&](const Box& item) {
        PushDataTexts(w, item,
                      place +
                          " ilst \xC2\xA9"
                          "day",
                      depth + 2, item.type == Day);
        return true;
    });
}

void MapUserData(Walk& w, const Box& udta, int depth) {
    w.boxes(udta.data, udta.end, depth, [&](const Box& b) {
        if (b.type == Day) {
            PushUserDataTexts(w, b,
                              "udta \xC2\xA9"
                              "day",
                              depth + 1);
        } else if (b.type == XmpUserData) {
            if (b.size() > 0) w.map().xmp.push_back(b.content());
        } else if (b.type == Meta) {
            MapMovieMeta(w, b, "udta meta", depth + 1);
        }
        return true;
    });
}

struct Canon {
    std::optional<ExifBlock> cmt1, cmt2;
    std::optional<ByteSpan> thumbnail;
};

// CR3's CMT1 (IFD0) and CMT2 (the Exif IFD as a TIFF of its own), and the
// small thumbnail.
void MapCanonBox(Walk& w, const Box& uuid, int depth, Canon& canon) {
    w.boxes(uuid.data, uuid.end, depth, [&](const Box& b) {
        if (b.type == Cmt1 || b.type == Cmt2) {
            std::optional<ExifBlock>& slot = b.type == Cmt1 ? canon.cmt1 : canon.cmt2;
            if (slot) {
                w.problem("two " + TypeName(b.type) + " boxes");
            } else if (!IsTiffHeader(w.file(), b.data, b.end)) {
                w.problem(TypeName(b.type) + " holds no TIFF header");
            } else {
                ExifBlock block;
                block.tiffBase = b.data;
                block.app1 = b.content();
                block.container = ExifBlock::Container::Jpeg;
                block.magic = 42;
                block.holds =
                    b.type == Cmt1 ? ExifBlock::Holds::Ifd0Only : ExifBlock::Holds::ExifOnly;
                slot = block;
            }
        } else if (b.type == Thmb) {
            // Version and flags, width, height, the JPEG's length, 4 bytes, the JPEG.
            Cursor c(w.file(), b.data, b.end);
            c.skip(8);
            const std::uint32_t length = c.u32();
            c.skip(4);
            if (c.ok() && length > 0 && c.left() >= length && IsJpegStart(w.file(), c.at(), b.end))
                canon.thumbnail = ByteSpan{c.at(), length};
        }
        return true;
    });
}

// The JPEG in CR3's preview box: 8 bytes, then a PRVW box whose data holds
// 4 bytes, 2, width, height, 2, the JPEG's length and the JPEG.
std::optional<ByteSpan> CanonPreview(PhotoFile& file, const Box& uuid) {
    Cursor c(file, uuid.data + 8, uuid.end);
    const std::int64_t start = c.at();
    const std::uint32_t size = c.u32();
    const std::uint32_t type = c.u32();
    if (!c.ok() || type != Prvw || size < 24 || size > static_cast<std::uint64_t>(c.left() + 8))
        return std::nullopt;
    const std::int64_t end = start + size;
    Cursor d(file, c.at(), end);
    d.skip(12);
    const std::uint32_t length = d.u32();
    if (!d.ok() || length == 0 || d.left() < length || !IsJpegStart(file, d.at(), end))
        return std::nullopt;
    return ByteSpan{d.at(), length};
}

void MapMovie(Walk& w, const Box& moov, Canon& canon) {
    const bool cr3 = w.map().kind == FileKind::Cr3;
    int track = 0;
    bool sized = false;
    w.boxes(moov.data, moov.end, 1, [&](const Box& b) {
        if (b.type == Mvhd) {
            PushTimes(w, b, "mvhd");
        } else if (b.type == Trak) {
            const std::string place = "trak " + std::to_string(++track);
            std::int32_t width = 0, height = 0;
            std::uint32_t handler = 0;
            w.boxes(b.data, b.end, 2, [&](const Box& t) {
                if (t.type == Tkhd) {
                    PushTimes(w, t, place + " tkhd");
                    // The size, 16.16 fixed point, closes the box.
                    Cursor c(w.file(), t.data, t.end);
                    const std::uint8_t version = c.u8();
                    c.skip(version == 0 ? 75 : 87);
                    const std::uint32_t wide = c.u32() >> 16;
                    const std::uint32_t high = c.u32() >> 16;
                    if (c.ok() && version <= 1) {
                        width = static_cast<std::int32_t>(wide);
                        height = static_cast<std::int32_t>(high);
                    }
                } else if (t.type == Mdia) {
                    w.boxes(t.data, t.end, 3, [&](const Box& m) {
                        if (m.type == Mdhd) PushTimes(w, m, place + " mdhd");
                        if (m.type == Hdlr) {
                            Cursor c(w.file(), m.data + 8, m.end);
                            handler = c.u32();
                        }
                        return true;
                    });
                }
                return true;
            });
            if (!sized && handler == Vide && width > 0 && height > 0) {
                sized = true;
                if (!cr3 && w.map().width == 0) {
                    w.map().width = width;
                    w.map().height = height;
                }
            }
        } else if (b.type == Udta) {
            MapUserData(w, b, 2);
        } else if (b.type == Meta) {
            MapMovieMeta(w, b, "meta", 2);
        } else if (b.type == UuidType && b.uuid == CanonUuid && cr3) {
            MapCanonBox(w, b, 2, canon);
        }
        return true;
    });
}

// Two spans to be rewritten that share bytes would make one write spoil
// another: such a file is not sound.
void CheckOverlaps(ContainerMap& map) {
    std::vector<ByteSpan> spans;
    for (const ExifBlock& b : map.exif) spans.push_back(b.app1);
    spans.insert(spans.end(), map.xmp.begin(), map.xmp.end());
    for (const MovieTime& t : map.movieTimes) spans.push_back(t.bytes);
    for (const MovieText& t : map.movieTexts) spans.push_back(t.text);
    std::sort(spans.begin(), spans.end(),
              [](const ByteSpan& a, const ByteSpan& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (spans[i - 1].overlaps(spans[i])) {
            map.problems.push_back("two pieces of metadata share bytes");
            return;
        }
    }
}

}  // namespace

bool MapIsoFile(PhotoFile& file, ContainerMap& map) {
    const std::optional<FileKind> kind = KindByFirstBox(file);
    if (!kind) return false;
    map.kind = *kind;
    Walk w(file, map);
    std::optional<Box> meta, moov;
    std::vector<Box> mdats;
    std::optional<ByteSpan> preview;
    w.boxes(1, file.size() + 1, 0, [&](const Box& b) {
        if (b.type == Mdat) {
            mdats.push_back(b);
        } else if (b.type == Meta || b.type == Moov) {
            std::optional<Box>& slot = b.type == Meta ? meta : moov;
            if (slot)
                w.problem("two " + TypeName(b.type) + " boxes in the file");
            else
                slot = b;
        } else if (b.type == UuidType && b.uuid == XmpUuid) {
            if (b.size() > 0) map.xmp.push_back(b.content());
        } else if (b.type == UuidType && b.uuid == PreviewUuid && *kind == FileKind::Cr3) {
            if (!preview) preview = CanonPreview(file, b);
        }
        return true;
    });
    if (meta && *kind == FileKind::Heif) MapHeif(w, *meta, mdats);
    Canon canon;
    if (moov) MapMovie(w, *moov, canon);
    if (canon.cmt1) map.exif.push_back(*canon.cmt1);
    if (canon.cmt2) map.exif.push_back(*canon.cmt2);
    if (!preview || (canon.thumbnail && canon.thumbnail->size > preview->size))
        preview = canon.thumbnail;
    if (preview) map.preview = preview;
    CheckOverlaps(map);
    return true;
}

}  // namespace tovrin
