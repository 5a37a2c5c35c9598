#pragma once

#include <cstdint>
#include <string>

namespace tovrin {

class PhotoFile;
struct ExifBlock;

// What one reading found in a photo. Texts are byte strings, one character a
// byte, as the photo stores them.
struct PhotoInfo {
    std::int32_t TiffBase = 0;         // 1-based position of the TIFF header ("II"/"MM")
    std::string DateTime;              // IFD0 0x0132
    std::string DateTimeOriginal;      // Exif 0x9003, the embedded date
    std::string DateTimeDigitized;     // Exif 0x9004
    std::int32_t PixelYDimension = 0;  // Exif 0xA003
    std::int32_t PixelXDimension = 0;  // Exif 0xA002
    std::string Make;                  // IFD0 0x010F
    std::string Model;                 // IFD0 0x0110
    std::string FileDateText;          // last-write time, Japanese general-date form
    friend bool operator==(const PhotoInfo&, const PhotoInfo&) = default;
};

// Reads folderPath + fileName (folderPath ends with the separator) into info
// and returns the Exif IFD's entry count, or 0 when the photo has no EXIF data
// this reader can use. A name without "." gives 0 and leaves info untouched.
// File-system failures throw RuntimeError; a corrupt offset ends the walk
// with 0 and keeps what was read before it.
std::int32_t ReadPhotoInfo(const std::string& folderPath, const std::string& fileName,
                           PhotoInfo& info);

// The same reading over a photo the caller holds open (the date setting reads
// and writes through one open). fileName decides the type check.
std::int32_t ReadPhotoInfo(PhotoFile& file, const std::string& fileName, PhotoInfo& info);

// Walks the TIFF header of the Exif block, IFD0 and the Exif IFD; texts are
// read only inside the block's segment. May throw OutsideFile; ReadPhotoInfo
// catches it.
std::int32_t WalkTiff(PhotoFile& file, const ExifBlock& block, PhotoInfo& info);

}  // namespace tovrin
