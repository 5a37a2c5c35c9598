#include "exif/exif_walk.h"

#include "exif/byte_access.h"
#include "exif/photo_file.h"
#include "exif/tiff_layout.h"

namespace tovrin {

using namespace tiff;

bool LocateExifBlock(PhotoFile& file, ExifBlock& block) {
    std::int64_t p = 1;
    if (ReadWordMotorola(file, p) != MarkerSoi) return false;
    p += 2;
    std::int16_t m = ReadWordMotorola(file, p);
    p += 2;
    if (m == MarkerApp0) {
        p += static_cast<std::uint16_t>(ReadWordMotorola(file, p));
        m = ReadWordMotorola(file, p);
        p += 2;
    }
    if (m != MarkerApp1) return false;
    // p is the APP1 length field; the TIFF header follows the length (2),
    // "Exif" (4) and two more bytes. The length counts itself, not the marker.
    block.tiffBase = p + 8;
    block.hasSignature = ReadDwordMotorola(file, p + 2) == SignatureExif;
    block.app1 = {p - 2, 2 + std::int64_t{static_cast<std::uint16_t>(ReadWordMotorola(file, p))}};
    return true;
}

WalkEnd WalkTiffStructure(PhotoFile& file, std::int64_t tiffBase, bool checkMagic,
                          TiffStructure& out, const std::function<void(const IfdEntry&)>& visit) {
    const std::int16_t mark = ReadWordMotorola(file, tiffBase);
    if (mark == MarkIntel) {
        out.order = Intel;
    } else if (mark == MarkMotorola) {
        out.order = Motorola;
    } else {
        return WalkEnd::BadByteOrder;
    }
    const int order = out.order;
    if (checkMagic && ReadWord(file, tiffBase + 2, order) != TiffMagic) return WalkEnd::NoMagic;

    bool hasExif = false;
    std::int32_t exifOffset = 0;
    // Walks one directory: its count, then every entry 12 bytes apart,
    // whatever they hold; a tag met twice is visited twice, and the last
    // Exif pointer of IFD0 wins.
    const auto walk = [&](std::int64_t at, Directory directory, ByteSpan& table) {
        const auto count = static_cast<std::uint16_t>(ReadWord(file, at, order));
        table = {at, 2 + std::int64_t{EntrySize} * count + 4};
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t e = at + 2 + i * EntrySize;
            const std::int16_t tag = ReadWord(file, e, order);
            if (directory == Directory::Ifd0 && tag == TagExifPointer) {
                exifOffset = ReadDword(file, e + 8, order);
                hasExif = true;
            }
            visit(IfdEntry{directory, e, tag});
        }
        return count;
    };

    // The stored IFD0 offset is not used: IFD0 is read right after the header.
    if (walk(tiffBase + 8, Directory::Ifd0, out.ifd0Table) == 0) return WalkEnd::EmptyIfd0;
    if (!hasExif) return WalkEnd::NoExifPointer;

    out.exifCount = walk(tiffBase + exifOffset, Directory::Exif, out.exifTable);
    return out.exifCount == 0 ? WalkEnd::EmptyExif : WalkEnd::Complete;
}

}  // namespace tovrin
