#include "judge.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/date_copies.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"

namespace tovrin_fuzz {

namespace {

using Bytes = std::vector<unsigned char>;

// The longest a JPEG segment can be, marker included: no text read from one
// can be longer.
constexpr long long LongestSegment = 2 + 0xFFFF;
// A date text is "yyyy:mm:dd hh:mm:ss" and its NUL: nothing past it is a date's.
constexpr long long DateTextBytes = 20;
// Bounds on the walk, far above any camera's, so a hostile file cannot make
// it run long.
constexpr int MostDirectories = 512;
constexpr long long MostSubIfds = 256;

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

class Walker {
public:
    explicit Walker(const Bytes& b) : m_b(b), m_size(static_cast<long long>(b.size())) {}

    Layout run() {
        if (!walkJpeg()) return std::move(m_layout);
        walkTiff();
        settleDates();
        return std::move(m_layout);
    }

private:
    struct Candidate {
        Range text;
    };

    bool has(long long at, long long n) const { return at >= 0 && n >= 0 && at + n <= m_size; }
    // Inside the Exif APP1 segment: the only bytes TIFF structure may come from.
    bool inSegment(long long at, long long n) const {
        return at >= m_tiff && n >= 0 && at + n <= m_layout.app1.end;
    }
    unsigned be16(long long at) const { return unsigned{m_b[at]} << 8 | m_b[at + 1]; }
    unsigned u16(long long at) const {
        return m_intel ? (m_b[at] | unsigned{m_b[at + 1]} << 8) : be16(at);
    }
    unsigned long long u32(long long at) const {
        const unsigned long long b0 = m_b[at], b1 = m_b[at + 1], b2 = m_b[at + 2], b3 = m_b[at + 3];
        return m_intel ? (b0 | b1 << 8 | b2 << 16 | b3 << 24)
                       : (b0 << 24 | b1 << 16 | b2 << 8 | b3);
    }
    void forbid(long long first, long long end) {
        if (end > first) m_layout.forbidden.push_back({first, end});
    }

    // SOI, then segment after segment up to SOS or EOI. The Exif block is the
    // first APP1 that starts "Exif\0\0", whatever segments come before it.
    bool walkJpeg() {
        if (!has(0, 2) || m_b[0] != 0xFF || m_b[1] != 0xD8) return false;
        forbid(0, 2);
        long long p = 2;
        for (int segments = 0; segments < 100000 && has(p, 2); ++segments) {
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
            if (m == 0xDA || m == 0xD9 || m == 0xD8 || m == 0x00) {
                forbid(p, p + 2);
                break;
            }
            forbid(p, std::min(p + 4, m_size));  // marker and length field
            if (!has(p + 2, 2)) break;
            const long long length = be16(p + 2);
            if (length < 2) break;
            const long long end = p + 2 + length;
            if (m == 0xE1 || m == 0xED) copySegment(m, p + 4, std::min(end, m_size));
            if (m == 0xE1) {
                const long long clipped = std::min(end, m_size);
                m_layout.longestApp1 = std::max(m_layout.longestApp1, clipped - p);
                static const unsigned char signature[] = {'E', 'x', 'i', 'f', 0, 0};
                if (m_tiff < 0 && length >= 8 && has(p + 4, 6) &&
                    std::equal(signature, signature + 6, m_b.begin() + p + 4)) {
                    m_layout.app1 = {p, clipped};
                    m_tiff = p + 10;
                }
            }
            p = end;
        }
        if (m_tiff < 0) return false;
        // Nothing outside the Exif segment, nor its own header, is a date's.
        forbid(0, m_tiff);
        forbid(m_layout.app1.end, m_size);
        return true;
    }

    void walkTiff() {
        if (!inSegment(m_tiff, 8)) return;
        if (m_b[m_tiff] == 'I' && m_b[m_tiff + 1] == 'I') {
            m_intel = true;
        } else if (m_b[m_tiff] == 'M' && m_b[m_tiff + 1] == 'M') {
            m_intel = false;
        } else {
            return;
        }
        if (u16(m_tiff + 2) != 42) return;
        forbid(m_tiff, m_tiff + 8);
        m_layout.usable = true;

        // Each directory once, whatever points to it twice; the first way it
        // is reached decides what it is.
        struct Pending {
            unsigned long long offset;
            Kind kind;
        };
        // In the order met, so the Exif IFD is known as such before IFD1's
        // link could lead to the same bytes.
        std::deque<Pending> work{{u32(m_tiff + 4), Kind::Ifd0}};
        std::set<unsigned long long> seen;
        int walked = 0;
        while (!work.empty() && walked < MostDirectories) {
            const Pending next = work.front();
            work.pop_front();
            if (!seen.insert(next.offset).second) continue;
            ++walked;
            directory(next.offset, next.kind, work);
        }
    }

    bool startsWith(long long at, long long end, const char* text, long long n) const {
        return at + n <= end && std::equal(text, text + n, m_b.begin() + at);
    }
    unsigned long long be32(long long at) const {
        return (static_cast<unsigned long long>(be16(at)) << 16) | be16(at + 2);
    }

    // The segments that may hold copies of the date: an XMP packet whole, and
    // in a Photoshop segment the IPTC records of dates and times and the
    // digest. Only what lies wholly inside the segment counts.
    void copySegment(unsigned marker, long long data, long long end) {
        if (marker == 0xE1 && startsWith(data, end, "http://ns.adobe.com/xap/1.0/\0", 29)) {
            m_layout.xmpPackets.push_back({data + 29, end});
            return;
        }
        if (marker != 0xED || !startsWith(data, end, "Photoshop 3.0\0", 14)) return;
        for (long long p = data + 14; startsWith(p, end, "8BIM", 4) && p + 7 <= end;) {
            const unsigned id = be16(p + 4);
            long long q = p + 6;
            const long long name = m_b[q];
            q += 1 + name + ((1 + name) % 2);
            if (q + 4 > end) return;
            const long long size = static_cast<long long>(be32(q));
            q += 4;
            if (size > end - q) return;
            if (id == 0x0425 && size == 16) m_layout.iptcDigests.push_back({q, q + 16});
            if (id == 0x0404) {
                for (long long r = q; r + 5 <= q + size;) {
                    if (m_b[r] == 0) {
                        ++r;
                        continue;
                    }
                    const long long n = be16(r + 3);
                    if (m_b[r] != 0x1C || (n & 0x8000) || r + 5 + n > q + size) break;
                    const unsigned dataset = m_b[r + 2];
                    if (m_b[r + 1] == 2 &&
                        (dataset == 55 || dataset == 60 || dataset == 62 || dataset == 63))
                        m_layout.iptcTexts.push_back({r + 5, r + 5 + n});
                    r += 5 + n;
                }
            }
            p = q + size + (size % 2);
        }
    }

    template <class Work>
    void directory(unsigned long long offset, Kind kind, Work& work) {
        const long long at = m_tiff + static_cast<long long>(offset);
        if (!inSegment(at, 2)) return;
        const long long count = u16(at);
        const long long linkAt = at + 2 + 12 * count;
        forbid(at, linkAt + 4);
        // A directory that opens with an entry of no TIFF type is garbage a
        // pointer happens to aim at (an Interop IFD stored in the wrong byte
        // order reads as 768 entries claiming the whole segment; ExifTool
        // lists none of them): its table stays forbidden, but nothing it
        // claims is followed. IFD0 and the Exif IFD are always read.
        if (kind == Kind::Other || kind == Kind::Chain) {
            if (count > 0 && inSegment(at + 2, 12) && typeSize(u16(at + 4)) == 0) return;
        }
        std::optional<unsigned long long> thumbOffset, thumbLength;
        for (long long i = 0; i < count; ++i) {
            const long long e = at + 2 + 12 * i;
            if (!inSegment(e, 12)) break;
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
            if (dateTag && type == 2) {
                // Only out of line is a date text clear of its table; its
                // first 20 bytes at most are the date's.
                if (n > 4)
                    m_candidates.push_back(
                        {{valueAt, valueAt + std::min<long long>(static_cast<long long>(n),
                                                                 DateTextBytes)}});
            } else if (bytes > 4) {
                forbid(valueAt, valueAt + bytes);
            }
            // An offset of 0 leads to no directory: writers store it for one
            // they left out, and the header there is no table. Any other
            // offset is followed, into the header too.
            switch (tag) {
                case 0x8769:
                    if (value != 0)
                        work.push_back({value, kind == Kind::Ifd0 ? Kind::Exif : Kind::Other});
                    break;
                case 0x8825:
                case 0xA005:
                    if (value != 0) work.push_back({value, Kind::Other});
                    break;
                case 0x014A:
                    subIfds(e, n, work);
                    break;
                case 0x0201:
                    thumbOffset = value;
                    break;
                case 0x0202:
                    thumbLength = value;
                    break;
                case 0x927C:
                    // The maker's own layout, whatever type the entry claims.
                    if (n > 4) forbid(valueAt, valueAt + static_cast<long long>(n));
                    break;
                default:
                    break;
            }
        }
        if (thumbOffset) {
            const long long first = m_tiff + static_cast<long long>(*thumbOffset);
            forbid(first,
                   thumbLength ? first + static_cast<long long>(*thumbLength) : m_layout.app1.end);
        }
        if ((kind == Kind::Ifd0 || kind == Kind::Chain) && inSegment(linkAt, 4)) {
            const unsigned long long link = u32(linkAt);
            if (link != 0) work.push_back({link, Kind::Chain});
        }
    }

    template <class Work>
    void subIfds(long long e, unsigned long long n, Work& work) {
        if (n == 1) {
            if (u32(e + 8) != 0) work.push_back({u32(e + 8), Kind::Other});
            return;
        }
        const long long list = m_tiff + static_cast<long long>(u32(e + 8));
        for (unsigned long long i = 0; i < std::min<unsigned long long>(n, MostSubIfds); ++i) {
            const long long at = list + 4 * static_cast<long long>(i);
            if (!inSegment(at, 4)) break;
            if (u32(at) != 0) work.push_back({u32(at), Kind::Other});
        }
    }

    // A date text may change only when it lies after the TIFF header inside
    // the segment, touches nothing forbidden and does not partly overlap
    // another date text (one starting at the same byte is the same text).
    void settleDates() {
        std::vector<Range> clear;
        for (const Candidate& c : m_candidates) {
            if (!inSegment(c.text.first, c.text.end - c.text.first) || c.text.first < m_tiff + 8)
                continue;
            bool touches = false;
            for (const Range& r : m_layout.forbidden) touches = touches || r.overlaps(c.text);
            if (!touches) clear.push_back(c.text);
        }
        for (const Range& c : clear) {
            bool partly = false;
            for (const Candidate& o : m_candidates)
                partly = partly || (o.text.first != c.first && o.text.overlaps(c));
            if (!partly) m_layout.dates.push_back(c);
        }
    }

    const Bytes& m_b;
    const long long m_size;
    long long m_tiff = -1;
    bool m_intel = false;
    std::vector<Candidate> m_candidates;
    Layout m_layout;
};

// A folder of this process's own under the system's temporary folder.
std::string scratchFolder() {
    static const std::string folder = [] {
        namespace fs = std::filesystem;
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path made = fs::temp_directory_path() /
                                  tovrin::NativePath("tovrin-fuzz-" + std::to_string(random()));
            std::error_code ec;
            if (fs::create_directory(made, ec)) return tovrin::FolderPath(tovrin::Utf8Path(made));
        }
        std::abort();
    }();
    return folder;
}

Bytes readAll(const std::string& path) {
    std::ifstream in(tovrin::NativePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The byte a date text holds at index i of "yyyy:mm:dd hh:mm:ss".
bool fitsDateShape(long long i, unsigned char c) {
    if (i == 4 || i == 7 || i == 13 || i == 16) return c == ':';
    if (i == 10) return c == ' ';
    return i >= 0 && i < 19 && c >= '0' && c <= '9';
}

struct Failed {
    std::string what;
};

// A broken promise ends the judging at once.
void check(bool ok, const std::string& what) {
    if (!ok) throw Failed{what};
}

std::string at(long long i) { return " at byte " + std::to_string(i); }

}  // namespace

Layout WalkLayout(const Bytes& bytes) { return Walker(bytes).run(); }

Verdict JudgeOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return {};
    tovrin::DateChoice choice;
    choice.date = {2007, 1, 23};
    choice.time = {9, 5, 0};
    choice.keepTime = (data[0] & 1) != 0;
    choice.filterOn = (data[0] & 2) != 0;
    choice.filterDate = {2006, 5, 4};
    // Which call writes: the writer alone, the whole date setting, or a shift.
    const int call = (data[0] >> 2) & 3;

    const std::string folder = scratchFolder();
    const std::string name = "photo.jpg";
    const Bytes before(data + 1, data + size);
    {
        std::ofstream out(tovrin::NativePath(folder + name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(before.data()),
                  static_cast<std::streamsize>(before.size()));
    }

    // A structural failure is noted and the judging goes on, so a broken
    // promise behind it is still found.
    std::string structural;
    const auto checkStructure = [&](bool ok, const std::string& what) {
        if (!ok && structural.empty()) structural = what;
    };
    std::string reader;
    const auto noted = [&]() -> Verdict {
        if (!structural.empty()) return {structural, Failure::Structure};
        if (!reader.empty()) return {reader, Failure::ReaderLength};
        return {};
    };
    try {
        const Layout layout = WalkLayout(before);
        const auto allowed = [&](long long i) {
            for (const Range& r : layout.forbidden)
                if (r.holds(i)) return false;
            for (const Range& r : layout.dates)
                if (r.holds(i)) return true;
            return false;
        };

        // The reader never returns more than the segment it reads from holds.
        tovrin::PhotoInfo info;
        tovrin::ReadPhotoInfo(folder, name, info);
        // When the reader took another APP1 than the walk's Exif one, the
        // longest APP1 of the file is the bound.
        const bool sameBlock = layout.usable && info.TiffBase - 1 == layout.app1.first + 10;
        const long long longest =
            sameBlock ? layout.app1.end - layout.app1.first
                      : (layout.longestApp1 > 0 ? layout.longestApp1 : LongestSegment);
        for (const std::string* text : {&info.DateTime, &info.DateTimeOriginal,
                                        &info.DateTimeDigitized, &info.Make, &info.Model})
            if (static_cast<long long>(text->size()) > longest && reader.empty())
                reader = "the reader returned a text longer than the APP1 segment";

        // Every field the engine plans to write lies inside a date text the
        // walk allows, from its first byte.
        {
            const std::size_t length = choice.keepTime ? 10 : 19;
            tovrin::PhotoFile file(folder + name, tovrin::PhotoFile::Mode::Read);
            const tovrin::DateFields found = tovrin::FindDateFields(file, length);
            for (const tovrin::DateField& f : found.fields) {
                const long long first = f.position - 1;
                checkStructure(layout.usable,
                               "a date field found in a photo with no usable structure");
                bool inside = false;
                for (const Range& r : layout.dates)
                    inside = inside ||
                             (r.first == first && first + static_cast<long long>(length) <= r.end);
                checkStructure(inside,
                               "a date field found where no date text may change" + at(first));
            }
        }

        // Every copy of the date outside the EXIF tables that the finder
        // names lies inside the file and is the value it reports.
        {
            tovrin::PhotoFile file(folder + name, tovrin::PhotoFile::Mode::Read);
            for (const tovrin::DateCopyFound& c : tovrin::FindDateCopies(file).found) {
                const long long first = c.text.first - 1;
                const bool inside = first >= 0 && c.text.size >= 0 &&
                                    first + c.text.size <= static_cast<long long>(before.size());
                checkStructure(inside, "a date copy found outside the file" + at(first));
                const std::string stored = tovrin::StoredCopyText(c, c.value);
                if (inside)
                    checkStructure(std::equal(stored.begin(), stored.end(), before.begin() + first,
                                              [](char a, unsigned char b) {
                                                  return static_cast<unsigned char>(a) == b;
                                              }) &&
                                       stored.size() == static_cast<std::size_t>(c.text.size),
                                   "a date copy whose value is not its bytes" + at(first));
            }
        }

        tovrin::WriteResult r;
        if (call == 1) {
            r = tovrin::UpdatePhotoDate(folder, name, choice).result;
        } else if (call == 2) {
            const std::int64_t seconds = (data[0] & 0x10) ? -86400LL * 400 - 61 : 3600LL * 25 + 7;
            r = tovrin::ShiftPhotoDate(folder, name, seconds,
                                       {.onlyOn = choice.filterOn ? "2006:05:04" : ""})
                    .result;
        } else {
            r = tovrin::WriteEmbeddedDate(folder, name, choice);
        }
        const Bytes after = readAll(folder + name);
        check(after.size() == before.size(), "length changed");
        if (!r.status) check(after == before, "false status but bytes changed");
        check(r.status || !(r.dateWritten || r.changed), "a write reported without status");
        check(after == before || r.changed, "bytes changed but not reported as changed");
        check(!r.dateWritten || r.changed, "dateWritten without changed");
        if (after == before) return noted();
        checkStructure(layout.usable, "bytes changed in a photo with no usable structure");
        const auto in = [](const std::vector<Range>& list, long long p) {
            return std::any_of(list.begin(), list.end(),
                               [&](const Range& r) { return r.holds(p); });
        };
        const auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] == before[i]) continue;
            const auto p = static_cast<long long>(i);
            // A copy of the date changes its digits only; a digest anything.
            if (in(layout.iptcDigests, p)) continue;
            if (in(layout.xmpPackets, p) || in(layout.iptcTexts, p)) {
                check(digit(before[i]) && digit(after[i]),
                      "a byte of a copy of the date changed that is no digit" + at(p));
                continue;
            }
            check((after[i] >= '0' && after[i] <= '9') || after[i] == ':' || after[i] == ' ',
                  "written byte is not a digit, ':' or ' '" + at(p));
            for (const Range& f : layout.forbidden)
                checkStructure(!f.holds(p),
                               "byte changed in a marker, header, entry table or value" + at(p));
            checkStructure(allowed(p),
                           "byte changed outside every date text that may change" + at(p));
            for (const Range& d : layout.dates)
                if (d.holds(p))
                    check(fitsDateShape(p - d.first, after[i]),
                          "written byte does not fit the date shape" + at(p));
        }
    } catch (const tovrin::RuntimeError&) {
        // A failure is reported to the user; it is no fault here, as long as
        // the photo is as it was.
        if (readAll(folder + name) != before)
            return {"a failed change left bytes changed", Failure::Promise};
    } catch (const Failed& failed) {
        return {failed.what, Failure::Promise};
    }
    return noted();
}

}  // namespace tovrin_fuzz
