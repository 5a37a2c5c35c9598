#include "exif/date_copies.h"

#include "exif/container.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "exif/md5.h"
#include "exif/photo_file.h"

namespace tovrin {

namespace {

constexpr std::string_view XmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view ExtendedXmpSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::string_view PhotoshopSignature{"Photoshop 3.0\0", 14};

// A sidecar larger than this is no packet of a photo's metadata.
constexpr std::int64_t LargestSidecar = 16 * 1024 * 1024;
// No date, in any form, is longer: a longer value is no date of the photo.
constexpr std::size_t LongestDate = 64;

// The XMP properties that hold a date of the photo: the namespace, its usual
// prefix and the property's name.
struct XmpDate {
    std::string_view uri;
    std::string_view prefix;
    std::string_view name;
};
constexpr std::string_view XmpUri = "http://ns.adobe.com/xap/1.0/";
constexpr std::string_view ExifUri = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view PhotoshopUri = "http://ns.adobe.com/photoshop/1.0/";
constexpr std::string_view TiffUri = "http://ns.adobe.com/tiff/1.0/";
constexpr std::array<XmpDate, 6> XmpDates{{{XmpUri, "xmp", "CreateDate"},
                                           {XmpUri, "xmp", "ModifyDate"},
                                           {ExifUri, "exif", "DateTimeOriginal"},
                                           {ExifUri, "exif", "DateTimeDigitized"},
                                           {PhotoshopUri, "photoshop", "DateCreated"},
                                           {TiffUri, "tiff", "DateTime"}}};

// The IPTC datasets of record 2 that hold a date or a time.
struct IptcDate {
    int dataset;
    CopyForm form;
    const char* place;
};
constexpr std::array<IptcDate, 4> IptcDates{
    {{55, CopyForm::IptcDate, "IPTC 2:55 DateCreated"},
     {60, CopyForm::IptcTime, "IPTC 2:60 TimeCreated"},
     {62, CopyForm::IptcDate, "IPTC 2:62 DigitalCreationDate"},
     {63, CopyForm::IptcTime, "IPTC 2:63 DigitalCreationTime"}}};

std::string readBytes(PhotoFile& file, const ByteSpan& span) {
    std::string bytes(static_cast<std::size_t>(span.size), '\0');
    if (span.size > 0) file.read(span.first, bytes.data(), bytes.size());
    return bytes;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The namespaces the packet declares (xmlns:p="uri"), prefix and URI: a
// packet may name a namespace as it likes.
std::vector<std::pair<std::string, std::string>> declarations(const std::string& packet) {
    std::vector<std::pair<std::string, std::string>> found;
    constexpr std::string_view Declaration = "xmlns:";
    for (std::size_t at = packet.find(Declaration); at != std::string::npos;
         at = packet.find(Declaration, at + 1)) {
        std::size_t p = at + Declaration.size();
        const std::size_t nameAt = p;
        while (p < packet.size() && packet[p] != '=' && !isSpace(packet[p]) && p - nameAt < 64) ++p;
        const std::string prefix = packet.substr(nameAt, p - nameAt);
        while (p < packet.size() && (isSpace(packet[p]) || packet[p] == '=')) ++p;
        if (p >= packet.size() || (packet[p] != '"' && packet[p] != '\'')) continue;
        const std::size_t uriEnd = packet.find(packet[p], p + 1);
        if (uriEnd == std::string::npos || uriEnd - p > 256) continue;
        found.emplace_back(prefix, packet.substr(p + 1, uriEnd - p - 1));
    }
    return found;
}

// Both forms of each property: the attribute (name="value", either quote)
// and the element (<name>value</name>). Only the packet's own bytes are
// looked at; a value with no end inside them, or too long for any date, is
// a problem.
//
// A packet in UTF-16 (a byte-order mark, or a NUL beside its first '<') is
// read one character a code unit, each mapped back to its two bytes.
void findXmpDates(const std::string& stored, std::int64_t first, DateCopies& out) {
    int width = 1;
    bool bigEndian = true;
    std::size_t skip = 0;
    if (stored.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(stored[0]);
        const auto b1 = static_cast<unsigned char>(stored[1]);
        if ((b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '<')) width = 2;
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == '<' && b1 == 0)) width = 2, bigEndian = false;
        if (width == 2 && (b0 == 0xFE || b0 == 0xFF)) skip = 2;
    }
    std::string packet;
    if (width == 1) {
        packet = stored;
    } else {
        packet.reserve(stored.size() / 2);
        for (std::size_t i = skip; i + 1 < stored.size(); i += 2) {
            const char high = stored[bigEndian ? i : i + 1];
            const char low = stored[bigEndian ? i + 1 : i];
            // Only ASCII matters here; anything else stands as one non-ASCII byte.
            packet += high == '\0' && static_cast<unsigned char>(low) < 0x80 ? low : '\x80';
        }
        first += static_cast<std::int64_t>(skip);
    }
    const auto fileAt = [&](std::size_t i) { return first + static_cast<std::int64_t>(i) * width; };
    // The prefixes the packet binds to each property's namespace.
    std::vector<std::vector<std::string>> prefixes;
    const auto declared = declarations(packet);
    for (const XmpDate& date : XmpDates) {
        prefixes.push_back({std::string(date.prefix)});
        for (const auto& [prefix, uri] : declared)
            if (uri == date.uri && !prefix.empty() && prefix != date.prefix)
                prefixes.back().push_back(prefix);
    }
    const auto nameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.' || c == ':';
    };
    // Every property named here has "Date" in its name: one pass over the
    // packet finds them all, whatever its size.
    for (std::size_t hit = packet.find("Date"); hit != std::string::npos;) {
        std::size_t at = hit;
        while (at > 0 && nameChar(packet[at - 1])) --at;
        std::size_t p = hit;
        while (p < packet.size() && nameChar(packet[p])) ++p;
        hit = packet.find("Date", p);
        const std::string_view name(packet.data() + at, p - at);
        const std::size_t colon = name.rfind(':');
        if (colon == std::string_view::npos) continue;
        std::size_t which = 0;
        while (which < XmpDates.size() &&
               (name.substr(colon + 1) != XmpDates[which].name ||
                std::find(prefixes[which].begin(), prefixes[which].end(), name.substr(0, colon)) ==
                    prefixes[which].end()))
            ++which;
        if (which == XmpDates.size()) continue;
        const XmpDate& date = XmpDates[which];
        const std::string place = std::string(date.prefix) + ":" + std::string(date.name);
        const char before = at == 0 ? ' ' : packet[at - 1];
        std::size_t valueAt = std::string::npos;
        char end = '\0';
        if (isSpace(before)) {
            while (p < packet.size() && isSpace(packet[p])) ++p;
            if (p >= packet.size() || packet[p] != '=') continue;
            ++p;
            while (p < packet.size() && isSpace(packet[p])) ++p;
            if (p >= packet.size() || (packet[p] != '"' && packet[p] != '\'')) continue;
            end = packet[p];
            valueAt = p + 1;
        } else if (before == '<' && p < packet.size() && packet[p] == '>') {
            end = '<';
            valueAt = p + 1;
        } else {
            continue;  // a closing tag
        }
        const std::size_t valueEnd = packet.find(end, valueAt);
        if (valueEnd == std::string::npos) {
            out.problems.push_back(place + ": XMP の値が終わらないまま切れています");
            break;
        }
        if (valueEnd - valueAt > LongestDate) {
            out.problems.push_back(place + ": XMP の値が日付にしては長すぎます");
            continue;
        }
        out.found.push_back(
            {place,
             CopyForm::Xmp,
             {fileAt(valueAt), static_cast<std::int64_t>(valueEnd - valueAt) * width},
             packet.substr(valueAt, valueEnd - valueAt),
             -1,
             width,
             bigEndian});
    }
}

std::uint32_t bigEndian(const std::string& b, std::size_t at, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The IIM records of resource 0x0404: 1C, record, dataset, a 16-bit size,
// the data. An extended size (its top bit set) or a record past the block
// ends the reading with a problem.
void findIptcDates(const std::string& iim, std::int64_t first, int block, DateCopies& out) {
    std::size_t p = 0;
    while (p < iim.size()) {
        // Photoshop pads the block with zeros.
        if (iim[p] == '\0') {
            ++p;
            continue;
        }
        if (static_cast<unsigned char>(iim[p]) != 0x1C || p + 5 > iim.size()) {
            out.problems.push_back("IPTC: 記録の始まりが正しくありません");
            return;
        }
        const int record = static_cast<unsigned char>(iim[p + 1]);
        const int dataset = static_cast<unsigned char>(iim[p + 2]);
        const std::uint32_t size = bigEndian(iim, p + 3, 2);
        if (size & 0x8000) {
            out.problems.push_back("IPTC: 拡張された長さの記録は扱えません");
            return;
        }
        if (p + 5 + size > iim.size()) {
            out.problems.push_back("IPTC: 記録がブロックの外まで続いています");
            return;
        }
        if (record == 2) {
            for (const IptcDate& d : IptcDates) {
                if (d.dataset != dataset) continue;
                out.found.push_back(
                    {d.place,
                     d.form,
                     {first + static_cast<std::int64_t>(p + 5), static_cast<std::int64_t>(size)},
                     iim.substr(p + 5, size),
                     block,
                     1,
                     true});
            }
        }
        p += 5 + size;
    }
}

// IPTC records kept apart from the resources that may hold their digest
// (TIFF tag 33723): which of the photo's blocks they are, and their bytes.
struct SeparateIptc {
    std::size_t block;
    std::string records;
};

// The Photoshop image resources from `start`: "8BIM", an id, a Pascal name
// padded to an even length, a 32-bit size, the data padded to an even length.
void findPhotoshopDates(const std::string& data, std::int64_t first, DateCopies& out,
                        std::size_t start, const SeparateIptc* separate = nullptr) {
    std::size_t p = start;
    std::vector<ByteSpan> digests;
    const std::size_t blocksBefore = out.iptc.size();
    while (p + 4 <= data.size()) {
        if (data.compare(p, 4, "8BIM") != 0) {
            out.problems.push_back("Photoshop の資源: 8BIM の印がありません");
            return;
        }
        if (p + 7 > data.size()) break;
        const std::uint32_t id = bigEndian(data, p + 4, 2);
        std::size_t q = p + 6;
        const std::size_t nameLength = static_cast<unsigned char>(data[q]);
        q += 1 + nameLength;
        if ((1 + nameLength) % 2 != 0) ++q;
        if (q + 4 > data.size()) break;
        const std::uint32_t size = bigEndian(data, q, 4);
        q += 4;
        if (size > data.size() - q) {
            out.problems.push_back("Photoshop の資源: ブロックがセグメントの外まで続いています");
            return;
        }
        const ByteSpan span{first + static_cast<std::int64_t>(q), size};
        if (id == 0x0404) {
            out.iptc.push_back({span, {}, false});
            findIptcDates(data.substr(q, size), span.first, static_cast<int>(out.iptc.size() - 1),
                          out);
        } else if (id == 0x0425) {
            if (size != 16) {
                out.problems.push_back("IPTCDigest: 長さが 16 バイトではありません");
                return;
            }
            digests.push_back(span);
        }
        p = q + size + (size % 2);
    }
    // The digest stands for the IPTC block of its own resources or, where
    // they hold none (as ExifTool writes a TIFF), for the records kept apart.
    if (digests.size() > 1) {
        out.problems.push_back("IPTCDigest: ひとつのブロックに二つあります");
        return;
    }
    if (digests.empty()) return;
    IptcBlock* owner = nullptr;
    std::string_view records;
    if (out.iptc.size() == blocksBefore + 1) {
        owner = &out.iptc.back();
        records = std::string_view(data).substr(static_cast<std::size_t>(owner->data.first - first),
                                                static_cast<std::size_t>(owner->data.size));
    } else if (out.iptc.size() == blocksBefore && separate) {
        owner = &out.iptc[separate->block];
        records = separate->records;
    }
    if (!owner) return;
    IptcBlock& block = *owner;
    if (block.digest) {
        out.problems.push_back("IPTCDigest: ひとつのブロックに二つあります");
        return;
    }
    block.digest = digests.front();
    const auto md5 = Md5(records);
    const std::size_t digestAt = static_cast<std::size_t>(block.digest->first - first);
    block.digestMatches =
        data.compare(digestAt, 16, std::string(reinterpret_cast<const char*>(md5.data()), 16)) == 0;
}

bool isPacketStart(const std::string& head) {
    std::size_t p = 0;
    if (head.compare(0, 3, "\xEF\xBB\xBF") == 0) p = 3;
    while (p < head.size() && isSpace(head[p])) ++p;
    if (head.compare(0, 2, "\xFE\xFF") == 0 || head.compare(0, 2, "\xFF\xFE") == 0 ||
        head.compare(0, 2, std::string("\0<", 2)) == 0 ||
        head.compare(0, 2, std::string("<\0", 2)) == 0)
        return true;
    return head.compare(p, 9, "<?xpacket") == 0 || head.compare(p, 10, "<x:xmpmeta") == 0 ||
           head.compare(p, 5, "<?xml") == 0 || head.compare(p, 8, "<rdf:RDF") == 0;
}

}  // namespace

DateCopies FindDateCopies(PhotoFile& file) {
    DateCopies out;
    // A sidecar: the packet alone.
    const std::string head = readBytes(file, {1, std::min<std::int64_t>(file.size(), 64)});
    if (isPacketStart(head)) {
        if (file.size() > LargestSidecar) {
            out.problems.push_back("XMP: ファイルが大きすぎます");
            return out;
        }
        findXmpDates(readBytes(file, {1, file.size()}), 1, out);
        return out;
    }
    const ContainerMap map = MapContainer(file);
    // The segments of a JPEG: the file's own, or those of a JPEG it wraps.
    const auto walkJpeg = [&](const ByteSpan& stream) {
        const bool whole = WalkJpegSegments(file, stream, [&](const JpegSegment& s) {
            if (s.marker != 0xE1 && s.marker != 0xED) return true;
            // A segment is at most 64 KiB: read as one piece.
            const std::string data = readBytes(file, s.data);
            if (s.marker == 0xE1 && data.compare(0, XmpSignature.size(), XmpSignature) == 0) {
                findXmpDates(data.substr(XmpSignature.size()),
                             s.data.first + static_cast<std::int64_t>(XmpSignature.size()), out);
            } else if (s.marker == 0xE1 &&
                       data.compare(0, ExtendedXmpSignature.size(), ExtendedXmpSignature) == 0) {
                if (out.notes.empty() || out.notes.back().rfind("拡張 XMP", 0) != 0)
                    out.notes.push_back("拡張 XMP の日付はそのままです");
            } else if (s.marker == 0xED &&
                       data.compare(0, PhotoshopSignature.size(), PhotoshopSignature) == 0) {
                findPhotoshopDates(data, s.data.first, out, PhotoshopSignature.size());
            }
            return true;
        });
        if (!whole) out.notes.push_back("JPEG のセグメントが途中で壊れています");
    };
    if (map.kind == FileKind::Jpeg) walkJpeg({1, file.size()});
    for (const ByteSpan& stream : map.jpegs) walkJpeg(stream);
    // What other containers keep apart: packets and IPTC records of their own.
    for (const ByteSpan& packet : map.xmp) {
        if (packet.size > LargestSidecar) {
            out.problems.push_back("XMP: パケットが大きすぎます");
            continue;
        }
        findXmpDates(readBytes(file, packet), packet.first, out);
    }
    // A movie's own date strings are written as XMP writes its dates.
    for (const MovieText& text : map.movieTexts) {
        if (text.text.size > 64) {
            out.problems.push_back(text.place + ": 日付が長すぎます");
            continue;
        }
        DateCopyFound copy;
        copy.place = text.place;
        copy.form = CopyForm::Xmp;
        copy.text = text.text;
        copy.value = readBytes(file, text.text);
        out.found.push_back(copy);
    }
    std::optional<SeparateIptc> separate;
    for (const ByteSpan& records : map.iptc) {
        if (records.size > LargestSidecar) {
            out.problems.push_back("IPTC: ブロックが大きすぎます");
            continue;
        }
        out.iptc.push_back({records, {}, false});
        separate = SeparateIptc{out.iptc.size() - 1, readBytes(file, records)};
        findIptcDates(separate->records, records.first, static_cast<int>(separate->block), out);
    }
    if (map.iptc.size() != 1) separate.reset();
    // A TIFF's resources start at once, without a JPEG segment's signature.
    for (const ByteSpan& resources : map.photoshop) {
        if (resources.size > LargestSidecar) {
            out.problems.push_back("Photoshop の資源: ブロックが大きすぎます");
            continue;
        }
        findPhotoshopDates(readBytes(file, resources), resources.first, out, 0,
                           separate ? &*separate : nullptr);
    }
    return out;
}

namespace {

int digitsAt(const std::string& text, std::size_t at, std::size_t count, bool& ok) {
    int v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = at + i < text.size() ? text[at + i] : 'x';
        if (c < '0' || c > '9') {
            ok = false;
            return 0;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

// "Z", "+hh:mm" or "-hh:mm" (XMP), "+hhmm" or "-hhmm" (IPTC), "" for none.
bool validZone(const std::string& zone, bool colon) {
    if (zone.empty()) return true;
    if (colon && zone == "Z") return true;
    if (zone.size() != (colon ? 6u : 5u) || (zone[0] != '+' && zone[0] != '-')) return false;
    bool ok = true;
    const int h = digitsAt(zone, 1, 2, ok);
    if (colon && zone[3] != ':') return false;
    const int m = digitsAt(zone, colon ? 4 : 3, 2, ok);
    return ok && h <= 23 && m <= 59;
}

void putDigits(std::string& text, std::size_t at, std::size_t count, int value) {
    for (std::size_t i = count; i-- > 0;) {
        text[at + i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

std::optional<CopyMoment> ReadCopyText(CopyForm form, const std::string& text) {
    CopyMoment m;
    bool ok = true;
    std::size_t p = 0;
    if (form == CopyForm::IptcDate) {
        if (text.size() != 8) return std::nullopt;
        m.dateParts = 3;
        m.t.year = digitsAt(text, 0, 4, ok);
        m.t.month = digitsAt(text, 4, 2, ok);
        m.t.day = digitsAt(text, 6, 2, ok);
        p = 8;
    } else if (form == CopyForm::IptcTime) {
        if (text.size() != 6 && text.size() != 11) return std::nullopt;
        m.timeParts = 3;
        m.t.hour = digitsAt(text, 0, 2, ok);
        m.t.minute = digitsAt(text, 2, 2, ok);
        m.t.second = digitsAt(text, 4, 2, ok);
        m.zone = text.substr(6);
        if (!validZone(m.zone, false)) return std::nullopt;
        p = text.size();
    } else {
        // The parts stand at fixed places; '-' or ':' between the date's,
        // 'T' or a blank before the time (some writers use EXIF's layout).
        m.t.year = digitsAt(text, 0, 4, ok);
        m.dateParts = 1;
        p = 4;
        const auto part = [&](char a, char b, int& into) {
            if (p + 3 > text.size() || (text[p] != a && text[p] != b)) return false;
            bool digits = true;
            const int v = digitsAt(text, p + 1, 2, digits);
            if (!digits) return false;
            into = v;
            p += 3;
            return true;
        };
        if (part('-', ':', m.t.month)) {
            m.dateParts = 2;
            if (part(text[4], text[4], m.t.day)) {
                m.dateParts = 3;
                if (part('T', ' ', m.t.hour) && part(':', ':', m.t.minute)) {
                    m.timeParts = 2;
                    if (part(':', ':', m.t.second)) m.timeParts = 3;
                    if (m.timeParts == 3 && p < text.size() && text[p] == '.') {
                        std::size_t q = p + 1;
                        while (q < text.size() && text[q] >= '0' && text[q] <= '9') ++q;
                        m.fractionDigits = q - p - 1;
                        if (m.fractionDigits == 0) return std::nullopt;
                        p = q;
                    }
                    m.zone = text.substr(p);
                    if (!validZone(m.zone, true)) return std::nullopt;
                    p = text.size();
                } else if (m.timeParts == 0 && p != text.size()) {
                    return std::nullopt;
                }
            }
        }
        if (p != text.size()) return std::nullopt;
    }
    if (!ok) return std::nullopt;
    if (m.dateParts > 0) {
        const int month = m.dateParts >= 2 ? m.t.month : 1;
        const int day = m.dateParts >= 3 ? m.t.day : 1;
        if (m.t.year < 1 || !IsValidDate({m.t.year, month, day})) return std::nullopt;
    }
    if (m.timeParts > 0 && !IsValidTime({m.t.hour, m.t.minute, m.t.second})) return std::nullopt;
    return m;
}

std::string StoredCopyText(const DateCopyFound& copy, const std::string& text) {
    if (copy.width == 1) return text;
    std::string stored;
    for (const char c : text) {
        stored += copy.bigEndian ? '\0' : c;
        stored += copy.bigEndian ? c : '\0';
    }
    return stored;
}

std::optional<std::string> WriteCopyText(CopyForm form, const std::string& old,
                                         const CopyMoment& parsed, const LocalDateTime& t,
                                         bool zeroFraction,
                                         const std::optional<std::string>& zone) {
    std::string text = old;
    std::size_t zoneAt = 0;
    if (form == CopyForm::IptcDate) {
        putDigits(text, 0, 4, t.year);
        putDigits(text, 4, 2, t.month);
        putDigits(text, 6, 2, t.day);
        return text;
    }
    if (form == CopyForm::IptcTime) {
        putDigits(text, 0, 2, t.hour);
        putDigits(text, 2, 2, t.minute);
        putDigits(text, 4, 2, t.second);
        zoneAt = 6;
    } else {
        putDigits(text, 0, 4, t.year);
        if (parsed.dateParts >= 2) putDigits(text, 5, 2, t.month);
        if (parsed.dateParts >= 3) putDigits(text, 8, 2, t.day);
        if (parsed.timeParts >= 2) {
            putDigits(text, 11, 2, t.hour);
            putDigits(text, 14, 2, t.minute);
        }
        if (parsed.timeParts >= 3) putDigits(text, 17, 2, t.second);
        if (parsed.fractionDigits > 0 && zeroFraction)
            text.replace(20, parsed.fractionDigits, parsed.fractionDigits, '0');
        zoneAt = text.size() - parsed.zone.size();
    }
    if (!zone || parsed.zone.empty()) return text;
    // "+hh:mm" in XMP, "+hhmm" in IPTC; "Z" only for a zone of 0.
    std::string stored = *zone;
    if (form == CopyForm::IptcTime) stored.erase(3, 1);
    if (parsed.zone == "Z") {
        if (stored != "+00:00" && stored != "-00:00") return std::nullopt;
        return text;
    }
    text.replace(zoneAt, stored.size(), stored);
    return text;
}

}  // namespace tovrin
