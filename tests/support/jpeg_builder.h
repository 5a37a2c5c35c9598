#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exif/md5.h"

// Builds JPEG files with an EXIF block byte by byte, so a test can reach every
// branch of the walks: any segment before the Exif APP1, either byte order,
// entries of any tag, type and count, and deliberately wrong counts and offsets.
//
//   FF D8 | segments before | FF E1 len "Exif\0\0" | TIFF | segments after
//   TIFF: mark(2) 42(2) IFD0 offset(4) | gap | IFD0 | gap | Exif IFD
//         | GPS IFD | Interop IFD | IFD1 | thumbnail | data area
//   IFD:  count(2) | entries, 12 bytes each | next IFD offset(4)
//   entry: tag(2) type(2) count(4) value field(4)
namespace tovrin::test {

using Bytes = std::vector<unsigned char>;

enum class Order { II, MM };

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string ToText(const Bytes& b) { return std::string(b.begin(), b.end()); }

struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;   // the value field as a number, when bytes is empty
    Bytes bytes;               // 4 bytes: the value field; more: data in the data area
    bool exifPointer = false;  // the value field points at the Exif IFD wherever it lands
    // Any other part the value field points at wherever it lands.
    enum class Target { None, Gps, Interop, Ifd1, Thumbnail } target = Target::None;
};

// A text entry holding exactly count bytes: the text, cut or padded with NULs
// (count defaults to length + 1).
inline Entry Text(std::uint16_t tag, const std::string& text,
                  std::optional<std::uint32_t> count = {}, std::uint16_t type = 2) {
    const std::uint32_t size = count.value_or(static_cast<std::uint32_t>(text.size() + 1));
    Bytes bytes = ToBytes(text);
    bytes.resize(size, 0);
    bytes.resize(std::max<std::size_t>(size, 4), 0);
    return Entry{tag, type, size, 0, bytes, false};
}

// Any type and count with the value field given as a number: the way to store
// bogus offsets. A single SHORT sits in the first two bytes of the field.
inline Entry Raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    return Entry{tag, type, count, value, {}, false};
}
inline Entry Short(std::uint16_t tag, std::uint16_t value) { return Raw(tag, 3, 1, value); }
inline Entry ExifPointer() { return Entry{0x8769, 4, 1, 0, {}, true}; }
inline Entry Pointer(std::uint16_t tag, Entry::Target target) {
    return Entry{tag, 4, 1, 0, {}, false, target};
}

inline void Put(Bytes& b, std::size_t at, std::uint32_t v, int size, Order o) {
    for (int i = 0; i < size; ++i) {
        b[at + i] = static_cast<unsigned char>(v >> 8 * (o == Order::MM ? size - 1 - i : i));
    }
}

// Sized once and filled: growing a 4-byte vector with insert() makes GCC 12
// at -O3 warn (array-bounds) about its own reallocation path.
inline Bytes Segment(std::uint16_t marker, const Bytes& payload) {
    Bytes s(4 + payload.size());
    Put(s, 0, marker, 2, Order::MM);
    Put(s, 2, static_cast<std::uint32_t>(payload.size() + 2), 2, Order::MM);
    std::copy(payload.begin(), payload.end(), s.begin() + 4);
    return s;
}

// An APP0 whose length field says `length` (it counts itself).
inline Bytes App0(std::uint16_t length = 16) {
    Bytes payload = ToBytes(std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    payload.resize(length - 2u, 0);
    return Segment(0xFFE0, payload);
}

struct Tiff {
    Order order = Order::II;
    std::string mark;  // overrides "II"/"MM" when not empty
    std::uint16_t magic = 42;
    std::vector<Entry> ifd0;
    std::optional<std::vector<Entry>> exif;  // none: no Exif IFD at all
    std::optional<std::uint16_t> ifd0Count;  // stored counts, when they should lie
    std::optional<std::uint16_t> exifCount;
    std::uint32_t ifd0Gap = 0;  // filler bytes between the header and IFD0
    std::uint32_t exifGap = 0;  // filler bytes between IFD0 and the Exif IFD
    // Further directories, present when not empty; IFD0's next link leads to IFD1.
    std::vector<Entry> gps, interop, ifd1;
    std::optional<std::uint32_t> ifd1Next;  // IFD1's next link as stored
    Bytes thumbnail;

    // TIFF offsets of the parts, as build() lays them out.
    struct Layout {
        std::size_t ifd0, exif, gps, interop, ifd1, thumbnail, data;
    };
    static std::size_t TableSize(const std::vector<Entry>& entries) {
        return entries.empty() ? 0 : 2 + 12 * entries.size() + 4;
    }
    Layout layout() const {
        Layout l{};
        l.ifd0 = 8 + ifd0Gap;
        l.exif = l.ifd0 + 2 + 12 * ifd0.size() + 4 + exifGap;
        l.gps = l.exif + (exif ? 2 + 12 * exif->size() + 4 : 0);
        l.interop = l.gps + TableSize(gps);
        l.ifd1 = l.interop + TableSize(interop);
        l.thumbnail = l.ifd1 + TableSize(ifd1);
        l.data = l.thumbnail + thumbnail.size();
        return l;
    }

    Bytes build() const {
        const Layout l = layout();
        Bytes b(l.data, 0);
        std::fill_n(b.begin() + static_cast<long>(8), ifd0Gap, 0xEE);
        std::fill_n(b.begin() + static_cast<long>(l.exif - exifGap), exifGap, 0xEE);
        std::copy(thumbnail.begin(), thumbnail.end(), b.begin() + static_cast<long>(l.thumbnail));
        b[0] = b[1] = order == Order::MM ? 'M' : 'I';
        if (!mark.empty()) b[0] = mark[0], b[1] = mark[1];
        Put(b, 2, magic, 2, order);
        Put(b, 4, static_cast<std::uint32_t>(l.ifd0), 4, order);
        const auto target = [&](const Entry& e) -> std::uint32_t {
            if (e.exifPointer) return static_cast<std::uint32_t>(l.exif);
            switch (e.target) {
                case Entry::Target::Gps:
                    return static_cast<std::uint32_t>(l.gps);
                case Entry::Target::Interop:
                    return static_cast<std::uint32_t>(l.interop);
                case Entry::Target::Ifd1:
                    return static_cast<std::uint32_t>(l.ifd1);
                case Entry::Target::Thumbnail:
                    return static_cast<std::uint32_t>(l.thumbnail);
                case Entry::Target::None:
                    break;
            }
            return e.value;
        };
        auto writeIfd = [&](std::size_t at, const std::vector<Entry>& entries,
                            std::optional<std::uint16_t> count, std::uint32_t next) {
            Put(b, at, count.value_or(static_cast<std::uint16_t>(entries.size())), 2, order);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const Entry& e = entries[i];
                const std::size_t p = at + 2 + 12 * i;
                Put(b, p, e.tag, 2, order);
                Put(b, p + 2, e.type, 2, order);
                Put(b, p + 4, e.count, 4, order);
                Put(b, p + 8, target(e), e.type == 3 && e.count == 1 ? 2 : 4, order);
                if (e.bytes.size() == 4) std::copy_n(e.bytes.begin(), 4, b.begin() + p + 8);
                if (e.bytes.size() > 4) {
                    Put(b, p + 8, static_cast<std::uint32_t>(b.size()), 4, order);
                    b.insert(b.end(), e.bytes.begin(), e.bytes.end());
                }
            }
            Put(b, at + 2 + 12 * entries.size(), next, 4, order);
        };
        writeIfd(l.ifd0, ifd0, ifd0Count, ifd1.empty() ? 0 : static_cast<std::uint32_t>(l.ifd1));
        if (exif) writeIfd(l.exif, *exif, exifCount, 0);
        if (!gps.empty()) writeIfd(l.gps, gps, {}, 0);
        if (!interop.empty()) writeIfd(l.interop, interop, {}, 0);
        if (!ifd1.empty()) writeIfd(l.ifd1, ifd1, {}, ifd1Next.value_or(0));
        return b;
    }
};

struct Jpeg {
    std::vector<Bytes> before{App0()};  // segments between SOI and the Exif APP1
    bool withExif = true;
    Tiff tiff;
    Bytes after{0xFF, 0xDB, 0, 4, 1, 1, 0xFF, 0xDA, 0, 2, 0x12, 0x34, 0x56, 0xFF, 0xD9};

    // The 1-based position of the TIFF header, as the reader reports it.
    std::int64_t tiffBase() const {
        std::size_t at = 2 + 4 + 6 + 1;  // SOI, APP1 marker and length, "Exif\0\0"
        for (const Bytes& s : before) at += s.size();
        return static_cast<std::int64_t>(at);
    }

    Bytes build() const {
        Bytes out{0xFF, 0xD8};
        for (const Bytes& s : before) out.insert(out.end(), s.begin(), s.end());
        if (withExif) {
            Bytes payload = ToBytes(std::string("Exif\0\0", 6));
            const Bytes tiffBytes = tiff.build();
            payload.insert(payload.end(), tiffBytes.begin(), tiffBytes.end());
            const Bytes app1 = Segment(0xFFE1, payload);
            out.insert(out.end(), app1.begin(), app1.end());
        }
        out.insert(out.end(), after.begin(), after.end());
        return out;
    }
};

// An XMP APP1 segment holding `packet`.
inline Bytes XmpSegment(const std::string& packet) {
    return Segment(0xFFE1, ToBytes(std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet));
}

// A Photoshop APP13 with one IPTC resource holding the given records of
// record 2 (dataset, value); `damaged` adds one that runs past the block.
// With `digest`, an IPTCDigest resource follows: the block's MD5 ("match"),
// a wrong one ("stale") or one of 15 bytes ("short").
inline Bytes IptcSegment(const std::vector<std::pair<int, std::string>>& records,
                         bool damaged = false, const std::string& digest = "") {
    std::string iim;
    for (const auto& [dataset, value] : records) {
        iim += std::string{'\x1C', '\x02', static_cast<char>(dataset), '\0',
                           static_cast<char>(value.size())};
        iim += value;
    }
    if (damaged) iim += std::string{'\x1C', '\x02', '\x37', '\x7F', '\x00'};
    std::string block = std::string("Photoshop 3.0\0", 14) + "8BIM" + std::string{'\x04', '\x04'} +
                        std::string(2, '\0');  // empty name, padded to even
    const auto size = static_cast<std::uint32_t>(iim.size());
    block += std::string{static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                         static_cast<char>(size >> 8), static_cast<char>(size)};
    block += iim;
    if (iim.size() % 2) block += '\0';
    if (!digest.empty()) {
        const auto md5 = Md5(iim);
        std::string value(reinterpret_cast<const char*>(md5.data()), 16);
        if (digest == "stale") value[0] = static_cast<char>(value[0] ^ 1);
        if (digest == "short") value.resize(15);
        block += "8BIM" + std::string{'\x04', '\x25', '\0', '\0', '\0', '\0', '\0'} +
                 static_cast<char>(value.size()) + value + (value.size() % 2 ? "\0" : "");
    }
    return Segment(0xFFED, ToBytes(block));
}

// A camera-like photo: Make, Model and DateTime in IFD0, then the Exif IFD with
// both capture dates and the pixel size.
inline Jpeg CameraPhoto(Order order = Order::II, const std::string& date = "2006:05:04 10:11:12") {
    Jpeg j;
    j.tiff.order = order;
    j.tiff.ifd0 = {Text(0x010F, "Canon"), Text(0x0110, "Canon PowerShot S40"), Short(0x0112, 1),
                   Text(0x0132, date), ExifPointer()};
    j.tiff.exif = std::vector<Entry>{Text(0x9003, date), Text(0x9004, date), Short(0xA002, 2272),
                                     Short(0xA003, 1704)};
    return j;
}

}  // namespace tovrin::test
