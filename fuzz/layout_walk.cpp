// The judge's own walk over a file's layout: which bytes a date write may
// change and which it must leave. Written apart from src/exif on purpose.
//
// Every container is walked to its end with bounds at each step. What the
// walk meets is either offered (a date text, an XMP packet, a movie time, a
// CRC that may change) or forbidden (a marker, a header, a length, a table, a
// value, image data); a byte that is neither stays too. An offered range
// survives only when nothing forbidden and no other offered range overlaps
// it (two date texts that start at the same byte are one text).
//
// The walk runs twice: the first pass gathers what is offered (at most
// MostOffers ranges), the second marks every offer a forbidden range
// touches, as each is met. So no list of forbidden ranges is kept, whatever
// the file claims: memory stays bounded by the offers, and the time by
// MostSteps (entries, boxes, chunks, items, strips walked).

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "judge.h"

namespace tovrin_fuzz {

namespace {

using Bytes = std::vector<unsigned char>;

// A date text is "yyyy:mm:dd hh:mm:ss" and its NUL: nothing past it is a date's.
constexpr long long DateTextBytes = 20;
// Bounds on the walk, far above any camera's, so a hostile file cannot make
// it run long.
constexpr int MostDirectories = 512;
constexpr long long MostSubIfds = 256;
constexpr long long MostSteps = 1LL << 22;
constexpr std::size_t MostOffers = 1024;

// Bytes per value of a TIFF field type; 0 for a type this walk does not know.
long long typeSize(unsigned type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;  // BYTE ASCII SBYTE UNDEFINED
        case 3:
        case 8:
            return 2;  // SHORT SSHORT
        case 4:
        case 9:
        case 11:
        case 13:
            return 4;  // LONG SLONG FLOAT IFD
        case 5:
        case 10:
        case 12:
            return 8;  // RATIONAL SRATIONAL DOUBLE
        default:
            return 0;
    }
}

enum class Kind { Ifd0, Chain, Exif, Other };

enum class Part { Date, Xmp, IptcText, IptcDigest, MovieTime, MovieText, Checksum };

struct Offer {
    Range r;
    Part part;
};

// An EXIF TIFF block: the header at `tiff`, structure only from `tiff` to
// `end`. `root` is what the header's first directory is (CR3's CMT2 holds
// the Exif IFD as the IFD0 of a TIFF of its own). In a file that is a TIFF
// structure (`file`) strips and tiles are image data, raw formats' own magic
// numbers stand for 42, and IFD0 may hold XMP, IPTC and Photoshop data.
struct Block {
    long long first = 0;
    long long end = 0;
    long long tiff = 0;
    Kind root = Kind::Ifd0;
    bool file = false;
};

// The ISO base media boxes the walk knows by their UUID.
constexpr unsigned char CanonUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                         0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
constexpr unsigned char XmpUuid[16] = {0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                                       0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};

struct Box {
    long long at = 0;
    long long payload = 0;
    long long end = 0;
    char type[5] = {0, 0, 0, 0, 0};
    long long uuid = -1;  // where a 'uuid' box's 16-byte user type stands
    bool is(const char* t) const { return std::memcmp(type, t, 4) == 0; }
};

class Walker {
public:
    explicit Walker(const Bytes& b) : m_b(b), m_size(static_cast<long long>(b.size())) {}

    Layout run() {
        for (m_pass = 1; m_pass <= 2; ++m_pass) {
            m_layout = Layout{};
            m_fault.clear();
            m_steps = 0;
            walkFile();
            if (!m_fault.empty()) break;
            if (m_pass == 1) indexOffers();
        }
        if (!m_fault.empty()) {
            Layout refused;
            refused.container = m_layout.container;
            refused.problem = m_fault;
            return refused;
        }
        if (m_layout.usable) settle();
        return std::move(m_layout);
    }

private:
    // ---------------------------------------------------------------- basics

    bool ok() const { return m_fault.empty(); }
    void fault(const std::string& why) {
        if (m_fault.empty()) m_fault = why;
    }
    bool step(long long n = 1) {
        m_steps += n;
        if (m_steps > MostSteps) fault("more structure than the walk's bound");
        return ok();
    }
    bool has(long long at, long long n) const { return at >= 0 && n >= 0 && at + n <= m_size; }
    bool equals(long long at, const char* text, long long n) const {
        return has(at, n) && std::memcmp(m_b.data() + at, text, static_cast<std::size_t>(n)) == 0;
    }
    unsigned be16(long long at) const { return unsigned{m_b[at]} << 8 | m_b[at + 1]; }
    unsigned long long be32(long long at) const {
        return (static_cast<unsigned long long>(be16(at)) << 16) | be16(at + 2);
    }
    unsigned long long be64(long long at) const { return be32(at) << 32 | be32(at + 4); }
    unsigned long long le32(long long at) const {
        return static_cast<unsigned long long>(m_b[at]) | unsigned{m_b[at + 1]} << 8 |
               static_cast<unsigned long long>(m_b[at + 2]) << 16 |
               static_cast<unsigned long long>(m_b[at + 3]) << 24;
    }

    // A range that may change, gathered in the first pass.
    void offer(Part part, long long first, long long end) {
        if (m_pass != 1 || end <= first || first < 0 || end > m_size) return;
        if (m_offers.size() >= MostOffers) {
            fault("more ranges that may change than the walk's bound");
            return;
        }
        m_offers.push_back({{first, end}, part});
    }

    // The offers' distinct ends cut the file into pieces; a forbidden range
    // marks the pieces it touches (a difference array), and an offer lying on
    // a marked piece is touched. Each forbidden range costs two searches.
    void indexOffers() {
        m_points.clear();
        for (const Offer& o : m_offers) {
            m_points.push_back(o.r.first);
            m_points.push_back(o.r.end);
        }
        std::sort(m_points.begin(), m_points.end());
        m_points.erase(std::unique(m_points.begin(), m_points.end()), m_points.end());
        m_marks.assign(m_points.size() + 1, 0);
    }
    void forbid(long long first, long long end) {
        if (m_pass != 2 || end <= first || m_points.size() < 2) return;
        const long long pieces = static_cast<long long>(m_points.size()) - 1;
        long long lo =
            (std::upper_bound(m_points.begin(), m_points.end(), first) - m_points.begin()) - 1;
        long long hi =
            (std::lower_bound(m_points.begin(), m_points.end(), end) - m_points.begin()) - 1;
        lo = std::max(lo, 0LL);
        hi = std::min(hi, pieces - 1);
        if (lo > hi) return;
        ++m_marks[static_cast<std::size_t>(lo)];
        --m_marks[static_cast<std::size_t>(hi + 1)];
    }

    // Keeps what may change: an offer no forbidden range touched and no
    // other offer overlaps (dates that start at one byte are one text; an
    // offer met twice is one).
    void settle() {
        const std::size_t pieces = m_points.size() > 0 ? m_points.size() - 1 : 0;
        std::vector<long long> touchedBefore(pieces + 1, 0);  // touched pieces before index k
        long long level = 0;
        for (std::size_t k = 0; k < pieces; ++k) {
            level += m_marks[k];
            touchedBefore[k + 1] = touchedBefore[k] + (level > 0 ? 1 : 0);
        }
        const auto index = [&](long long p) {
            return static_cast<std::size_t>(std::lower_bound(m_points.begin(), m_points.end(), p) -
                                            m_points.begin());
        };
        std::vector<bool> keep(m_offers.size(), true);
        for (std::size_t i = 0; i < m_offers.size(); ++i) {
            const Range& r = m_offers[i].r;
            if (touchedBefore[index(r.end)] - touchedBefore[index(r.first)] > 0) keep[i] = false;
        }
        const auto same = [](const Offer& a, const Offer& b) {
            if (a.part != b.part || a.r.first != b.r.first) return false;
            return a.part == Part::Date || a.r.end == b.r.end;
        };
        for (std::size_t i = 0; i < m_offers.size(); ++i)
            for (std::size_t j = i + 1; j < m_offers.size(); ++j)
                if (m_offers[i].r.overlaps(m_offers[j].r) && !same(m_offers[i], m_offers[j]))
                    keep[i] = keep[j] = false;
        std::set<std::pair<int, std::pair<long long, long long>>> listed;
        for (std::size_t i = 0; i < m_offers.size(); ++i) {
            if (!keep[i]) continue;
            const Offer& o = m_offers[i];
            if (!listed.insert({static_cast<int>(o.part), {o.r.first, o.r.end}}).second) continue;
            list(o.part).push_back(o.r);
        }
        for (std::vector<Range>* l :
             {&m_layout.dates, &m_layout.xmpPackets, &m_layout.iptcTexts, &m_layout.movieTexts,
              &m_layout.iptcDigests, &m_layout.movieTimes, &m_layout.checksums})
            std::sort(l->begin(), l->end(),
                      [](const Range& a, const Range& b) { return a.first < b.first; });
    }
    std::vector<Range>& list(Part part) {
        switch (part) {
            case Part::Date:
                return m_layout.dates;
            case Part::Xmp:
                return m_layout.xmpPackets;
            case Part::IptcText:
                return m_layout.iptcTexts;
            case Part::IptcDigest:
                return m_layout.iptcDigests;
            case Part::MovieTime:
                return m_layout.movieTimes;
            case Part::MovieText:
                return m_layout.movieTexts;
            case Part::Checksum:
                return m_layout.checksums;
        }
        return m_layout.dates;
    }

    // ------------------------------------------------------------ file kinds

    void walkFile() {
        const Bytes& b = m_b;
        if (has(0, 2) && b[0] == 0xFF && b[1] == 0xD8) {
            m_layout.container = "jpeg";
            m_layout.usable = walkJpeg(0, m_size, true);
        } else if (equals(0, "II*\0", 4) || equals(0, "MM\0*", 4) || equals(0, "IIRO", 4) ||
                   equals(0, "MMOR", 4) || equals(0, "IIU\0", 4)) {
            m_layout.container = "tiff";
            walkTiffFile();
        } else if (equals(0, "II+\0", 4) || equals(0, "MM\0+", 4)) {
            m_layout.container = "tiff";
            fault("BigTIFF: 64-bit offsets");
        } else if (equals(0, "\x89PNG\r\n\x1A\n", 8)) {
            m_layout.container = "png";
            walkPng();
        } else if (equals(0, "RIFF", 4) && equals(8, "WEBP", 4)) {
            m_layout.container = "webp";
            walkWebP();
        } else if (equals(0, "FUJIFILMCCD-RAW", 15)) {
            m_layout.container = "raf";
            walkRaf();
        } else if (isoStart()) {
            m_layout.container = "iso";
            walkIso();
        }
        if (!ok()) m_layout.usable = false;
    }

    bool isoStart() const {
        if (!has(0, 8)) return false;
        for (const char* t : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot"})
            if (equals(4, t, 4)) return true;
        return false;
    }

    // ------------------------------------------------------------------ TIFF

    unsigned u16(long long at) const {
        return m_intel ? (m_b[at] | unsigned{m_b[at + 1]} << 8) : be16(at);
    }
    unsigned long long u32(long long at) const {
        const unsigned long long b0 = m_b[at], b1 = m_b[at + 1], b2 = m_b[at + 2], b3 = m_b[at + 3];
        return m_intel ? (b0 | b1 << 8 | b2 << 16 | b3 << 24)
                       : (b0 << 24 | b1 << 16 | b2 << 8 | b3);
    }
    // What a TIFF structure claims, as stored, within its block: it can lie
    // nowhere else (a JPEG's next segment, a PNG's next chunk are no part of
    // it, whatever its counts say).
    void claim(long long first, long long end) { forbid(first, std::min(end, m_end)); }
    // Inside the block being walked: the only bytes its TIFF structure may
    // come from.
    bool inBlock(long long at, long long n) const {
        return at >= m_tiff && n >= 0 && at + n <= m_end;
    }

    // A file that is a TIFF structure: the whole file is the block.
    void walkTiffFile() {
        // CR2 keeps its own 8 bytes after the header ("CR", a version, the
        // raw IFD's offset).
        if (equals(8, "CR", 2)) forbid(8, 16);
        m_layout.usable = walkTiff({0, m_size, 0, Kind::Ifd0, true});
        // Panasonic keeps a JPEG with EXIF of its own in IFD0 (tag 0x002E):
        // its dates are the file's too.
        if (m_layout.usable && m_embeddedJpeg) {
            const Range jpeg = *m_embeddedJpeg;
            walkJpeg(jpeg.first, jpeg.end, false);
        }
    }

    // Walks one block: false when its TIFF header is not sound.
    bool walkTiff(const Block& block) {
        m_tiff = block.tiff;
        m_end = std::min(block.end, m_size);
        m_fileBlock = block.file;
        if (!inBlock(m_tiff, 8)) return false;
        if (m_b[m_tiff] == 'I' && m_b[m_tiff + 1] == 'I') {
            m_intel = true;
        } else if (m_b[m_tiff] == 'M' && m_b[m_tiff + 1] == 'M') {
            m_intel = false;
        } else {
            return false;
        }
        const unsigned magic = u16(m_tiff + 2);
        // Olympus' "IIRO"/"MMOR" and Panasonic's "IIU\0" in files of their own.
        if (magic != 42 && !(block.file && (magic == 0x4F52 || magic == 0x0055))) return false;
        forbid(m_tiff, m_tiff + 8);
        m_layout.blocks.push_back({m_tiff, m_end});

        // Each directory once, whatever points to it twice; the first way it
        // is reached decides what it is, in the order met (so the Exif IFD is
        // known as such before IFD1's link could lead to the same bytes). No
        // more are queued than are walked, so pointers repeated in a crafted
        // table cannot fill memory.
        m_work.clear();
        m_queued.clear();
        queue(u32(m_tiff + 4), block.root);
        while (!m_work.empty() && ok()) {
            const Pending next = m_work.front();
            m_work.pop_front();
            directory(next.offset, next.kind);
        }
        return true;
    }

    // Where a directory's strips (0) or tiles (1) and their byte counts are.
    struct Pieces {
        bool present = false;
        long long at = 0;
        int width = 0;  // 2 or 4; 0 for a type that holds no offsets
        unsigned long long n = 0;
    };

    struct Pending {
        unsigned long long offset;
        Kind kind;
    };
    void queue(unsigned long long offset, Kind kind) {
        if (m_queued.size() >= static_cast<std::size_t>(MostDirectories)) return;
        if (m_queued.insert(offset).second) m_work.push_back({offset, kind});
    }

    void directory(unsigned long long offset, Kind kind) {
        const long long at = m_tiff + static_cast<long long>(offset);
        if (!inBlock(at, 2)) return;
        const long long count = u16(at);
        const long long linkAt = at + 2 + 12 * count;
        claim(at, linkAt + 4);
        if (!step(count)) return;
        // A directory that opens with an entry of no TIFF type is garbage a
        // pointer happens to aim at (an Interop IFD stored in the wrong byte
        // order reads as 768 entries claiming the whole segment; ExifTool
        // lists none of them): its table stays forbidden, but nothing it
        // claims is followed. IFD0 and the Exif IFD are always read.
        if (kind == Kind::Other || kind == Kind::Chain) {
            if (count > 0 && inBlock(at + 2, 12) && typeSize(u16(at + 4)) == 0) return;
        }
        std::optional<unsigned long long> thumbOffset, thumbLength;
        Pieces offsets[2], counts[2];
        for (long long i = 0; i < count; ++i) {
            const long long e = at + 2 + 12 * i;
            if (!inBlock(e, 12)) break;
            const unsigned tag = u16(e);
            const unsigned type = u16(e + 2);
            const unsigned long long n = u32(e + 4);
            const unsigned long long value = u32(e + 8);
            const long long valueAt = m_tiff + static_cast<long long>(value);
            const long long bytes = typeSize(type) * static_cast<long long>(n);
            // IFD0's own copies of the capture date follow it, and the
            // DateTime of the thumbnail's directory.
            const bool dateTag =
                ((kind == Kind::Ifd0 || kind == Kind::Chain) && tag == 0x0132) ||
                ((kind == Kind::Exif || kind == Kind::Ifd0) && (tag == 0x9003 || tag == 0x9004));
            // A file's own XMP, IPTC and Photoshop data in IFD0.
            const bool copies = m_fileBlock && kind == Kind::Ifd0 &&
                                (tag == 0x02BC || tag == 0x83BB || tag == 0x8649) && bytes > 4;
            if (dateTag && type == 2) {
                // Only out of line is a date text clear of its table; its
                // first 20 bytes at most are the date's, and it lies after
                // the TIFF header inside the block.
                const long long textEnd =
                    valueAt + std::min<long long>(static_cast<long long>(n), DateTextBytes);
                if (n > 4 && inBlock(valueAt, textEnd - valueAt) && valueAt >= m_tiff + 8)
                    offer(Part::Date, valueAt, textEnd);
            } else if (copies && inBlock(valueAt, bytes)) {
                if (tag == 0x02BC)
                    offer(Part::Xmp, valueAt, valueAt + bytes);
                else if (tag == 0x83BB)
                    iim(valueAt, valueAt + bytes);
                else
                    photoshopResources(valueAt, valueAt + bytes);
            } else if (m_fileBlock && kind == Kind::Ifd0 && tag == 0x002E &&
                       u16(m_tiff + 2) == 0x55 && bytes > 4 && inBlock(valueAt, bytes)) {
                // Walked as a JPEG of its own once the file's walk is done
                // (the first such entry; each pass finds the same).
                const Range jpeg{valueAt, valueAt + bytes};
                if (!m_embeddedJpeg)
                    m_embeddedJpeg = jpeg;
                else if (m_embeddedJpeg->first != jpeg.first || m_embeddedJpeg->end != jpeg.end)
                    claim(jpeg.first, jpeg.end);
            } else if (bytes > 4) {
                claim(valueAt, valueAt + bytes);
            }
            // An offset of 0 leads to no directory: writers store it for one
            // they left out, and the header there is no table. Any other
            // offset is followed, into the header too.
            switch (tag) {
                case 0x8769:
                    if (value != 0) queue(value, kind == Kind::Ifd0 ? Kind::Exif : Kind::Other);
                    break;
                case 0x8825:
                case 0xA005:
                    if (value != 0) queue(value, Kind::Other);
                    break;
                case 0x014A:
                    subIfds(e, n);
                    break;
                case 0x0201:
                    thumbOffset = value;
                    break;
                case 0x0202:
                    thumbLength = value;
                    break;
                case 0x927C:
                    // The maker's own layout, whatever type the entry claims.
                    if (n > 4) claim(valueAt, valueAt + static_cast<long long>(n));
                    break;
                case 0x0111:
                case 0x0144:
                case 0x0117:
                case 0x0145: {
                    const int which = tag == 0x0111 || tag == 0x0117 ? 0 : 1;
                    Pieces& p = tag == 0x0111 || tag == 0x0144 ? offsets[which] : counts[which];
                    p.present = true;
                    p.width = type == 3 ? 2 : (type == 4 || type == 13) ? 4 : 0;
                    p.at = bytes > 4 ? valueAt : e + 8;
                    p.n = n;
                    break;
                }
                default:
                    break;
            }
        }
        if (thumbOffset) {
            const long long first = m_tiff + static_cast<long long>(*thumbOffset);
            claim(first, thumbLength ? first + static_cast<long long>(*thumbLength) : m_end);
        }
        if (m_fileBlock)
            for (int which = 0; which < 2; ++which) imageData(offsets[which], counts[which]);
        if ((kind == Kind::Ifd0 || kind == Kind::Chain) && inBlock(linkAt, 4)) {
            const unsigned long long link = u32(linkAt);
            if (link != 0) queue(link, Kind::Chain);
        }
    }

    // The strips or tiles of a file that is a TIFF structure. A piece
    // without its byte count runs to the end of the file; an offset the file
    // does not hold leads to no piece in it.
    void imageData(const Pieces& offsets, const Pieces& counts) {
        if (!offsets.present || offsets.n == 0) return;
        if (offsets.width == 0) {
            fault("strip or tile offsets of a type that holds no offsets");
            return;
        }
        for (unsigned long long k = 0; k < offsets.n && ok(); ++k) {
            if (!step()) return;
            const long long p = offsets.at + offsets.width * static_cast<long long>(k);
            if (!inBlock(p, offsets.width)) break;
            const long long first =
                m_tiff + static_cast<long long>(offsets.width == 2 ? u16(p) : u32(p));
            long long end = m_end;
            if (counts.present && counts.width != 0 && k < counts.n) {
                const long long q = counts.at + counts.width * static_cast<long long>(k);
                if (inBlock(q, counts.width))
                    end = first + static_cast<long long>(counts.width == 2 ? u16(q) : u32(q));
            }
            claim(first, std::max(end, first));
        }
    }

    void subIfds(long long e, unsigned long long n) {
        if (n == 1) {
            if (u32(e + 8) != 0) queue(u32(e + 8), Kind::Other);
            return;
        }
        const long long list = m_tiff + static_cast<long long>(u32(e + 8));
        for (unsigned long long i = 0; i < std::min<unsigned long long>(n, MostSubIfds); ++i) {
            const long long at = list + 4 * static_cast<long long>(i);
            if (!inBlock(at, 4) || !step()) break;
            if (u32(at) != 0) queue(u32(at), Kind::Other);
        }
    }

    // ------------------------------------------------------ IPTC, Photoshop

    // Photoshop image resources from `p` to `end`: the IPTC records of dates
    // and times and the 16-byte IPTC digest may change, nothing else.
    void photoshopResources(long long p, long long end) {
        while (ok() && p + 7 <= end && equals(p, "8BIM", 4)) {
            if (!step()) return;
            const unsigned id = be16(p + 4);
            long long q = p + 6;
            const long long name = m_b[q];
            q += 1 + name + ((1 + name) % 2);
            if (q + 4 > end) break;
            const long long size = static_cast<long long>(be32(q));
            q += 4;
            if (size > end - q) break;
            forbid(p, q);
            if (id == 0x0425 && size == 16) {
                offer(Part::IptcDigest, q, q + 16);
            } else if (id == 0x0404) {
                iim(q, q + size);
            } else {
                forbid(q, q + size);
            }
            p = q + size + (size % 2);
        }
        forbid(p, end);
    }

    // IPTC-IIM records from `r` to `end`.
    void iim(long long r, long long end) {
        while (ok() && r + 5 <= end) {
            if (!step()) return;
            if (m_b[r] == 0) {
                forbid(r, r + 1);
                ++r;
                continue;
            }
            const long long n = be16(r + 3);
            if (m_b[r] != 0x1C || (n & 0x8000) || r + 5 + n > end) break;
            const unsigned dataset = m_b[r + 2];
            forbid(r, r + 5);
            if (m_b[r + 1] == 2 &&
                (dataset == 55 || dataset == 60 || dataset == 62 || dataset == 63))
                offer(Part::IptcText, r + 5, r + 5 + n);
            else
                forbid(r + 5, r + 5 + n);
            r += 5 + n;
        }
        forbid(r, end);
    }

    // ------------------------------------------------------------------ JPEG

    // SOI, then segment after segment up to SOS or EOI, inside [s, e). The
    // Exif block is the first APP1 that starts "Exif\0\0", whatever segments
    // come before it. True when that block's TIFF header is sound; a JPEG
    // without it keeps every byte, its XMP and IPTC too.
    bool walkJpeg(long long s, long long e, bool top) {
        const auto within = [&](long long at, long long n) { return at >= s && at + n <= e; };
        if (!within(s, 2) || m_b[s] != 0xFF || m_b[s + 1] != 0xD8) return false;
        forbid(s, s + 2);
        std::optional<Block> exif;
        long long p = s + 2;
        for (int segments = 0; segments < 100000 && within(p, 2) && step(); ++segments) {
            if (m_b[p] != 0xFF) break;  // not a marker: the segment list ends here
            const unsigned m = m_b[p + 1];
            if (m == 0xFF) {  // a fill byte before a marker
                forbid(p, p + 1);
                p += 1;
                continue;
            }
            if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {  // TEM, RSTn: no length
                forbid(p, p + 2);
                p += 2;
                continue;
            }
            if (m == 0xDA || m == 0xD9 || m == 0xD8 || m == 0x00) break;
            forbid(p, std::min(p + 4, e));  // marker and length field
            if (!within(p + 2, 2)) break;
            const long long length = be16(p + 2);
            if (length < 2) break;
            const long long end = p + 2 + length;
            const long long clipped = std::min(end, e);
            const long long data = p + 4;
            static const char exifSignature[] = {'E', 'x', 'i', 'f', 0, 0};
            if (m == 0xE1) {
                if (top) m_layout.longestApp1 = std::max(m_layout.longestApp1, clipped - p);
                if (!exif && length >= 8 && within(data, 6) && equals(data, exifSignature, 6)) {
                    exif = Block{p, clipped, data + 6, Kind::Ifd0, false};
                    forbid(data, data + 6);
                } else if (data + 29 <= clipped &&
                           equals(data, "http://ns.adobe.com/xap/1.0/\0", 29)) {
                    forbid(data, data + 29);
                    offer(Part::Xmp, data + 29, clipped);
                } else {
                    forbid(data, clipped);
                }
            } else if (m == 0xED && data + 14 <= clipped && equals(data, "Photoshop 3.0\0", 14)) {
                forbid(data, data + 14);
                photoshopResources(data + 14, clipped);
            } else {
                forbid(data, clipped);
            }
            p = end;
        }
        // What follows the segments (the scan, the image data) is no metadata's.
        forbid(std::min(p, e), e);
        if (!exif) return false;
        if (top) {
            m_layout.app1 = {exif->first, exif->end};
            m_layout.tiff = exif->tiff;
        }
        const bool sound = walkTiff(*exif);
        if (!sound) forbid(exif->first, exif->end);
        return sound;
    }

    // ------------------------------------------------------------------- RAF

    // "FUJIFILMCCD-RAW ", then big-endian offsets and lengths: the JPEG at 84
    // and 88, the CFA header at 92 and 96, the CFA at 100 and 104.
    void walkRaf() {
        if (!has(0, 108)) {
            fault("a RAF header cut short");
            return;
        }
        const unsigned long long jpeg = be32(84), length = be32(88);
        if (jpeg < 108 || length < 4 || jpeg + length > static_cast<unsigned long long>(m_size)) {
            fault("a RAF whose JPEG lies outside the file");
            return;
        }
        const auto first = static_cast<long long>(jpeg);
        const long long end = first + static_cast<long long>(length);
        forbid(0, first);
        forbid(end, m_size);
        for (long long at : {92LL, 100LL}) {
            const auto from = static_cast<long long>(be32(at));
            forbid(from, from + static_cast<long long>(be32(at + 4)));
        }
        m_layout.usable = walkJpeg(first, end, false);
    }

    // ------------------------------------------------------------------- PNG

    // The signature, then chunks up to IEND: a 4-byte length, the type, the
    // data and a CRC over type and data. The eXIf chunk is an EXIF block and
    // an uncompressed iTXt "XML:com.adobe.xmp" holds XMP; their CRCs may
    // change, unless they were wrong before (a damaged chunk keeps its bytes).
    void walkPng() {
        forbid(0, 8);
        long long p = 8;
        bool ended = false;
        bool timeSeen = false;
        while (ok() && p < m_size && step()) {
            if (!has(p, 12)) {
                fault("a PNG chunk past the end of the file");
                return;
            }
            const unsigned long long length = be32(p);
            if (length > 0x7FFFFFFFULL || static_cast<long long>(length) > m_size - p - 12) {
                fault("a PNG chunk past the end of the file");
                return;
            }
            const long long data = p + 8;
            const long long end = data + static_cast<long long>(length);
            const long long crcAt = end;
            forbid(p, data);
            if (m_pass == 2) m_layout.pngChunks.push_back({{p + 4, end}, crcAt});
            const bool crcOk =
                Crc32(m_b.data() + p + 4, static_cast<std::size_t>(end - p - 4)) == be32(crcAt);
            bool mayChange = false;
            if (crcOk && equals(p + 4, "eXIf", 4)) {
                const long long tiff = equals(data, "Exif\0\0", 6) ? data + 6 : data;
                forbid(data, tiff);
                mayChange = walkTiff({data, end, tiff, Kind::Ifd0, false});
            } else if (crcOk && equals(p + 4, "iTXt", 4)) {
                mayChange = xmpText(data, end);
            } else if (crcOk && equals(p + 4, "tIME", 4) && length == 7 && !timeSeen) {
                // The image's last change, in UTC: a date like a movie's time.
                timeSeen = true;
                offer(Part::MovieTime, data, end);
                mayChange = true;
            } else if (crcOk && equals(p + 4, "tEXt", 4)) {
                mayChange = dateText(data, end);
            }
            if (mayChange) {
                offer(Part::Checksum, crcAt, crcAt + 4);
            } else {
                forbid(data, crcAt + 4);
            }
            p = crcAt + 4;
            if (equals(data - 4, "IEND", 4)) {
                ended = true;
                break;
            }
        }
        if (!ended) {
            fault("a PNG without IEND");
            return;
        }
        forbid(p, m_size);
        m_layout.usable = true;
    }

    // tEXt: keyword, NUL, text. The dates some writers keep as plain text
    // change their digits as a copy of the date does.
    bool dateText(long long data, long long end) {
        for (const char* keyword : {"create-date", "modify-date", "Creation Time"}) {
            const auto n = static_cast<long long>(std::strlen(keyword));
            if (data + n + 1 < end && equals(data, keyword, n) && m_b[data + n] == 0) {
                forbid(data, data + n + 1);
                offer(Part::MovieText, data + n + 1, end);
                return true;
            }
        }
        return false;
    }

    // iTXt: keyword, NUL, compression flag and method, language, NUL,
    // translated keyword, NUL, text.
    bool xmpText(long long data, long long end) {
        static const char keyword[] = "XML:com.adobe.xmp";
        if (!(data + 18 + 2 <= end && equals(data, keyword, 18))) return false;
        if (m_b[data + 18] != 0) return false;  // compressed
        long long q = data + 20;
        for (int field = 0; field < 2; ++field) {
            while (q < end && m_b[q] != 0) ++q;
            if (q >= end) return false;
            ++q;
        }
        forbid(data, q);
        offer(Part::Xmp, q, end);
        return true;
    }

    // ------------------------------------------------------------------ WebP

    // "RIFF", a little-endian size, "WEBP", then chunks: a type, a
    // little-endian size, the data and a pad byte when the size is odd.
    void walkWebP() {
        const long long riffEnd = 8 + static_cast<long long>(le32(4));
        if (!has(0, 12) || riffEnd > m_size || riffEnd < 12) {
            fault("a RIFF size past the end of the file");
            return;
        }
        forbid(0, 12);
        forbid(riffEnd, m_size);
        long long p = 12;
        while (ok() && p < riffEnd && step()) {
            if (p + 8 > riffEnd) {
                fault("a RIFF chunk header past the RIFF's end");
                return;
            }
            const long long size = static_cast<long long>(le32(p + 4));
            const long long data = p + 8;
            const long long end = data + size;
            if (end > riffEnd) {
                fault("a RIFF chunk past the RIFF's end");
                return;
            }
            forbid(p, data);
            if (equals(p, "EXIF", 4)) {
                // Some writers keep JPEG's "Exif\0\0" in front of the TIFF header.
                const long long tiff = equals(data, "Exif\0\0", 6) ? data + 6 : data;
                forbid(data, tiff);
                if (!walkTiff({data, end, tiff, Kind::Ifd0, false})) forbid(data, end);
            } else if (equals(p, "XMP ", 4)) {
                offer(Part::Xmp, data, end);
            } else {
                forbid(data, end);
            }
            // The last chunk's pad byte may be missing.
            forbid(end, std::min(end + (size & 1), riffEnd));
            p = end + (size & 1);
        }
        m_layout.usable = ok();
    }

    // ------------------------------------------------------- ISO base media

    // A box header at p inside [p, limit): a 32-bit size that counts itself,
    // or 1 and a 64-bit size, or 0 up to the end of the file (at the top
    // only); a 4-byte type; a 'uuid' box's 16-byte user type.
    bool readBox(long long p, long long limit, bool top, Box& box) {
        if (!step()) return false;
        if (p + 8 > limit) {
            fault("a box header past its container");
            return false;
        }
        unsigned long long size = be32(p);
        long long header = 8;
        if (size == 1) {
            if (p + 16 > limit) {
                fault("a box header past its container");
                return false;
            }
            size = be64(p + 8);
            header = 16;
        } else if (size == 0) {
            if (!top) {
                fault("a box of size 0 inside another");
                return false;
            }
            size = static_cast<unsigned long long>(limit - p);
        }
        std::memcpy(box.type, m_b.data() + p + 4, 4);
        box.uuid = -1;
        if (box.is("uuid")) {
            box.uuid = p + header;
            header += 16;
        }
        if (size < static_cast<unsigned long long>(header) ||
            size > static_cast<unsigned long long>(limit - p)) {
            fault(size < static_cast<unsigned long long>(header) ? "a box shorter than its header"
                                                                 : "a box past its container");
            return false;
        }
        box.at = p;
        box.payload = p + header;
        box.end = p + static_cast<long long>(size);
        forbid(p, box.payload);
        return true;
    }

    // The boxes inside [start, end), in order. Fewer than 8 bytes left over
    // may only be zeros (QuickTime ends some lists with a 32-bit 0).
    template <class Visit>
    void children(long long start, long long end, bool top, Visit visit) {
        for (long long p = start; ok() && p < end;) {
            if (end - p < 8) {
                for (long long q = p; q < end; ++q)
                    if (m_b[q] != 0) fault("a box header past its container");
                forbid(p, end);
                return;
            }
            Box box;
            if (!readBox(p, end, top, box)) return;
            visit(box);
            p = box.end;
        }
    }
    bool isUuid(const Box& box, const unsigned char* uuid) const {
        return box.uuid >= 0 && std::memcmp(m_b.data() + box.uuid, uuid, 16) == 0;
    }

    void walkIso() {
        children(0, m_size, true, [&](const Box& box) {
            if (box.is("meta")) {
                heifMeta(box);
            } else if (box.is("moov")) {
                movie(box);
            } else if (isUuid(box, XmpUuid)) {
                offer(Part::Xmp, box.payload, box.end);
            } else if (!box.is("mdat")) {
                forbid(box.payload, box.end);
            }
            // mdat holds the items' and the tracks' data: what the items
            // claim of it is forbidden, or walked, item by item.
        });
        m_layout.usable = ok();
    }

    // HEIF's meta: iinf names the items (an 'Exif' item; XMP as a 'mime'
    // item of application/rdf+xml), iloc says where their data lies.
    void heifMeta(const Box& meta) {
        if (meta.payload + 4 > meta.end) {
            fault("a meta box without its version");
            return;
        }
        forbid(meta.payload, meta.end);
        std::optional<Box> iinf, iloc;
        children(meta.payload + 4, meta.end, false, [&](const Box& box) {
            std::optional<Box>& slot = box.is("iinf") ? iinf : iloc;
            if (!box.is("iinf") && !box.is("iloc")) return;
            if (slot) fault("two iinf or two iloc boxes");
            slot = box;
        });
        if (!ok()) return;
        struct Item {
            bool exif = false;
            bool xmp = false;
        };
        std::map<unsigned long long, Item> items;
        if (iinf) itemInfo(*iinf, items);
        if (!ok() || !iloc) return;
        itemLocations(*iloc, [&](unsigned long long id, unsigned method, unsigned reference,
                                 const std::vector<Range>& extents) {
            // Only data in this file at plain file offsets has places here.
            if (method != 0 || reference != 0) return;
            const auto found = items.find(id);
            const Item item = found == items.end() ? Item{} : found->second;
            if ((item.exif || item.xmp) && extents.size() == 1 &&
                extents[0].end > extents[0].first) {
                const Range& r = extents[0];
                if (item.xmp) {
                    offer(Part::Xmp, r.first, r.end);
                    return;
                }
                exifItem(r);
                return;
            }
            for (const Range& r : extents) forbid(r.first, r.end);
        });
    }

    // An Exif item: a 4-byte big-endian offset from its end to the TIFF
    // header (past "Exif\0\0" as a rule), then the TIFF structure.
    void exifItem(const Range& r) {
        if (r.end - r.first < 4) {
            forbid(r.first, r.end);
            return;
        }
        const long long tiff = r.first + 4 + static_cast<long long>(be32(r.first));
        forbid(r.first, std::min(tiff, r.end));
        if (!walkTiff({r.first, r.end, tiff, Kind::Ifd0, false})) forbid(r.first, r.end);
    }

    template <class Items>
    void itemInfo(const Box& iinf, Items& items) {
        const long long p = iinf.payload;
        if (p + 4 > iinf.end) {
            fault("an iinf box cut short");
            return;
        }
        const long long entries = p + 4 + (m_b[p] == 0 ? 2 : 4);
        if (entries > iinf.end) {
            fault("an iinf box cut short");
            return;
        }
        children(entries, iinf.end, false, [&](const Box& infe) {
            if (!infe.is("infe")) return;
            const long long q = infe.payload;
            if (q + 4 > infe.end) {
                fault("an infe box cut short");
                return;
            }
            const unsigned version = m_b[q];
            if (version < 2) return;  // no item type: no Exif or XMP item
            const long long idLength = version == 2 ? 2 : 4;
            const long long typeAt = q + 4 + idLength + 2;
            if (typeAt + 4 > infe.end) {
                fault("an infe box cut short");
                return;
            }
            const unsigned long long id = idLength == 2 ? be16(q + 4) : be32(q + 4);
            const bool unprotected = be16(q + 4 + idLength) == 0;
            if (items.count(id) > 0) {
                fault("two items with one ID");
                return;
            }
            auto& item = items[id];
            if (!unprotected) return;
            if (equals(typeAt, "Exif", 4)) item.exif = true;
            if (!equals(typeAt, "mime", 4)) return;
            // Name, content type and content encoding, each ending in a NUL;
            // the encoding may be left out. XMP is application/rdf+xml, and
            // only uncompressed.
            std::string fields[3];
            bool ended[3] = {false, false, false};
            long long s = typeAt + 4;
            for (int f = 0; f < 3 && s < infe.end; ++f) {
                while (s < infe.end && m_b[s] != 0 && fields[f].size() < 256)
                    fields[f] += static_cast<char>(m_b[s++]);
                if (s < infe.end && m_b[s] == 0) {
                    ended[f] = true;
                    ++s;
                }
            }
            item.xmp = ended[0] && fields[1] == "application/rdf+xml" && fields[2].empty();
        });
    }

    // iloc: version 0, 1 or 2; the sizes of offsets, lengths, base offsets
    // and indexes (0, 4 or 8 bytes); then each item: its ID, (from version 1)
    // a construction method, a data reference index, a base offset and its
    // extents. Every extent of data at file offsets must lie in the file.
    template <class Visit>
    void itemLocations(const Box& iloc, Visit visit) {
        long long q = iloc.payload;
        const long long end = iloc.end;
        bool cut = false;
        const auto read = [&](long long n) -> unsigned long long {
            if (cut || q + n > end) {
                cut = true;
                return 0;
            }
            const unsigned long long v = n == 0 ? 0 : n == 2 ? be16(q) : n == 4 ? be32(q) : be64(q);
            q += n;
            return v;
        };
        const unsigned version = static_cast<unsigned>(read(4) >> 24);
        const unsigned long long sizes = read(2);
        if (cut || version > 2) {
            fault(cut ? "an iloc box cut short" : "an iloc box of an unknown version");
            return;
        }
        const long long offsetSize = (sizes >> 12) & 15, lengthSize = (sizes >> 8) & 15,
                        baseSize = (sizes >> 4) & 15, indexSize = version > 0 ? (sizes & 15) : 0;
        for (long long s : {offsetSize, lengthSize, baseSize, indexSize}) {
            if (s != 0 && s != 4 && s != 8) {
                fault("an iloc field of a size other than 0, 4 or 8");
                return;
            }
        }
        const unsigned long long count = read(version < 2 ? 2 : 4);
        const auto fileSize = static_cast<unsigned long long>(m_size);
        std::vector<Range> extents;
        for (unsigned long long i = 0; i < count && !cut && step(); ++i) {
            const unsigned long long id = read(version < 2 ? 2 : 4);
            const unsigned method = version > 0 ? static_cast<unsigned>(read(2) & 15) : 0;
            const auto reference = static_cast<unsigned>(read(2));
            const unsigned long long base = read(baseSize);
            const unsigned long long extentCount = read(2);
            extents.clear();
            for (unsigned long long k = 0; k < extentCount && !cut && step(); ++k) {
                read(indexSize);
                const unsigned long long offset = read(offsetSize);
                const unsigned long long length = read(lengthSize);
                if (method != 0 || reference != 0) continue;
                // A length of 0: the extent runs to the end of the file.
                if (base > fileSize || offset > fileSize - base ||
                    length > fileSize - base - offset) {
                    fault("an item's data lies outside the file");
                    return;
                }
                const auto first = static_cast<long long>(base + offset);
                extents.push_back(
                    {first, length == 0 ? m_size : first + static_cast<long long>(length)});
            }
            if (cut || !ok()) break;
            visit(id, method, reference, extents);
        }
        if (cut) fault("an iloc box cut short");
    }

    // moov: the movie's header times, its tracks' and their media's, its
    // user data (©day, XMP), its Keys, and CR3's Canon box.
    void movie(const Box& moov) {
        children(moov.payload, moov.end, false, [&](const Box& box) {
            if (box.is("mvhd")) {
                times(box);
            } else if (box.is("trak")) {
                children(box.payload, box.end, false, [&](const Box& t) {
                    if (t.is("tkhd")) {
                        times(t);
                    } else if (t.is("mdia")) {
                        children(t.payload, t.end, false, [&](const Box& m) {
                            if (m.is("mdhd"))
                                times(m);
                            else
                                forbid(m.payload, m.end);
                        });
                    } else {
                        forbid(t.payload, t.end);
                    }
                });
            } else if (box.is("udta")) {
                children(box.payload, box.end, false, [&](const Box& u) {
                    if (u.is("\xA9"
                             "day")) {
                        dayText(u);
                    } else if (u.is("XMP_")) {
                        offer(Part::Xmp, u.payload, u.end);
                    } else if (u.is("meta")) {
                        itemList(u);
                    } else {
                        forbid(u.payload, u.end);
                    }
                });
            } else if (box.is("meta")) {
                itemList(box);
            } else if (isUuid(box, CanonUuid)) {
                children(box.payload, box.end, false, [&](const Box& c) {
                    // CMT1 holds IFD0 as a TIFF of its own, CMT2 the Exif IFD.
                    if (c.is("CMT1") || c.is("CMT2")) {
                        if (!walkTiff({c.payload, c.end, c.payload,
                                       c.is("CMT1") ? Kind::Ifd0 : Kind::Exif, false}))
                            forbid(c.payload, c.end);
                    } else {
                        forbid(c.payload, c.end);
                    }
                });
            } else {
                forbid(box.payload, box.end);
            }
        });
    }

    // mvhd, tkhd, mdhd: version and flags, then the creation and the
    // modification time, 4 bytes each in version 0, 8 in version 1.
    void times(const Box& box) {
        const long long p = box.payload;
        if (p + 4 > box.end) {
            fault("a movie header cut short");
            return;
        }
        const unsigned version = m_b[p];
        if (version > 1) {
            forbid(p, box.end);
            return;
        }
        const long long width = version == 0 ? 4 : 8;
        if (p + 4 + 2 * width > box.end) {
            fault("a movie header cut short");
            return;
        }
        forbid(p, p + 4);
        offer(Part::MovieTime, p + 4, p + 4 + width);
        offer(Part::MovieTime, p + 4 + width, p + 4 + 2 * width);
        forbid(p + 4 + 2 * width, box.end);
    }

    // udta's ©day: QuickTime text (a 16-bit size, a 16-bit language, the
    // text), again and again; or, as MP4 writers store it, 'data' boxes.
    void dayText(const Box& box) {
        if (box.payload + 8 <= box.end && equals(box.payload + 4, "data", 4)) {
            itemValues(box, true);
            return;
        }
        for (long long p = box.payload; ok() && p < box.end && step();) {
            if (p + 4 > box.end) {
                fault("a ©day text past its box");
                return;
            }
            const long long size = be16(p);
            if (p + 4 + size > box.end) {
                fault("a ©day text past its box");
                return;
            }
            forbid(p, p + 4);
            offer(Part::MovieText, p + 4, p + 4 + size);
            p += 4 + size;
        }
    }

    // An item of an ilst: its 'data' boxes, each a 4-byte type (1: UTF-8
    // text), a 4-byte locale and the value. Only a wanted item's UTF-8 text
    // may change.
    void itemValues(const Box& item, bool wanted) {
        children(item.payload, item.end, false, [&](const Box& d) {
            if (!d.is("data")) {
                forbid(d.payload, d.end);
                return;
            }
            if (d.payload + 8 > d.end) {
                fault("a data box cut short");
                return;
            }
            forbid(d.payload, d.payload + 8);
            if (wanted && be32(d.payload) == 1)
                offer(Part::MovieText, d.payload + 8, d.end);
            else
                forbid(d.payload + 8, d.end);
        });
    }

    // A 'meta' of the movie: QuickTime's (no version; hdlr, keys, ilst, the
    // items named by their key's 1-based index) or MP4's (a version, ilst
    // items named by type). ©day and the Keys creation date may change.
    void itemList(const Box& meta) {
        // QuickTime's starts with a child box at once: its type stands where
        // MP4's first child's size would (a size that large fits in no meta).
        bool plain = false;
        for (const char* first : {"hdlr", "keys", "ilst"})
            plain = plain || (meta.payload + 8 <= meta.end && equals(meta.payload + 4, first, 4));
        if (!plain && meta.payload + 4 > meta.end) {
            fault("a meta box without its version");
            return;
        }
        if (!plain) forbid(meta.payload, meta.payload + 4);
        std::vector<Box> lists;
        std::vector<unsigned long long> creationKeys;
        children(plain ? meta.payload : meta.payload + 4, meta.end, false, [&](const Box& box) {
            if (box.is("ilst")) {
                lists.push_back(box);
                return;
            }
            forbid(box.payload, box.end);
            if (box.is("keys")) keys(box, creationKeys);
        });
        for (const Box& list : lists) {
            children(list.payload, list.end, false, [&](const Box& item) {
                const unsigned long long index = be32(item.at + 4);
                const bool wanted = item.is(
                                        "\xA9"
                                        "day") ||
                                    std::find(creationKeys.begin(), creationKeys.end(), index) !=
                                        creationKeys.end();
                itemValues(item, wanted);
            });
        }
    }

    // keys: version and flags, a count, then each key: a 32-bit size that
    // counts itself, a namespace, the name.
    void keys(const Box& box, std::vector<unsigned long long>& creationKeys) {
        long long p = box.payload;
        if (p + 8 > box.end) {
            fault("a keys box cut short");
            return;
        }
        const unsigned long long count = be32(p + 4);
        p += 8;
        static const char name[] = "com.apple.quicktime.creationdate";
        const long long nameLength = sizeof(name) - 1;
        for (unsigned long long index = 1; index <= count && ok() && step(); ++index) {
            if (p + 8 > box.end) {
                fault("a key past its box");
                return;
            }
            const unsigned long long size = be32(p);
            if (size < 8 || size > static_cast<unsigned long long>(box.end - p)) {
                fault("a key past its box");
                return;
            }
            if (equals(p + 4, "mdta", 4) && static_cast<long long>(size) == 8 + nameLength &&
                equals(p + 8, name, nameLength))
                creationKeys.push_back(index);
            p += static_cast<long long>(size);
        }
    }

    const Bytes& m_b;
    const long long m_size;
    int m_pass = 1;
    std::string m_fault;
    long long m_steps = 0;
    std::vector<Offer> m_offers;
    std::vector<long long> m_points;
    std::vector<long long> m_marks;
    // The TIFF block being walked, and its directories still to walk.
    std::deque<Pending> m_work;
    std::set<unsigned long long> m_queued;
    long long m_tiff = 0;
    long long m_end = 0;
    bool m_intel = false;
    bool m_fileBlock = false;
    std::optional<Range> m_embeddedJpeg;
    Layout m_layout;
};

std::string hex(long long v) {
    char s[32];
    std::snprintf(s, sizeof s, "0x%llx", v);
    return s;
}

}  // namespace

Layout WalkLayout(const Bytes& bytes) { return Walker(bytes).run(); }

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string KindOfFile(const Bytes& b) {
    const auto is = [&](std::size_t at, const char* text, std::size_t n) {
        return b.size() >= at + n && std::memcmp(b.data() + at, text, n) == 0;
    };
    if (is(0, "\xFF\xD8", 2)) return "jpeg";
    for (const char* m : {"II*\0", "MM\0*", "IIRO", "MMOR", "IIU\0", "II+\0", "MM\0+"})
        if (is(0, m, 4)) return "tiff";
    if (is(0, "\x89PNG\r\n\x1A\n", 8)) return "png";
    if (is(0, "RIFF", 4) && is(8, "WEBP", 4)) return "webp";
    if (is(0, "FUJIFILMCCD-RAW", 15)) return "raf";
    if (is(4, "ftyp", 4)) {
        // The brands: the major one and the compatible ones after the minor version.
        const std::size_t size = b.size() >= 4
                                     ? (std::size_t{b[0]} << 24 | std::size_t{b[1]} << 16 |
                                        std::size_t{b[2]} << 8 | b[3])
                                     : 0;
        std::vector<std::size_t> brands{8};
        for (std::size_t at = 16; at + 4 <= std::min<std::size_t>(size, 64); at += 4)
            brands.push_back(at);
        for (std::size_t at : brands)
            if (is(at, "crx ", 4)) return "cr3";
        for (std::size_t at : brands)
            for (const char* h : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "mif2",
                                  "msf1", "avif", "avis"})
                if (is(at, h, 4)) return "heif";
        return "quicktime";
    }
    for (const char* t : {"moov", "mdat", "free", "skip", "wide", "pnot"})
        if (is(4, t, 4)) return "quicktime";
    return "";
}

std::string DescribeLayout(const Layout& layout, const Bytes& bytes) {
    std::string out = "container " + (layout.container.empty() ? "(none)" : layout.container) +
                      ", " + (layout.usable ? "usable" : "not usable");
    if (!layout.problem.empty()) out += ": " + layout.problem;
    out += "\n";
    const auto range = [&](const Range& r) {
        return "[" + hex(r.first) + ", " + hex(r.end) + ") " + std::to_string(r.end - r.first) +
               " bytes";
    };
    const auto text = [&](const Range& r) {
        std::string s;
        for (long long i = r.first; i < r.end && i < r.first + 40; ++i) {
            const unsigned char c = bytes[static_cast<std::size_t>(i)];
            s += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
        }
        return " \"" + s + "\"";
    };
    const auto number = [&](const Range& r) {
        unsigned long long v = 0;
        for (long long i = r.first; i < r.end; ++i) v = v << 8 | bytes[static_cast<std::size_t>(i)];
        return " = " + std::to_string(v);
    };
    for (const Range& r : layout.blocks) out += "  exif block   " + range(r) + "\n";
    for (const Range& r : layout.dates) out += "  date         " + range(r) + text(r) + "\n";
    for (const Range& r : layout.xmpPackets) out += "  xmp          " + range(r) + text(r) + "\n";
    for (const Range& r : layout.iptcTexts) out += "  iptc text    " + range(r) + text(r) + "\n";
    for (const Range& r : layout.iptcDigests) out += "  iptc digest  " + range(r) + "\n";
    for (const Range& r : layout.movieTimes) out += "  movie time   " + range(r) + number(r) + "\n";
    for (const Range& r : layout.movieTexts) out += "  movie text   " + range(r) + text(r) + "\n";
    for (const Range& r : layout.checksums) out += "  checksum     " + range(r) + "\n";
    return out;
}

}  // namespace tovrin_fuzz
