#include "exif/container.h"

#include <array>
#include <cstring>

#include "exif/chunk_files.h"
#include "exif/iso_boxes.h"
#include "exif/photo_file.h"

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

}  // namespace

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
                if (LocateTiffFileBlock(file, block))
                    map.exif.push_back(block);
                else
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
