#include "exif/added_exif.h"

#include <algorithm>
#include <vector>

#include "exif/container.h"
#include "exif/crc32.h"
#include "exif/exif_walk.h"

namespace tovrin {

namespace {

void putWord(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void putDword(std::string& out, std::uint32_t v) {
    putWord(out, v & 0xFFFF);
    putWord(out, v >> 16);
}
void putBigDword(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}
std::uint32_t bigDword(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

struct Entry {
    unsigned tag;
    unsigned type;      // 2 ASCII, 4 LONG, 7 UNDEFINED
    std::string value;  // ASCII with its NUL; a LONG's 4 bytes (the Exif pointer's come later)
};
std::string longValue(std::uint32_t v) {
    std::string out;
    putDword(out, v);
    return out;
}

// A little-endian TIFF structure: IFD0 with DateTime and the pointer to the
// Exif IFD, the Exif IFD with the capture texts. Values that do not fit in
// an entry follow their directory, each at an even offset.
std::string dateTiff(const std::string& moment, const std::string& zone, std::uint32_t width,
                     std::uint32_t height) {
    const std::string text = moment + '\0';
    std::vector<Entry> ifd0{{0x0132, 2, text}, {0x8769, 4, {}}};
    std::vector<Entry> exif{{0x9000, 7, "0232"}, {0x9003, 2, text}, {0x9004, 2, text}};
    if (!zone.empty()) exif.push_back({0x9011, 2, zone + '\0'});
    // The picture's size, as readers show it from EXIF.
    if (width > 0 && height > 0) {
        exif.push_back({0xA002, 4, longValue(width)});
        exif.push_back({0xA003, 4, longValue(height)});
    }
    const auto valuesSize = [](const std::vector<Entry>& entries) {
        std::size_t n = 0;
        for (const Entry& e : entries)
            if (e.value.size() > 4) n += (e.value.size() + 1) & ~std::size_t{1};
        return n;
    };
    const auto tableSize = [](const std::vector<Entry>& entries) {
        return 2 + 12 * entries.size() + 4;
    };
    const std::size_t ifd0At = 8;
    const std::size_t exifAt = ifd0At + tableSize(ifd0) + valuesSize(ifd0);
    std::string out = "II";
    putWord(out, 42);
    putDword(out, static_cast<std::uint32_t>(ifd0At));
    const auto directory = [&](const std::vector<Entry>& entries, std::size_t at) {
        std::size_t valueAt = at + tableSize(entries);
        std::string values;
        putWord(out, static_cast<unsigned>(entries.size()));
        for (const Entry& e : entries) {
            putWord(out, e.tag);
            putWord(out, e.type);
            const bool pointer = e.tag == 0x8769;
            putDword(out, e.type == 4 ? 1 : static_cast<std::uint32_t>(e.value.size()));
            if (pointer) {
                putDword(out, static_cast<std::uint32_t>(exifAt));
            } else if (e.value.size() <= 4) {
                out += e.value + std::string(4 - e.value.size(), '\0');
            } else {
                putDword(out, static_cast<std::uint32_t>(valueAt));
                values += e.value;
                if (values.size() % 2) values += '\0';
                valueAt = at + tableSize(entries) + values.size();
            }
        }
        putDword(out, 0);  // no next directory
        out += values;
    };
    directory(ifd0, ifd0At);
    directory(exif, exifAt);
    return out;
}

const std::string ExifHeader("Exif\0\0", 6);

// The places before a JPEG's image data where a segment may begin, and
// whether its chain is sound up to there.
struct JpegPlaces {
    bool sound = false;
    std::int64_t afterApp0 = 0;  // after SOI and the APP0 segments right after it
    std::vector<JpegSegment> segments;
    std::uint32_t width = 0;  // from the frame header (SOFn), 0 when none
    std::uint32_t height = 0;
};
JpegPlaces jpegPlaces(PhotoFile& file) {
    JpegPlaces places;
    places.afterApp0 = 3;
    bool leading = true;
    places.sound = WalkJpegSegments(file, [&](const JpegSegment& s) {
        leading = leading && s.marker == 0xE0;
        if (leading) places.afterApp0 = s.whole.end();
        places.segments.push_back(s);
        const bool frame = s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 &&
                           s.marker != 0xC8 && s.marker != 0xCC;
        if (frame && places.width == 0 && s.data.size >= 5) {
            unsigned char b[5];
            file.read(s.data.first, b, 5);
            places.height = static_cast<std::uint32_t>(b[1] << 8 | b[2]);
            places.width = static_cast<std::uint32_t>(b[3] << 8 | b[4]);
        }
        return true;
    });
    return places;
}

// A PNG's chunks up to and with its first IDAT: where each begins and its
// type; empty when the chain is broken before it.
struct PngChunk {
    std::int64_t at = 0;
    std::int64_t size = 0;  // length, type, data and CRC
    std::uint32_t type = 0;
};
std::vector<PngChunk> pngChunks(PhotoFile& file) {
    std::vector<PngChunk> chunks;
    static const unsigned char Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char head[8];
    if (file.size() < 8) return {};
    file.read(1, head, 8);
    if (!std::equal(head, head + 8, Signature)) return {};
    std::int64_t at = 9;
    constexpr std::uint32_t Idat = 0x49444154;
    while (chunks.size() < 65536 && file.contains(at, 12)) {
        file.read(at, head, 8);
        const std::string h(reinterpret_cast<const char*>(head), 8);
        const std::int64_t size = std::int64_t{bigDword(h, 0)} + 12;
        if (!file.contains(at, size)) return {};
        chunks.push_back({at, size, bigDword(h, 4)});
        if (chunks.back().type == Idat) return chunks;
        at += size;
    }
    return {};
}
constexpr std::uint32_t TypeIhdr = 0x49484452;
constexpr std::uint32_t TypeExif = 0x65584966;  // "eXIf"

bool isExifSegment(const std::string& bytes) {
    return bytes.size() >= 4 + ExifHeader.size() + 8 && bytes[0] == '\xFF' && bytes[1] == '\xE1' &&
           static_cast<std::size_t>(static_cast<unsigned char>(bytes[2]) << 8 |
                                    static_cast<unsigned char>(bytes[3])) == bytes.size() - 2 &&
           bytes.compare(4, ExifHeader.size(), ExifHeader) == 0;
}
bool isExifChunk(const std::string& bytes) {
    if (bytes.size() < 12 + 8 || bigDword(bytes, 0) != bytes.size() - 12 ||
        bigDword(bytes, 4) != TypeExif)
        return false;
    const std::uint32_t crc =
        Crc32(reinterpret_cast<const unsigned char*>(bytes.data()) + 4, bytes.size() - 8);
    return bigDword(bytes, bytes.size() - 4) == crc;
}

}  // namespace

std::optional<AddedExif> PlanAddedExif(PhotoFile& file, const std::string& moment,
                                       const std::string& zone) {
    const ContainerMap map = MapContainer(file);
    if (!map.exif.empty() || !map.problems.empty()) return std::nullopt;
    if (map.kind == FileKind::Jpeg) {
        const JpegPlaces places = jpegPlaces(file);
        ExifBlock block;
        if (!places.sound || LocateJpegExifBlock(file, block)) return std::nullopt;
        const std::string tiff = dateTiff(moment, zone, places.width, places.height);
        std::string segment = "\xFF\xE1";
        const std::size_t length = 2 + ExifHeader.size() + tiff.size();
        segment += static_cast<char>(length >> 8);
        segment += static_cast<char>(length & 0xFF);
        return AddedExif{places.afterApp0, segment + ExifHeader + tiff};
    }
    if (map.kind == FileKind::Png) {
        const std::vector<PngChunk> chunks = pngChunks(file);
        if (chunks.size() < 2 || chunks.front().type != TypeIhdr) return std::nullopt;
        for (const PngChunk& c : chunks)
            if (c.type == TypeExif) return std::nullopt;
        const std::string tiff = dateTiff(moment, zone, static_cast<std::uint32_t>(map.width),
                                          static_cast<std::uint32_t>(map.height));
        std::string chunk;
        putBigDword(chunk, static_cast<std::uint32_t>(tiff.size()));
        chunk += "eXIf" + tiff;
        putBigDword(chunk, Crc32(reinterpret_cast<const unsigned char*>(chunk.data()) + 4,
                                 chunk.size() - 4));
        return AddedExif{chunks.back().at, chunk};
    }
    return std::nullopt;
}

bool MayUndoAddedExif(PhotoFile& file, std::int64_t position, const std::string& bytes,
                      bool insert) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    const FileKind kind = KindOfFile(file);
    if (kind == FileKind::Jpeg) {
        if (!isExifSegment(bytes)) return false;
        const JpegPlaces places = jpegPlaces(file);
        if (!places.sound) return false;
        ExifBlock block;
        const bool hasExif = LocateJpegExifBlock(file, block);
        if (insert) {
            if (hasExif) return false;
            if (position == 3) return true;
            for (const JpegSegment& s : places.segments)
                if (s.whole.end() == position) return true;
            return false;
        }
        return hasExif && block.app1.first == position && block.app1.size == size;
    }
    if (kind == FileKind::Png) {
        if (!isExifChunk(bytes)) return false;
        const std::vector<PngChunk> chunks = pngChunks(file);
        if (chunks.size() < 2 || chunks.front().type != TypeIhdr) return false;
        std::size_t exifChunks = 0;
        bool here = false;
        bool boundary = false;
        for (std::size_t i = 1; i < chunks.size(); ++i) {
            exifChunks += chunks[i].type == TypeExif;
            here = here || (chunks[i].type == TypeExif && chunks[i].at == position &&
                            chunks[i].size == size);
            boundary = boundary || chunks[i].at == position;
        }
        return insert ? exifChunks == 0 && boundary : exifChunks == 1 && here;
    }
    return false;
}

}  // namespace tovrin
