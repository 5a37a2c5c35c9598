#pragma once

#include <cstdint>

// Markers, tags and types of the EXIF layout (drawn in exif_walk.h). Values
// are signed, as the integer reads give them.
namespace tovrin::tiff {

constexpr std::int16_t signedWord(unsigned v) { return static_cast<std::int16_t>(v & 0xFFFFu); }

inline constexpr std::int16_t MarkerSoi = signedWord(0xFFD8);
inline constexpr std::int16_t MarkerApp0 = signedWord(0xFFE0);
inline constexpr std::int16_t MarkerApp1 = signedWord(0xFFE1);
inline constexpr std::int32_t SignatureExif = 0x45786966;  // "Exif"
inline constexpr std::int16_t MarkIntel = 0x4949;          // "II"
inline constexpr std::int16_t MarkMotorola = 0x4D4D;       // "MM"
inline constexpr std::int16_t TiffMagic = 42;
inline constexpr std::int16_t MagicOlympus = 0x4F52;    // "IIRO" or "MMOR" in ORF raws
inline constexpr std::int16_t MagicPanasonic = 0x0055;  // "IIU\0" in RW2 raws

inline constexpr std::int16_t TagDateTime = 0x0132;
inline constexpr std::int16_t TagMake = 0x010F;
inline constexpr std::int16_t TagModel = 0x0110;
inline constexpr std::int16_t TagExifPointer = signedWord(0x8769);
inline constexpr std::int16_t TagDateTimeOriginal = signedWord(0x9003);
inline constexpr std::int16_t TagDateTimeDigitized = signedWord(0x9004);
inline constexpr std::int16_t TagOffsetTime = signedWord(0x9010);
inline constexpr std::int16_t TagOffsetTimeOriginal = signedWord(0x9011);
inline constexpr std::int16_t TagOffsetTimeDigitized = signedWord(0x9012);
inline constexpr std::int16_t TagPixelXDimension = signedWord(0xA002);
inline constexpr std::int16_t TagPixelYDimension = signedWord(0xA003);

// The three date texts ("yyyy:mm:dd hh:mm:ss"), wherever they stand.
constexpr bool IsDateTag(std::int16_t tag) {
    return tag == TagDateTime || tag == TagDateTimeOriginal || tag == TagDateTimeDigitized;
}

// Bytes one value of a TIFF type takes; 0 for a type no TIFF writer uses,
// whose size nobody can tell.
constexpr std::int64_t TypeSize(std::uint16_t type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;  // BYTE ASCII SBYTE UNDEFINED
        case 3:
        case 8:
            return 2;  // SHORT SSHORT
        case 4:
        case 9:
        case 11:
        case 13:
            return 4;  // LONG SLONG FLOAT IFD
        case 5:
        case 10:
        case 12:
            return 8;  // RATIONAL SRATIONAL DOUBLE
        default:
            return 0;
    }
}

inline constexpr std::int16_t TypeAscii = 2;
inline constexpr std::int16_t TypeShort = 3;

inline constexpr int EntrySize = 12;

}  // namespace tovrin::tiff
