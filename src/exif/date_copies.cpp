#include "exif/date_copies.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "exif/photo_file.h"

namespace tovrin {

namespace {

constexpr std::string_view XmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view ExtendedXmpSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::string_view PhotoshopSignature{"Photoshop 3.0\0", 14};

// The XMP properties that hold a date of the photo.
constexpr std::array<std::string_view, 6> XmpDateProperties{
    "xmp:CreateDate",         "xmp:ModifyDate",        "exif:DateTimeOriginal",
    "exif:DateTimeDigitized", "photoshop:DateCreated", "tiff:DateTime"};

// The IPTC datasets of record 2 that hold a date or a time.
struct IptcDate {
    int dataset;
    const char* place;
};
constexpr std::array<IptcDate, 4> IptcDates{{{55, "IPTC 2:55 DateCreated"},
                                             {60, "IPTC 2:60 TimeCreated"},
                                             {62, "IPTC 2:62 DigitalCreationDate"},
                                             {63, "IPTC 2:63 DigitalCreationTime"}}};

std::string readBytes(PhotoFile& file, const ByteSpan& span) {
    std::string bytes(static_cast<std::size_t>(span.size), '\0');
    if (span.size > 0) file.read(span.first, bytes.data(), bytes.size());
    return bytes;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Both forms of each property: the attribute (name="value", either quote)
// and the element (<name>value</name>). Only the packet's own bytes are
// looked at; a value with no end inside them is reported.
void findXmpDates(const std::string& packet, std::int64_t first, DateCopies& out) {
    for (const std::string_view name : XmpDateProperties) {
        for (std::size_t at = packet.find(name); at != std::string::npos;
             at = packet.find(name, at + name.size())) {
            const char before = at == 0 ? ' ' : packet[at - 1];
            std::size_t p = at + name.size();
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
                continue;  // a closing tag, or a longer name that starts alike
            }
            const std::size_t valueEnd = packet.find(end, valueAt);
            if (valueEnd == std::string::npos) {
                out.problems.push_back(std::string(name) + ": no end inside the XMP packet");
                continue;
            }
            out.found.push_back({std::string(name),
                                 {first + static_cast<std::int64_t>(valueAt),
                                  static_cast<std::int64_t>(valueEnd - valueAt)},
                                 packet.substr(valueAt, valueEnd - valueAt)});
        }
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
void findIptcDates(const std::string& iim, std::int64_t first, DateCopies& out) {
    std::size_t p = 0;
    while (p + 5 <= iim.size()) {
        if (static_cast<unsigned char>(iim[p]) != 0x1C) {
            out.problems.push_back("IPTC: a record does not start with 1C");
            return;
        }
        const int record = static_cast<unsigned char>(iim[p + 1]);
        const int dataset = static_cast<unsigned char>(iim[p + 2]);
        const std::uint32_t size = bigEndian(iim, p + 3, 2);
        if (size & 0x8000) {
            out.problems.push_back("IPTC: an extended record size");
            return;
        }
        if (p + 5 + size > iim.size()) {
            out.problems.push_back("IPTC: a record runs past its block");
            return;
        }
        if (record == 2) {
            for (const IptcDate& d : IptcDates) {
                if (d.dataset != dataset) continue;
                out.found.push_back(
                    {d.place,
                     {first + static_cast<std::int64_t>(p + 5), static_cast<std::int64_t>(size)},
                     iim.substr(p + 5, size)});
            }
        }
        p += 5 + size;
    }
}

// The Photoshop image resources: "8BIM", an id, a Pascal name padded to an
// even length, a 32-bit size, the data padded to an even length.
void findPhotoshopDates(const std::string& data, std::int64_t first, DateCopies& out) {
    std::size_t p = PhotoshopSignature.size();
    while (p + 4 <= data.size()) {
        if (data.compare(p, 4, "8BIM") != 0) {
            out.problems.push_back("Photoshop resources: a block without its 8BIM mark");
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
            out.problems.push_back("Photoshop resources: a block runs past its segment");
            return;
        }
        if (id == 0x0404)
            findIptcDates(data.substr(q, size), first + static_cast<std::int64_t>(q), out);
        p = q + size + (size % 2);
    }
}

}  // namespace

DateCopies FindDateCopies(PhotoFile& file) {
    DateCopies out;
    const bool whole = WalkJpegSegments(file, [&](const JpegSegment& s) {
        if (s.marker != 0xE1 && s.marker != 0xED) return true;
        // A segment is at most 64 KiB: read as one piece.
        const std::string data = readBytes(file, s.data);
        if (s.marker == 0xE1 && data.compare(0, XmpSignature.size(), XmpSignature) == 0) {
            findXmpDates(data.substr(XmpSignature.size()),
                         s.data.first + static_cast<std::int64_t>(XmpSignature.size()), out);
        } else if (s.marker == 0xE1 &&
                   data.compare(0, ExtendedXmpSignature.size(), ExtendedXmpSignature) == 0) {
            out.problems.push_back("extended XMP: its dates are left as they are");
        } else if (s.marker == 0xED &&
                   data.compare(0, PhotoshopSignature.size(), PhotoshopSignature) == 0) {
            findPhotoshopDates(data, s.data.first, out);
        }
        return true;
    });
    if (!whole) out.problems.push_back("the JPEG's segments end in a fault");
    return out;
}

}  // namespace tovrin
