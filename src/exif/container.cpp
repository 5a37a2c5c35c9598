#include "exif/container.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "exif/byte_access.h"
#include "exif/chunk_files.h"
#include "exif/iso_boxes.h"
#include "exif/photo_file.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

// The first n bytes of the file (fewer when it is shorter).
std::string head(PhotoFile& file, std::int64_t n) {
    const std::int64_t count = std::min(n, file.size());
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (count > 0) file.read(1, bytes.data(), bytes.size());
    return bytes;
}

bool startsWith(const std::string& bytes, std::string_view prefix, std::size_t at = 0) {
    return bytes.size() >= at + prefix.size() && bytes.compare(at, prefix.size(), prefix) == 0;
}

// What IFD0 of a file that is a TIFF structure says beyond its dates: its
// XMP packet (tag 700), its IPTC records (tag 33723) and Photoshop resources
// (tag 34377), the image's size, and
// the JPEG a Panasonic raw embeds with EXIF of its own (tag 0x002E). A TIFF
// without an Exif IFD (a scan) keeps its date in IFD0 alone.
void mapTiffFile(PhotoFile& file, ExifBlock& block, ContainerMap& map) {
    using namespace tiff;
    TiffStructure structure;
    const auto value = [&](std::int64_t e) -> std::optional<ByteSpan> {
        const int order = structure.order;
        const auto type = static_cast<std::uint16_t>(ReadWord(file, e + 2, order));
        const std::int64_t unit = type == 1 || type == 7 ? 1 : type == 4 ? 4 : 0;
        const auto count = static_cast<std::uint32_t>(ReadDword(file, e + 4, order));
        if (unit == 0 || count == 0) return std::nullopt;
        const std::int64_t size = unit * count;
        const std::int64_t at =
            size <= 4 ? e + 8
                      : block.tiffBase + static_cast<std::uint32_t>(ReadDword(file, e + 8, order));
        if (!file.contains(at, size)) return std::nullopt;
        return ByteSpan{at, size};
    };
    const auto number = [&](std::int64_t e) -> std::int32_t {
        const int order = structure.order;
        if (ReadWord(file, e + 2, order) == TypeShort)
            return static_cast<std::uint16_t>(ReadWord(file, e + 8, order));
        return ReadDword(file, e + 8, order);
    };
    std::optional<ByteSpan> embedded;
    // The values that hold copies of the date, each with its entry and list.
    struct CopyValue {
        std::int64_t entry;
        ByteSpan span;
        std::vector<ByteSpan>* list;
        bool clear = true;
    };
    std::vector<CopyValue> copies;
    const auto copyValue = [&](std::int64_t e, std::vector<ByteSpan>& list) {
        if (const auto span = value(e)) copies.push_back({e, *span, &list});
    };
    const WalkEnd end = WalkTiffStructure(
        file, block.tiffBase, structure,
        [&](const IfdEntry& entry) {
            if (entry.directory != Directory::Ifd0) return;
            switch (static_cast<std::uint16_t>(entry.tag)) {
                case 0x02BC:
                    copyValue(entry.position, map.xmp);
                    break;
                case 0x83BB:
                    copyValue(entry.position, map.iptc);
                    break;
                case 0x8649:
                    copyValue(entry.position, map.photoshop);
                    break;
                case 0x0100:
                    map.width = number(entry.position);
                    break;
                case 0x0101:
                    map.height = number(entry.position);
                    break;
                case 0x002E:
                    if (block.magic == MagicPanasonic && !embedded)
                        embedded = value(entry.position);
                    break;
                default:
                    break;
            }
        },
        block.magic);
    if (end == WalkEnd::NoExifPointer) block.holds = ExifBlock::Holds::Ifd0Only;
    // A copy's value shares its bytes with nothing else of the file: not a
    // table, another value (another copy's included) or a strip of the image.
    // One that does is left as it is, never followed into what it covers.
    if (!copies.empty()) {
        const StructureMap reached = MapTiffStructure(
            file, block.tiffBase, structure,
            [&](const StructurePart& part) {
                for (CopyValue& c : copies) {
                    const bool own = part.kind == StructurePart::Value && part.entry == c.entry &&
                                     part.bytes.first == c.span.first &&
                                     part.bytes.size == c.span.size;
                    if (!own && c.span.overlaps(part.bytes)) c.clear = false;
                }
            },
            true);
        const bool known = reached.intoHeader == 0 && reached.overBound == 0;
        for (const CopyValue& c : copies)
            if (known && c.clear) c.list->push_back(c.span);
    }
    map.exif.push_back(block);
    ExifBlock inner;
    if (embedded && LocateJpegExifBlock(file, *embedded, inner)) {
        map.jpegs.push_back(*embedded);
        map.exif.push_back(inner);
        map.preview = embedded;
    }
}

}  // namespace

static ContainerMap mapFile(PhotoFile& file);

FileKind KindOfFile(PhotoFile& file) {
    using namespace std::string_view_literals;
    const std::string b = head(file, 16);
    if (startsWith(b, "\xFF\xD8"sv)) return FileKind::Jpeg;
    if (startsWith(b, "II*\0"sv) || startsWith(b, "MM\0*"sv) || startsWith(b, "IIRO"sv) ||
        startsWith(b, "MMOR"sv) || startsWith(b, "IIU\0"sv) || startsWith(b, "II+\0"sv) ||
        startsWith(b, "MM\0+"sv))
        return FileKind::Tiff;
    if (startsWith(b, "\x89PNG\r\n\x1A\n"sv)) return FileKind::Png;
    if (startsWith(b, "RIFF"sv) && startsWith(b, "WEBP"sv, 8)) return FileKind::WebP;
    if (startsWith(b, "FUJIFILMCCD-RAW"sv)) return FileKind::Raf;
    // ISO base media files: which one is told by MapIsoFile from the brands.
    return FileKind::Unknown;
}

ContainerMap MapContainer(PhotoFile& file) {
    if (!file.containerMemo()) file.containerMemo() = std::make_shared<ContainerMap>(mapFile(file));
    return *static_cast<const ContainerMap*>(file.containerMemo().get());
}

static ContainerMap mapFile(PhotoFile& file) {
    ContainerMap map;
    try {
        map.kind = KindOfFile(file);
        switch (map.kind) {
            case FileKind::Jpeg: {
                ExifBlock block;
                if (LocateJpegExifBlock(file, block)) map.exif.push_back(block);
                break;
            }
            case FileKind::Tiff: {
                ExifBlock block;
                if (LocateTiffFileBlock(file, block)) {
                    mapTiffFile(file, block, map);
                } else
                    map.problems.push_back("BigTIFF");
                break;
            }
            case FileKind::Png:
                MapPng(file, map);
                break;
            case FileKind::WebP:
                MapWebP(file, map);
                break;
            case FileKind::Raf:
                MapRaf(file, map);
                break;
            default:
                if (!MapIsoFile(file, map)) map.kind = FileKind::Unknown;
                break;
        }
    } catch (const OutsideFile&) {
        map.problems.push_back("a read outside the file");
    }
    return map;
}

}  // namespace tovrin
