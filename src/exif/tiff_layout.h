#pragma once

#include <cstdint>

// The EXIF layout that the reader and the writer walk:
//
//   SOI FFD8 | [APP0 FFE0, length L, data]  (one APP0 at most is skipped)
//   APP1 FFE1 | length (unused) | "Exif" | 2 bytes | TIFF header at TiffBase
//   TIFF header: "II" or "MM" | 42 | IFD0 offset (unused: IFD0 is read at TiffBase + 8)
//   IFD0 / Exif IFD: count (unsigned 16) | count x 12-byte entries
//
//   entry at e:  +0 tag (2) | +2 type (2) | +4 count (4) | +8 value or offset (4)
//
// JPEG markers are big-endian; everything inside the TIFF structure follows
// the header's byte order. Values are signed, as read.
namespace tovrin::tiff {

constexpr std::int16_t signedWord(unsigned v) { return static_cast<std::int16_t>(v & 0xFFFFu); }

inline constexpr std::int16_t MarkerSoi = signedWord(0xFFD8);
inline constexpr std::int16_t MarkerApp0 = signedWord(0xFFE0);
inline constexpr std::int16_t MarkerApp1 = signedWord(0xFFE1);
inline constexpr std::int32_t SignatureExif = 0x45786966;  // "Exif"
inline constexpr std::int16_t MarkIntel = 0x4949;           // "II"
inline constexpr std::int16_t MarkMotorola = 0x4D4D;        // "MM"
inline constexpr std::int16_t TiffMagic = 42;

inline constexpr std::int16_t TagDateTime = 0x0132;
inline constexpr std::int16_t TagMake = 0x010F;
inline constexpr std::int16_t TagModel = 0x0110;
inline constexpr std::int16_t TagExifPointer = signedWord(0x8769);
inline constexpr std::int16_t TagDateTimeOriginal = signedWord(0x9003);
inline constexpr std::int16_t TagDateTimeDigitized = signedWord(0x9004);
inline constexpr std::int16_t TagPixelXDimension = signedWord(0xA002);
inline constexpr std::int16_t TagPixelYDimension = signedWord(0xA003);

inline constexpr std::int16_t TypeAscii = 2;
inline constexpr std::int16_t TypeShort = 3;

inline constexpr int EntrySize = 12;

}  // namespace tovrin::tiff
