#include "exif/chunk_files.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "exif/byte_access.h"
#include "exif/crc32.h"
#include "exif/photo_file.h"

namespace tovrin {

namespace {

using namespace std::string_view_literals;

// True when the file holds `bytes` at p.
bool BytesAre(PhotoFile& file, std::int64_t p, std::string_view bytes) {
    const auto n = static_cast<std::int64_t>(bytes.size());
    if (!file.contains(p, n)) return false;
    std::array<char, 32> buffer{};
    if (bytes.size() > buffer.size()) return false;
    file.read(p, buffer.data(), bytes.size());
    return std::memcmp(buffer.data(), bytes.data(), bytes.size()) == 0;
}

std::uint32_t Be32(PhotoFile& file, std::int64_t p) {
    return static_cast<std::uint32_t>(ReadDwordMotorola(file, p));
}
std::uint32_t Le32(PhotoFile& file, std::int64_t p) {
    return static_cast<std::uint32_t>(ReadDwordIntel(file, p));
}
std::uint32_t Le24(PhotoFile& file, std::int64_t p) {
    unsigned char b[3];
    file.read(p, b, 3);
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16;
}
std::uint32_t Le16(PhotoFile& file, std::int64_t p) {
    return static_cast<std::uint16_t>(ReadWordIntel(file, p));
}

// A 4-byte chunk name as read, or in hex when it is not printable.
std::string FourCc(const std::array<char, 4>& name) {
    const bool printable =
        std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    if (printable) return "'" + std::string(name.data(), 4) + "'";
    std::string hex = "0x";
    for (char c : name) hex += ByteToHex(static_cast<unsigned char>(c));
    return hex;
}

// The 0-based offset of a position, as hex viewers and ExifTool -v show it.
std::string At(std::int64_t position) { return std::to_string(position - 1); }

// A TIFF header ("II*\0" or "MM\0*") at base, inside the span that holds it.
bool TiffHeaderAt(PhotoFile& file, std::int64_t base, const ByteSpan& holder) {
    return holder.contains({base, 4}) &&
           (BytesAre(file, base, "II*\0"sv) || BytesAre(file, base, "MM\0*"sv));
}

// Where the TIFF header of an EXIF chunk stands: at the data's start, or
// after the "Exif\0\0" some writers copy from the JPEG segment. 0 for none.
std::int64_t ExifChunkBase(PhotoFile& file, const ByteSpan& data) {
    std::int64_t base = data.first;
    if (data.size >= 6 && BytesAre(file, base, "Exif\0\0"sv)) base += 6;
    return TiffHeaderAt(file, base, data) ? base : 0;
}

ExifBlock ChunkBlock(std::int64_t base, const ByteSpan& data) {
    ExifBlock block;
    block.tiffBase = base;
    block.app1 = data;
    block.container = ExifBlock::Container::Jpeg;
    block.magic = 42;
    return block;
}

// ---------------------------------------------------------------- PNG
//
//   signature 89 "PNG" 0D 0A 1A 0A
//   chunk: length (4, BE, at most 2^31-1) | type (4 letters) | data | CRC (4, BE)
//          the CRC covers type and data
//   IHDR (first): width (4) | height (4) | depth, colour, compression, filter, interlace
//   eXIf: a TIFF header and what follows, as in a JPEG's APP1 after "Exif\0\0"
//   iTXt: keyword NUL | compressed (1) | method (1) | language NUL | translated NUL | text
//   tEXt: keyword NUL | text;   zTXt: keyword NUL | method (1) | deflated text

constexpr std::string_view PngSignature = "\x89PNG\r\n\x1A\n"sv;
constexpr std::string_view XmpKeyword = "XML:com.adobe.xmp"sv;
// A keyword holds 1 to 79 bytes and ends with a NUL.
constexpr std::int64_t LongestKeyword = 79;

struct PngChunk {
    std::array<char, 4> type{};
    std::int64_t start = 0;  // the length field
    ByteSpan data;
    std::int64_t crc = 0;  // the stored CRC's first byte

    bool is(std::string_view name) const { return std::string_view(type.data(), 4) == name; }
    ByteSpan covered() const { return {start + 4, 4 + data.size}; }
    std::string where() const { return FourCc(type) + " chunk at offset " + At(start); }
};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The keyword of a text chunk; empty when its data holds none.
std::string TextKeyword(PhotoFile& file, const ByteSpan& data) {
    std::array<char, LongestKeyword + 1> buffer{};
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(data.size, buffer.size()));
    file.read(data.first, buffer.data(), n);
    const auto* nul = static_cast<const char*>(std::memchr(buffer.data(), 0, n));
    return nul ? std::string(buffer.data(), static_cast<std::size_t>(nul - buffer.data())) : "";
}

// The first NUL in [from, end), or 0 when there is none: read in pieces, so a
// long field costs no more memory than a piece.
std::int64_t FindNul(PhotoFile& file, std::int64_t from, std::int64_t end) {
    std::array<char, 256> buffer{};
    for (std::int64_t p = from; p < end;) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(end - p, static_cast<std::int64_t>(buffer.size())));
        file.read(p, buffer.data(), n);
        if (const auto* nul = static_cast<const char*>(std::memchr(buffer.data(), 0, n)))
            return p + (nul - buffer.data());
        p += static_cast<std::int64_t>(n);
    }
    return 0;
}

class PngWalk {
public:
    PngWalk(PhotoFile& file, ContainerMap& map) : m_file(file), m_map(map) {}

    void run() {
        std::int64_t p = 1 + static_cast<std::int64_t>(PngSignature.size());
        for (int n = 0;; ++n) {
            const std::int64_t left = m_file.size() + 1 - p;
            // A file cut short is read, never written, as ExifTool does.
            if (left == 0) {
                problem(n == 0 ? "no chunk follows the PNG signature"
                               : "the PNG file ends before its IEND chunk");
                return;
            }
            if (n == MaxChunks) {
                problem("more than " + std::to_string(MaxChunks) + " chunks; those after offset " +
                        At(p) + " are not walked");
                return;
            }
            if (left < 12) {
                problem("the chunk at offset " + At(p) + " is cut off by the end of the file");
                return;
            }
            PngChunk c;
            c.start = p;
            m_file.read(p + 4, c.type.data(), 4);
            const std::uint32_t length = Be32(m_file, p);
            if (!std::all_of(c.type.begin(), c.type.end(), IsLetter)) {
                problem("no chunk type at offset " + At(p + 4) + " but " + FourCc(c.type));
                return;
            }
            if (length > 0x7FFFFFFFu) {
                problem("the " + c.where() + " states a length over 2^31-1");
                return;
            }
            if (std::int64_t{length} > left - 12) {
                problem("the " + c.where() + " runs past the end of the file");
                return;
            }
            c.data = {p + 8, length};
            c.crc = c.data.end();
            if (n == 0 && !c.is("IHDR"))
                problem("the first chunk is no IHDR but " + FourCc(c.type));
            visit(c, n);
            p = c.crc + 4;
            if (c.is("IEND")) {
                if (p <= m_file.size())
                    m_map.notes.push_back(std::to_string(m_file.size() + 1 - p) +
                                          " bytes after the IEND chunk are left alone");
                return;
            }
        }
    }

private:
    void problem(std::string text) { m_map.problems.push_back(std::move(text)); }

    void visit(const PngChunk& c, int n) {
        if (c.is("IHDR") && n == 0) {
            header(c);
        } else if (c.is("eXIf")) {
            exif(c);
        } else if (c.is("iTXt") || c.is("tEXt") || c.is("zTXt")) {
            text(c);
        } else if (c.is("tIME") && c.data.size == 7 && !m_map.imageTime) {
            m_map.imageTime = c.data;
            handOut(c);
        }
    }

    void header(const PngChunk& c) {
        if (c.data.size != 13) {
            problem("the IHDR chunk holds " + std::to_string(c.data.size) + " bytes, not 13");
            return;
        }
        const std::uint32_t width = Be32(m_file, c.data.first);
        const std::uint32_t height = Be32(m_file, c.data.first + 4);
        if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
            problem("the IHDR chunk states a size of " + std::to_string(width) + " x " +
                    std::to_string(height));
            return;
        }
        m_map.width = static_cast<std::int32_t>(width);
        m_map.height = static_cast<std::int32_t>(height);
    }

    void exif(const PngChunk& c) {
        if (m_exifSeen) {
            m_map.notes.push_back("the second eXIf chunk, at offset " + At(c.start) +
                                  ", is left alone: readers take the first");
            return;
        }
        m_exifSeen = true;
        const std::int64_t base = ExifChunkBase(m_file, c.data);
        if (base == 0) {
            m_map.notes.push_back("the " + c.where() + " holds no TIFF header and is left alone");
            return;
        }
        m_map.exif.push_back(ChunkBlock(base, c.data));
        handOut(c);
    }

    void text(const PngChunk& c) {
        const std::string keyword = TextKeyword(m_file, c.data);
        if (keyword == XmpKeyword) {
            if (c.is("iTXt"))
                xmp(c);
            else
                m_map.notes.push_back("XMP in the " + c.where() + " is left alone");
            return;
        }
        // The dates some writers keep as plain text, which readers show
        // beside the EXIF ones.
        if (c.is("tEXt") &&
            (keyword == "create-date" || keyword == "modify-date" || keyword == "Creation Time")) {
            const std::int64_t text = c.data.first + static_cast<std::int64_t>(keyword.size()) + 1;
            if (text < c.data.end()) {
                m_map.movieTexts.push_back({"PNG " + keyword, {text, c.data.end() - text}});
                handOut(c);
            }
            return;
        }
        // ImageMagick keeps the profiles it cannot place elsewhere as hex
        // text, most often deflated: rewriting a date there would mean
        // re-encoding the chunk.
        for (const char* kind : {"exif", "xmp", "iptc", "APP1"}) {
            if (keyword == std::string("Raw profile type ") + kind) {
                m_map.notes.push_back("the hex-coded profile \"" + keyword + "\" in the " +
                                      c.where() + " is left alone");
                return;
            }
        }
    }

    void xmp(const PngChunk& c) {
        const std::int64_t end = c.data.end();
        const std::int64_t flag = c.data.first + static_cast<std::int64_t>(XmpKeyword.size()) + 1;
        const std::int64_t language = flag + 2;
        const std::int64_t languageEnd = language <= end ? FindNul(m_file, language, end) : 0;
        const std::int64_t translatedEnd =
            languageEnd != 0 ? FindNul(m_file, languageEnd + 1, end) : 0;
        if (translatedEnd == 0) {
            m_map.notes.push_back("the XMP " + c.where() +
                                  " lacks its language or translated keyword and is left alone");
            return;
        }
        unsigned char compressed = 0;
        m_file.read(flag, &compressed, 1);
        if (compressed != 0) {
            m_map.notes.push_back("the XMP in the " + c.where() + " is compressed and left alone");
            return;
        }
        const ByteSpan packet{translatedEnd + 1, end - (translatedEnd + 1)};
        if (packet.size == 0) return;
        m_map.xmp.push_back(packet);
        handOut(c);
    }

    // A chunk whose bytes a write may change: its CRC must hold now, or the
    // CRC recomputed after the write would vouch for bytes that were damaged.
    void handOut(const PngChunk& c) {
        m_map.checksums.push_back(ChecksumPlace{c.covered(), c.crc});
        if (Crc32(m_file, c.covered()) != Be32(m_file, c.crc))
            problem("the CRC of the " + c.where() + " does not match its bytes");
    }

    PhotoFile& m_file;
    ContainerMap& m_map;
    bool m_exifSeen = false;
};

// ---------------------------------------------------------------- WebP
//
//   "RIFF" | size (4, LE: the bytes after it) | "WEBP" | chunks
//   chunk: name (4) | size (4, LE) | data | a pad byte when the size is odd
//   VP8X: flags (4) | canvas width - 1 (3, LE) | canvas height - 1 (3, LE)
//   VP8 : frame tag (3) | 9D 01 2A | width (2, LE: 14 bits and a scale) | height (2)
//   VP8L: 2F | width - 1 (14 bits) | height - 1 (14 bits) | ... (LE bit stream)
//   EXIF: a TIFF header and what follows;  "XMP ": the packet

class WebPWalk {
public:
    WebPWalk(PhotoFile& file, ContainerMap& map) : m_file(file), m_map(map) {}

    void run() {
        const std::int64_t riffSize = Le32(m_file, 5);
        if (riffSize < 4) {
            problem("the RIFF size " + std::to_string(riffSize) + " cannot hold \"WEBP\"");
            return;
        }
        // One past the RIFF data: its chunks are walked as far as the file
        // holds them, so their EXIF can be read, and the problem keeps any
        // write away from a file cut short.
        std::int64_t end = 9 + riffSize;
        const std::int64_t fileEnd = m_file.size() + 1;
        if (end > fileEnd) {
            problem("the RIFF size runs " + std::to_string(end - fileEnd) +
                    " bytes past the end of the file");
            end = fileEnd;
        } else if (end < fileEnd) {
            m_map.notes.push_back(std::to_string(fileEnd - end) +
                                  " bytes after the RIFF data are left alone");
        }
        std::int64_t p = 13;
        for (int n = 0;; ++n) {
            const std::int64_t left = end - p;
            if (left == 0) return;
            if (n == MaxChunks) {
                problem("more than " + std::to_string(MaxChunks) + " chunks; those after offset " +
                        At(p) + " are not walked");
                return;
            }
            if (left < 8) {
                problem(std::to_string(left) + " bytes at offset " + At(p) +
                        " are too few for a chunk");
                return;
            }
            std::array<char, 4> name{};
            m_file.read(p, name.data(), 4);
            const std::int64_t size = Le32(m_file, p + 4);
            const std::string where = FourCc(name) + " chunk at offset " + At(p);
            if (!std::all_of(name.begin(), name.end(),
                             [](char c) { return c >= 0x20 && c <= 0x7E; })) {
                problem("no chunk name at offset " + At(p) + " but " + FourCc(name));
                return;
            }
            if (size > left - 8) {
                problem("the " + where + " runs past the end of the " +
                        (end == fileEnd ? "file" : "RIFF data"));
                return;
            }
            visit(std::string_view(name.data(), 4), where, {p + 8, size});
            p += 8 + size;
            if (size % 2 == 1) {
                // Some writers leave out the last chunk's pad byte.
                if (p == end) {
                    m_map.notes.push_back("the " + where + " lacks its pad byte");
                    return;
                }
                ++p;
            }
        }
    }

private:
    void problem(std::string text) { m_map.problems.push_back(std::move(text)); }

    void visit(std::string_view name, const std::string& where, const ByteSpan& data) {
        if (name == "VP8X"sv) {
            if (data.size < 10) return problem("the " + where + " is too short for a canvas size");
            setSize(Le24(m_file, data.first + 4) + 1, Le24(m_file, data.first + 7) + 1, true);
        } else if (name == "VP8 "sv) {
            if (data.size < 10 || !BytesAre(m_file, data.first + 3, "\x9D\x01\x2A"sv)) {
                m_map.notes.push_back("the " + where + " holds no key frame header");
                return;
            }
            setSize(Le16(m_file, data.first + 6) & 0x3FFFu, Le16(m_file, data.first + 8) & 0x3FFFu,
                    false);
        } else if (name == "VP8L"sv) {
            if (data.size < 5 || !BytesAre(m_file, data.first, "\x2F"sv)) {
                m_map.notes.push_back("the " + where + " holds no lossless header");
                return;
            }
            const std::uint32_t bits = Le32(m_file, data.first + 1);
            setSize((bits & 0x3FFFu) + 1, ((bits >> 14) & 0x3FFFu) + 1, false);
        } else if (name == "EXIF"sv) {
            if (m_exifSeen) {
                m_map.notes.push_back("the second EXIF chunk, the " + where +
                                      ", is left alone: readers take the first");
                return;
            }
            m_exifSeen = true;
            const std::int64_t base = ExifChunkBase(m_file, data);
            if (base == 0) {
                m_map.notes.push_back("the " + where + " holds no TIFF header and is left alone");
                return;
            }
            m_map.exif.push_back(ChunkBlock(base, data));
        } else if (name == "XMP "sv) {
            if (data.size > 0) m_map.xmp.push_back(data);
        }
    }

    // The canvas of VP8X is the image's size; a frame's own size counts only
    // in a simple file, which has no VP8X.
    void setSize(std::uint32_t width, std::uint32_t height, bool canvas) {
        if (m_sized && !canvas) return;
        if (m_canvas) return;
        m_map.width = static_cast<std::int32_t>(width);
        m_map.height = static_cast<std::int32_t>(height);
        m_sized = true;
        m_canvas = canvas;
    }

    PhotoFile& m_file;
    ContainerMap& m_map;
    bool m_exifSeen = false;
    bool m_sized = false;
    bool m_canvas = false;
};

// ---------------------------------------------------------------- RAF
//
//   "FUJIFILMCCD-RAW " | format version | camera id | model | ...
//   offset 84: the JPEG's offset from the start of the file (4, BE)
//   offset 88: its length (4, BE)
//   the JPEG: SOI | APP1 "Exif\0\0" with the photo's EXIF | ...

constexpr std::int64_t RafJpegOffsetAt = 85;  // 1-based
constexpr std::int64_t RafJpegLengthAt = 89;
// The JPEG must lie after the two fields that point at it.
constexpr std::int64_t RafHeaderEnd = 92;

}  // namespace

bool MapPng(PhotoFile& file, ContainerMap& map) {
    if (!BytesAre(file, 1, PngSignature)) return false;
    map.kind = FileKind::Png;
    PngWalk(file, map).run();
    return true;
}

bool MapWebP(PhotoFile& file, ContainerMap& map) {
    if (!BytesAre(file, 1, "RIFF"sv) || !BytesAre(file, 9, "WEBP"sv)) return false;
    map.kind = FileKind::WebP;
    WebPWalk(file, map).run();
    return true;
}

bool MapRaf(PhotoFile& file, ContainerMap& map) {
    // The 15 bytes KindOfFile tells the kind by; a blank follows in every RAF.
    if (!BytesAre(file, 1, "FUJIFILMCCD-RAW"sv)) return false;
    map.kind = FileKind::Raf;
    if (!file.contains(RafJpegOffsetAt, 8)) {
        map.problems.push_back("the RAF header ends before the JPEG's offset and length");
        return true;
    }
    const std::int64_t offset = Be32(file, RafJpegOffsetAt);
    const std::int64_t length = Be32(file, RafJpegLengthAt);
    const ByteSpan jpeg{offset + 1, length};
    const std::string stated =
        " (offset " + std::to_string(offset) + ", " + std::to_string(length) + " bytes)";
    if (length == 0 || offset < RafHeaderEnd || !file.contains(jpeg.first, jpeg.size)) {
        map.problems.push_back("the JPEG the RAF header points at" + stated +
                               " does not lie in the file");
        return true;
    }
    if (!BytesAre(file, jpeg.first, "\xFF\xD8"sv)) {
        map.problems.push_back("no JPEG where the RAF header points" + stated);
        return true;
    }
    // The raw data's header and the raw data (offsets and lengths at 92 and
    // 100) are the picture itself: a JPEG that shares bytes with them is no
    // place to write.
    for (const std::int64_t at : {std::int64_t{92}, std::int64_t{100}}) {
        if (!file.contains(at + 1, 8)) break;
        const ByteSpan raw{Be32(file, at + 1) + 1, Be32(file, at + 5)};
        if (raw.size > 0 && raw.overlaps(jpeg)) {
            map.problems.push_back("the RAF's raw data overlaps its JPEG" + stated);
            return true;
        }
    }
    map.jpegs.push_back(jpeg);
    map.preview = jpeg;
    ExifBlock block;
    if (LocateJpegExifBlock(file, jpeg, block)) map.exif.push_back(block);
    return true;
}

}  // namespace tovrin
