#include "exif/exif_walk.h"

#include <algorithm>
#include <vector>

#include "exif/byte_access.h"
#include "exif/photo_file.h"
#include "exif/tiff_layout.h"

namespace tovrin {

using namespace tiff;

namespace {

// The byte at p, or -1 outside the file.
int byteAt(PhotoFile& file, std::int64_t p) {
    if (!file.contains(p, 1)) return -1;
    unsigned char b = 0;
    file.read(p, &b, 1);
    return b;
}

// Markers that stand alone, without a length: RST0..RST7 and TEM.
bool standalone(int marker) { return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01; }

std::uint32_t dword(PhotoFile& file, std::int64_t p, int order) {
    return static_cast<std::uint32_t>(ReadDword(file, p, order));
}
std::uint16_t word(PhotoFile& file, std::int64_t p, int order) {
    return static_cast<std::uint16_t>(ReadWord(file, p, order));
}

}  // namespace

bool WalkJpegSegments(PhotoFile& file, const std::function<bool(const JpegSegment&)>& visit) {
    return WalkJpegSegments(file, ByteSpan{1, file.size()}, visit);
}

bool WalkJpegSegments(PhotoFile& file, const ByteSpan& stream,
                      const std::function<bool(const JpegSegment&)>& visit) {
    // The byte at p, or -1 outside the stream.
    const auto at = [&](std::int64_t p) { return stream.contains({p, 1}) ? byteAt(file, p) : -1; };
    if (at(stream.first) != 0xFF || at(stream.first + 1) != 0xD8) return false;
    std::int64_t p = stream.first + 2;
    for (;;) {
        if (at(p) != 0xFF) return false;  // no marker where one must be
        while (at(p + 1) == 0xFF) ++p;    // fill bytes before the marker
        const int marker = at(p + 1);
        if (marker < 0 || marker == 0x00) return false;
        if (marker == 0xDA || marker == 0xD9) return true;  // image data or its end
        const std::int64_t markerAt = p;
        p += 2;
        if (standalone(marker)) continue;
        if (!stream.contains({p, 2}) || !file.contains(p, 2)) return false;
        const std::int64_t length = static_cast<std::uint16_t>(ReadWordMotorola(file, p));
        // The length counts itself; a shorter one or one past the end of the
        // stream leaves no trustworthy place for the next marker.
        if (length < 2 || !stream.contains({p, length}) || !file.contains(p, length)) return false;
        if (!visit(JpegSegment{marker, {markerAt, 2 + length}, {p + 2, length - 2}})) return true;
        p += length;
    }
}

bool LocateJpegExifBlock(PhotoFile& file, ExifBlock& block) {
    return LocateJpegExifBlock(file, ByteSpan{1, file.size()}, block);
}

bool LocateJpegExifBlock(PhotoFile& file, const ByteSpan& stream, ExifBlock& block) {
    bool found = false;
    WalkJpegSegments(file, stream, [&](const JpegSegment& s) {
        if (s.marker == 0xE1 && s.data.size >= 6 &&
            ReadDwordMotorola(file, s.data.first) == SignatureExif &&
            ReadWordMotorola(file, s.data.first + 4) == 0) {
            block.tiffBase = s.data.first + 6;
            block.app1 = s.whole;
            block.container = ExifBlock::Container::Jpeg;
            block.magic = TiffMagic;
            found = true;
        }
        return !found;
    });
    return found;
}

bool LocateTiffFileBlock(PhotoFile& file, ExifBlock& block) {
    if (!file.contains(1, 4)) return false;
    const std::int16_t mark = ReadWordMotorola(file, 1);
    int order = 0;
    if (mark == MarkIntel) {
        order = Intel;
    } else if (mark == MarkMotorola) {
        order = Motorola;
    } else {
        return false;
    }
    // Read in the file's own byte order: "IIRO" and "MMOR" are one number.
    const std::int16_t magic = ReadWord(file, 3, order);
    if (magic != TiffMagic && magic != MagicOlympus && magic != MagicPanasonic) return false;
    block.tiffBase = 1;
    block.app1 = {1, file.size()};
    block.container = ExifBlock::Container::Tiff;
    block.magic = magic;
    return true;
}

bool LocateExifBlock(PhotoFile& file, ExifBlock& block) {
    // A JPEG starts with its SOI, which no TIFF header does.
    if (byteAt(file, 1) == 0xFF) return LocateJpegExifBlock(file, block);
    return LocateTiffFileBlock(file, block);
}

WalkEnd WalkTiffStructure(PhotoFile& file, std::int64_t tiffBase, TiffStructure& out,
                          const std::function<void(const IfdEntry&)>& visit, std::int16_t magic,
                          ExifBlock::Holds holds) {
    const std::int16_t mark = ReadWordMotorola(file, tiffBase);
    if (mark == MarkIntel) {
        out.order = Intel;
    } else if (mark == MarkMotorola) {
        out.order = Motorola;
    } else {
        return WalkEnd::BadByteOrder;
    }
    const int order = out.order;
    if (ReadWord(file, tiffBase + 2, order) != magic) return WalkEnd::NoMagic;

    bool hasExif = false;
    std::uint32_t exifOffset = 0;
    // Walks one directory: its count, then every entry 12 bytes apart,
    // whatever they hold; a tag met twice is visited twice, and the last
    // Exif pointer of IFD0 wins.
    const auto walk = [&](std::int64_t at, Directory directory, ByteSpan& table) {
        const std::uint16_t count = word(file, at, order);
        table = {at, 2 + std::int64_t{EntrySize} * count + 4};
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t e = at + 2 + i * EntrySize;
            const std::int16_t tag = ReadWord(file, e, order);
            if (directory == Directory::Ifd0 && tag == TagExifPointer) {
                exifOffset = dword(file, e + 8, order);
                hasExif = true;
            }
            visit(IfdEntry{directory, e, tag});
        }
        return count;
    };

    const std::int64_t first = tiffBase + dword(file, tiffBase + 4, order);
    // A block of one directory (CR3's) has one table, both IFD0's and the
    // Exif IFD's for the rules that look at either.
    if (holds == ExifBlock::Holds::ExifOnly) {
        out.exifCount = walk(first, Directory::Exif, out.exifTable);
        out.ifd0Table = out.exifTable;
        return out.exifCount == 0 ? WalkEnd::EmptyExif : WalkEnd::Complete;
    }
    if (walk(first, Directory::Ifd0, out.ifd0Table) == 0) return WalkEnd::EmptyIfd0;
    if (holds == ExifBlock::Holds::Ifd0Only) {
        out.exifTable = out.ifd0Table;
        out.exifCount = word(file, first, order);
        return WalkEnd::Complete;
    }
    if (!hasExif) return WalkEnd::NoExifPointer;

    out.exifCount = walk(tiffBase + exifOffset, Directory::Exif, out.exifTable);
    return out.exifCount == 0 ? WalkEnd::EmptyExif : WalkEnd::Complete;
}

StructureMap MapTiffStructure(PhotoFile& file, std::int64_t tiffBase, const TiffStructure& known,
                              const std::function<void(const StructurePart&)>& part,
                              bool imageData) {
    StructureMap map;
    const int order = known.order;
    part({StructurePart::Header, {tiffBase, 8}, 0});

    struct Pending {
        std::int64_t at;
        bool chain;  // in IFD0's chain: its next link leads to the next directory
    };
    std::vector<Pending> pending;
    std::vector<Pending> found;
    // At most MaxDirectories: a search of a short list beats a tree.
    std::vector<std::int64_t> walked;
    walked.reserve(8);
    std::int64_t pieces = 0;  // strips and tiles reported so far
    if (file.contains(tiffBase + 4, 4))
        pending.push_back({tiffBase + dword(file, tiffBase + 4, order), true});

    // Depth first, in the order pointers are met; each directory once, so a
    // loop ends where it closes. The cost is bounded whatever the file says:
    // at most MaxDirectories tables of at most 65535 entries each (about
    // 0.2 s for a crafted file of megabytes), and no more SubIFD offsets read
    // from one entry than could be walked.
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        if (std::find(walked.begin(), walked.end(), next.at) != walked.end()) continue;
        // An offset of 0 is no directory: some writers store it for one
        // they left out (read there, "II" would make a table of 18761
        // entries over the whole segment), and it is never followed. Any
        // other offset into the header points into bytes a reader may still
        // take for a table (at 2, "42" reads as 42 entries): that is a
        // structure the walk cannot vouch for.
        if (next.at == tiffBase) continue;
        if (next.at < tiffBase + 8) {
            ++map.intoHeader;
            continue;
        }
        if (static_cast<int>(walked.size()) >= MaxDirectories) {
            ++map.overBound;
            continue;
        }
        if (!file.contains(next.at, 2)) {
            ++map.unwalked;
            continue;
        }
        const std::int64_t at = next.at;
        const std::uint16_t count = word(file, at, order);
        const ByteSpan table{at, 2 + std::int64_t{EntrySize} * count + 4};
        walked.push_back(at);
        // A count that runs past the end of the file is damage, but a reader
        // still reads the count and the entries there are: the table is
        // reported as stored and the entries inside the file are followed.
        part({StructurePart::Table, table, 0, at});
        if (!file.contains(table.first, table.size)) ++map.cut;
        // A pointer into garbage still marks where a table is said to be, but
        // what its "entries" claim is noise: a type no writer uses in the
        // first entry shows it (digiKam stored an Interop IFD in the wrong
        // byte order, whose 768 "entries" claim values over the whole
        // segment). IFD0 and the Exif IFD are read as the reader reads them.
        const bool trusted = at == known.ifd0Table.first || at == known.exifTable.first;
        if (!trusted && count > 0 && file.contains(at + 2, EntrySize) &&
            TypeSize(word(file, at + 4, order)) == 0) {
            ++map.untrusted;
            continue;
        }
        ++map.tablesWalked;

        found.clear();  // followed in table order once the table is done
        std::int64_t thumbnail = -1, thumbnailLength = -1;
        // Where a directory's strip (0) and tile (1) offsets and byte counts
        // are stored: the entry's field itself when they fit in it.
        struct Array {
            std::int64_t values = -1;
            std::int64_t width = 4;
            std::uint32_t n = 0;
        };
        Array offsets[2], counts[2];
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t e = at + 2 + i * EntrySize;
            if (!file.contains(e, EntrySize)) break;
            const std::uint16_t tag = word(file, e, order);
            const std::uint16_t type = word(file, e + 2, order);
            const std::uint32_t n = dword(file, e + 4, order);
            const std::uint32_t field = dword(file, e + 8, order);
            const std::int64_t size = TypeSize(type) * n;
            if (size > 4) part({StructurePart::Value, {tiffBase + field, size}, e, at});
            // The MakerNote is the maker's own layout of count bytes, whatever
            // type its entry claims; one of no known type still holds them.
            if (tag == 0x927C && n > 4 && n > size)
                part({StructurePart::Value, {tiffBase + field, n}, e, at});
            // A single SHORT stands in the first two bytes of the field.
            const std::uint32_t number = type == 3 ? word(file, e + 8, order) : field;
            switch (tag) {
                case 0x8769:  // Exif IFD
                case 0x8825:  // GPS IFD
                case 0xA005:  // Interop IFD
                    found.push_back({tiffBase + field, false});
                    break;
                case 0x014A: {  // SubIFDs: one offset or an array of them
                    const std::int64_t values = size > 4 ? tiffBase + field : e + 8;
                    // No more offsets than could be walked are read: a count
                    // of 2^32-1 must not keep the walk reading.
                    for (std::int64_t k = 0;
                         k < n && found.size() <= static_cast<std::size_t>(MaxDirectories); ++k) {
                        if (!file.contains(values + 4 * k, 4)) break;
                        found.push_back({tiffBase + dword(file, values + 4 * k, order), false});
                    }
                    break;
                }
                case 0x0111:    // StripOffsets
                case 0x0144:    // TileOffsets
                case 0x0117:    // StripByteCounts
                case 0x0145: {  // TileByteCounts
                    const int which = tag == 0x0111 || tag == 0x0117 ? 0 : 1;
                    const bool isOffsets = tag == 0x0111 || tag == 0x0144;
                    Array& array = isOffsets ? offsets[which] : counts[which];
                    array = {size > 4 ? tiffBase + field : e + 8, type == 3 ? 2 : 4, n};
                    // Offsets of another type than SHORT or LONG say nowhere a
                    // reader could trust where the image lies; counts of
                    // another type leave each piece running to the end.
                    if (type != 3 && type != 4) {
                        if (isOffsets && imageData) ++map.overBound;
                        array = {-1, 4, isOffsets ? 0u : n};
                    }
                    break;
                }
                case 0x0201:
                    thumbnail = number;
                    break;  // JPEGInterchangeFormat
                case 0x0202:
                    thumbnailLength = number;
                    break;  // its length
                default:
                    break;
            }
        }
        // A thumbnail whose length is missing or 0 may run to the end: a
        // reader looking for its EOI would read that far.
        if (thumbnail >= 0)
            part({StructurePart::Thumbnail,
                  {tiffBase + thumbnail,
                   thumbnailLength > 0
                       ? thumbnailLength
                       : std::max<std::int64_t>(file.size() + 1 - (tiffBase + thumbnail), 0)},
                  0,
                  at});
        // The image of a file that is a TIFF structure lies among its
        // directories: each strip or tile is as much its structure as a
        // table. Offsets past the end of the file are read no further.
        for (int which = 0; imageData && which < 2; ++which) {
            const Array& from = offsets[which];
            const Array& length = counts[which];
            for (std::int64_t k = 0; k < from.n; ++k) {
                const std::int64_t p = from.values + from.width * k;
                if (!file.contains(p, from.width)) break;
                if (pieces >= MaxImagePieces) {
                    ++map.overBound;
                    break;
                }
                ++pieces;
                const std::int64_t first =
                    tiffBase + (from.width == 2 ? word(file, p, order) : dword(file, p, order));
                const std::int64_t q = length.values + length.width * k;
                std::int64_t bytes = std::max<std::int64_t>(file.size() + 1 - first, 0);
                if (k < length.n && length.values >= 0 && file.contains(q, length.width))
                    bytes = length.width == 2 ? word(file, q, order) : dword(file, q, order);
                part({StructurePart::ImageData, {first, bytes}, 0, at});
            }
        }
        if (next.chain && file.contains(at + 2 + std::int64_t{EntrySize} * count, 4)) {
            const std::uint32_t link = dword(file, at + 2 + std::int64_t{EntrySize} * count, order);
            if (link != 0) found.push_back({tiffBase + link, true});
        }
        // A table full of pointers must not fill memory: past the bound they
        // could not be walked anyway, and what they lead to stays unknown.
        if (found.size() > static_cast<std::size_t>(MaxDirectories)) {
            map.overBound += static_cast<int>(found.size()) - MaxDirectories;
            found.resize(MaxDirectories);
        }
        pending.insert(pending.end(), found.rbegin(), found.rend());
    }
    return map;
}

}  // namespace tovrin
