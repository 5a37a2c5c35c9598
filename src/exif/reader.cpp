#include "exif/reader.h"

#include <cctype>

#include "exif/byte_access.h"
#include "exif/local_time.h"
#include "exif/photo_file.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

using namespace tiff;

// Texts of 4 bytes or less stand in the value field itself; longer ones at
// TiffBase + offset.
std::string entryText(PhotoFile& file, std::int64_t e, int order, std::int32_t tiffBase) {
    const std::int32_t count = ReadDword(file, e + 4, order);
    if (count >= 5) return ReadText(file, std::int64_t{tiffBase} + ReadDword(file, e + 8, order));
    return ReadText(file, e + 8);
}

std::int32_t entryNumber(PhotoFile& file, std::int64_t e, int order) {
    if (ReadWord(file, e + 2, order) == TypeShort)
        return static_cast<std::uint16_t>(ReadWord(file, e + 8, order));
    return ReadDword(file, e + 8, order);
}

std::uint16_t entryCount(PhotoFile& file, std::int64_t p, int order) {
    return static_cast<std::uint16_t>(ReadWord(file, p, order));
}

}  // namespace

std::int32_t WalkTiff(PhotoFile& file, std::int64_t p, PhotoInfo& info) {
    int order = 0;
    const std::int16_t mark = ReadWordMotorola(file, p);
    p += 2;
    if (mark == MarkIntel) {
        order = Intel;
    } else if (mark == MarkMotorola) {
        order = Motorola;
    } else {
        return 0;
    }
    if (ReadWord(file, p, order) != TiffMagic) return 0;
    p += 2 + 4;  // the stored IFD0 offset is not used

    const std::uint16_t ifd0Count = entryCount(file, p, order);
    p += 2;
    if (ifd0Count == 0) return 0;

    bool hasExif = false;
    std::int32_t exifOffset = 0;
    // Every entry is visited; a later duplicate wins.
    for (std::int64_t i = 0; i < ifd0Count; ++i) {
        const std::int64_t e = p + i * EntrySize;
        switch (ReadWord(file, e, order)) {
            case TagDateTime: info.DateTime = entryText(file, e, order, info.TiffBase); break;
            case TagExifPointer:
                exifOffset = ReadDword(file, e + 8, order);
                hasExif = true;
                break;
            case TagMake: info.Make = entryText(file, e, order, info.TiffBase); break;
            case TagModel: info.Model = entryText(file, e, order, info.TiffBase); break;
            default: break;
        }
    }
    if (!hasExif) return 0;

    p = std::int64_t{info.TiffBase} + exifOffset;
    const std::uint16_t exifCount = entryCount(file, p, order);
    p += 2;
    if (exifCount == 0) return 0;

    for (std::int64_t i = 0; i < exifCount; ++i) {
        const std::int64_t e = p + i * EntrySize;
        switch (ReadWord(file, e, order)) {
            case TagDateTimeOriginal:
                info.DateTimeOriginal = entryText(file, e, order, info.TiffBase);
                break;
            case TagDateTimeDigitized:
                info.DateTimeDigitized = entryText(file, e, order, info.TiffBase);
                break;
            case TagPixelXDimension: info.PixelXDimension = entryNumber(file, e, order); break;
            case TagPixelYDimension: info.PixelYDimension = entryNumber(file, e, order); break;
            default: break;
        }
    }
    return exifCount;
}

std::int32_t ReadPhotoInfo(const std::string& folderPath, const std::string& fileName,
                           PhotoInfo& info) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos) return 0;
    const std::string extension = fileName.substr(dot + 1);

    info = PhotoInfo{};
    PhotoFile file(folderPath + fileName, PhotoFile::Mode::Read);

    std::int32_t status = 0;
    // The file list offers only *.jpg and *.jpeg; anything else is not walked.
    const bool jpegName =
        !extension.empty() && std::toupper(static_cast<unsigned char>(extension[0])) == 'J';
    if (jpegName) {
        try {
            std::int64_t p = 1;
            std::int16_t m = ReadWordMotorola(file, p);
            p += 2;
            if (m == MarkerSoi) {
                m = ReadWordMotorola(file, p);
                p += 2;
                if (m == MarkerApp0) {
                    p += static_cast<std::uint16_t>(ReadWordMotorola(file, p));
                    m = ReadWordMotorola(file, p);
                    p += 2;
                }
                if (m == MarkerApp1) {
                    // p is the APP1 length field; the TIFF header follows
                    // length (2), "Exif" (4) and two more bytes.
                    info.TiffBase = static_cast<std::int32_t>(p + 8);
                    if (ReadDwordMotorola(file, p + 2) == SignatureExif)
                        status = WalkTiff(file, info.TiffBase, info);
                }
            }
        } catch (const OutsideFile&) {
            // A corrupt offset: what was read before it stays, the photo counts
            // as one without usable EXIF data.
            status = 0;
        }
    }
    info.FileDateText = GeneralDateText(ToLocal(file.lastWriteSeconds()));
    file.close();
    return status;
}

}  // namespace tovrin
