#include "hostile_seeds.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
