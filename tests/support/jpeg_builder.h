#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builds JPEG files with an EXIF block byte by byte, so a test can reach every
// branch of the walks: any segment before the Exif APP1, either byte order,
// entries of any tag, type and count, values inline or in the data area, and
// deliberately wrong counts and offsets.
//
//   FF D8 | segments before | FF E1 len "Exif\0\0" | TIFF | segments after
//   TIFF: mark(2) 42(2) ifd0Offset(4) | IFD0 | gap | Exif IFD | data area
//   IFD:  count(2) | entries, 12 bytes each | next IFD offset(4)
//   entry: tag(2) type(2) count(4) value field(4)
namespace tovrin::test {

using Bytes = std::vector<unsigned char>;

enum class Order { II, MM };

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string ToText(const Bytes& b) { return std::string(b.begin(), b.end()); }

struct Entry {
    enum class Kind { Dword, Word, Inline, Data, ExifPointer };
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    Kind kind = Kind::Dword;
    std::uint32_t number = 0;  // Dword / Word: the value field's number
    Bytes bytes;               // Inline: the 4 value-field bytes; Data: the data
};

// A text entry. The field holds exactly count bytes: the text, cut or padded
// with NULs (count defaults to length + 1); a field of 4 bytes or less sits in
// the value field, a longer one in the data area.
inline Entry Text(std::uint16_t tag, const std::string& text,
                  std::optional<std::uint32_t> count = {}, std::uint16_t type = 2) {
    Entry e;
    e.tag = tag;
    e.type = type;
    e.count = count.value_or(static_cast<std::uint32_t>(text.size() + 1));
    e.bytes = ToBytes(text);
    e.bytes.resize(e.count, 0);
    e.kind = e.count <= 4 ? Entry::Kind::Inline : Entry::Kind::Data;
    if (e.kind == Entry::Kind::Inline) e.bytes.resize(4, 0);
    return e;
}

inline Entry Short(std::uint16_t tag, std::uint16_t value) {
    return Entry{tag, 3, 1, Entry::Kind::Word, value, {}};
}

inline Entry Long(std::uint16_t tag, std::uint32_t value) {
    return Entry{tag, 4, 1, Entry::Kind::Dword, value, {}};
}

// Any type and count with the value field given as a dword in the TIFF order:
// the way to store bogus offsets.
inline Entry Raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 std::uint32_t valueField) {
    return Entry{tag, type, count, Entry::Kind::Dword, valueField, {}};
}

// The IFD0 entry 0x8769 pointing at the Exif IFD wherever it lands.
inline Entry ExifPointer() { return Entry{0x8769, 4, 1, Entry::Kind::ExifPointer, 0, {}}; }

struct Tiff {
    Order order = Order::II;
    std::string mark;  // overrides "II"/"MM" when not empty
    std::uint16_t magic = 42;
    std::uint32_t ifd0Offset = 8;  // as stored; IFD0 itself always starts at 8
    std::vector<Entry> ifd0;
    std::optional<std::vector<Entry>> exif;  // none: no Exif IFD at all
    std::optional<std::uint16_t> ifd0Count;  // stored counts, when they should lie
    std::optional<std::uint16_t> exifCount;
    std::uint32_t exifGap = 0;  // filler bytes between IFD0 and the Exif IFD
};

// Where the build put things, 1-based like the engine's positions.
struct Layout {
    Bytes bytes;
    std::int64_t tiffBase = 0;
    std::vector<std::int64_t> ifd0Value;  // per entry: its data, or its value field
    std::vector<std::int64_t> exifValue;
};

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v, Order o) {
    const unsigned char hi = static_cast<unsigned char>(v >> 8);
    const unsigned char lo = static_cast<unsigned char>(v);
    b[at] = o == Order::MM ? hi : lo;
    b[at + 1] = o == Order::MM ? lo : hi;
}

inline void Put32(Bytes& b, std::size_t at, std::uint32_t v, Order o) {
    for (int i = 0; i < 4; ++i) {
        const int shift = o == Order::MM ? 24 - 8 * i : 8 * i;
        b[at + i] = static_cast<unsigned char>(v >> shift);
    }
}

inline Bytes Segment(std::uint16_t marker, const Bytes& payload) {
    Bytes s(4);
    Put16(s, 0, marker, Order::MM);
    Put16(s, 2, static_cast<std::uint32_t>(payload.size() + 2), Order::MM);
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

// An APP0 whose length field says `length` (it counts itself).
inline Bytes App0(std::uint16_t length = 16) {
    Bytes payload = ToBytes(std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    payload.resize(length - 2u, 0);
    return Segment(0xFFE0, payload);
}

inline Bytes App2() { return Segment(0xFFE2, ToBytes(std::string("ICC_PROFILE\0\1\1", 14))); }

inline Bytes XmpApp1() {
    return Segment(0xFFE1, ToBytes(std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41)));
}

// Stand-ins for the picture data after the metadata: a table, scan start, end.
inline Bytes ImageTail() {
    Bytes tail = Segment(0xFFDB, Bytes(65, 1));
    const Bytes scan = Segment(0xFFDA, Bytes(10, 0));
    tail.insert(tail.end(), scan.begin(), scan.end());
    tail.insert(tail.end(), {0x12, 0x34, 0x56, 0xFF, 0xD9});
    return tail;
}

// The TIFF block; value positions are 0-based offsets from the TIFF header.
inline Bytes BuildTiff(const Tiff& t, std::vector<std::int64_t>& ifd0Value,
                       std::vector<std::int64_t>& exifValue) {
    const Order o = t.order;
    const std::size_t ifd0Size = 2 + 12 * t.ifd0.size() + 4;
    const std::size_t exifStart = 8 + ifd0Size + t.exifGap;
    const std::size_t exifSize = t.exif ? 2 + 12 * t.exif->size() + 4 : 0;
    Bytes b(exifStart + exifSize, 0);
    b[0] = b[1] = o == Order::MM ? 'M' : 'I';
    if (!t.mark.empty()) b[0] = t.mark[0], b[1] = t.mark[1];
    Put16(b, 2, t.magic, o);
    Put32(b, 4, t.ifd0Offset, o);

    auto writeIfd = [&](std::size_t at, const std::vector<Entry>& entries,
                        std::optional<std::uint16_t> count, std::vector<std::int64_t>& where) {
        Put16(b, at, count.value_or(static_cast<std::uint16_t>(entries.size())), o);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const std::size_t p = at + 2 + 12 * i;
            Put16(b, p, e.tag, o);
            Put16(b, p + 2, e.type, o);
            Put32(b, p + 4, e.count, o);
            where.push_back(static_cast<std::int64_t>(p + 8));
            switch (e.kind) {
                case Entry::Kind::Dword:
                    Put32(b, p + 8, e.number, o);
                    break;
                case Entry::Kind::Word:
                    Put16(b, p + 8, e.number, o);
                    break;
                case Entry::Kind::Inline:
                    for (int k = 0; k < 4; ++k) b[p + 8 + k] = e.bytes[k];
                    break;
                case Entry::Kind::ExifPointer:
                    Put32(b, p + 8, static_cast<std::uint32_t>(exifStart), o);
                    break;
                case Entry::Kind::Data:
                    Put32(b, p + 8, static_cast<std::uint32_t>(b.size()), o);
                    where.back() = static_cast<std::int64_t>(b.size());
                    b.insert(b.end(), e.bytes.begin(), e.bytes.end());
                    break;
            }
        }
    };
    writeIfd(8, t.ifd0, t.ifd0Count, ifd0Value);
    for (std::size_t i = 0; i < t.exifGap; ++i) b[8 + ifd0Size + i] = 0xEE;
    if (t.exif) writeIfd(exifStart, *t.exif, t.exifCount, exifValue);
    return b;
}

struct Jpeg {
    std::vector<Bytes> before{App0()};  // segments between SOI and the Exif APP1
    bool withExif = true;
    std::string signature = std::string("Exif\0\0", 6);
    Tiff tiff;
    Bytes after = ImageTail();

    Layout build() const {
        Layout out;
        out.bytes = {0xFF, 0xD8};
        for (const Bytes& s : before) out.bytes.insert(out.bytes.end(), s.begin(), s.end());
        if (withExif) {
            Bytes payload = ToBytes(signature);
            const std::size_t tiffAt = payload.size();
            const Bytes tiffBytes = BuildTiff(tiff, out.ifd0Value, out.exifValue);
            payload.insert(payload.end(), tiffBytes.begin(), tiffBytes.end());
            Bytes app1 = Segment(0xFFE1, payload);
            if (payload.size() + 2 > 0xFFFF) Put16(app1, 2, 0xFFFF, Order::MM);
            // TIFF header after marker (2), length (2) and the signature.
            out.tiffBase = static_cast<std::int64_t>(out.bytes.size() + 4 + tiffAt + 1);
            out.bytes.insert(out.bytes.end(), app1.begin(), app1.end());
            for (auto* v : {&out.ifd0Value, &out.exifValue}) {
                for (auto& p : *v) p += out.tiffBase;
            }
        }
        out.bytes.insert(out.bytes.end(), after.begin(), after.end());
        return out;
    }
};

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
