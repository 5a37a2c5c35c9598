#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "exif/photo_file.h"

namespace tovrin {

// TIFF byte order, taken from the file's own mark, never from the host.
enum ByteOrder : int { Intel = 1, Motorola = 2 };

// Integer reads at a 1-based position. Results are the two's-complement value
// of the bytes, so FF D8 reads as -40; callers compare with signed constants.
// A read outside the file throws OutsideFile. Inline: a walk makes hundreds
// of them per photo, nearly all from the block already read.
inline std::int16_t ReadWordMotorola(PhotoFile& file, std::int64_t p) {
    unsigned char b[2];
    file.read(p, b, 2);
    return static_cast<std::int16_t>((b[0] << 8) | b[1]);
}
inline std::int32_t ReadDwordMotorola(PhotoFile& file, std::int64_t p) {
    unsigned char b[4];
    file.read(p, b, 4);
    return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                     (std::uint32_t{b[2]} << 8) | b[3]);
}
inline std::int16_t ReadWordIntel(PhotoFile& file, std::int64_t p) {
    unsigned char b[2];
    file.read(p, b, 2);
    return static_cast<std::int16_t>((b[1] << 8) | b[0]);
}
inline std::int32_t ReadDwordIntel(PhotoFile& file, std::int64_t p) {
    unsigned char b[4];
    file.read(p, b, 4);
    return static_cast<std::int32_t>((std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) |
                                     (std::uint32_t{b[1]} << 8) | b[0]);
}
// Any order other than Intel or Motorola gives 0 and reads nothing.
inline std::int16_t ReadWord(PhotoFile& file, std::int64_t p, int order) {
    if (order == Intel) return ReadWordIntel(file, p);
    if (order == Motorola) return ReadWordMotorola(file, p);
    return 0;
}
inline std::int32_t ReadDword(PhotoFile& file, std::int64_t p, int order) {
    if (order == Intel) return ReadDwordIntel(file, p);
    if (order == Motorola) return ReadDwordMotorola(file, p);
    return 0;
}

// Two upper-case hex digits of a byte: "0A", "D8".
std::string ByteToHex(int byteValue);
// Four upper-case hex digits of the low 16 bits: 306 -> "0132", -30871 -> "8769".
std::string WordToHex(std::int32_t value);

// The bytes from p up to the first NUL, the end of the file or `limit` bytes,
// whichever comes first, one character a byte, line feeds turned into blanks.
// Throws OutsideFile when p itself is before position 1 or past the end.
std::string ReadText(PhotoFile& file, std::int64_t p,
                     std::int64_t limit = std::numeric_limits<std::int64_t>::max());
// Writes the text's bytes at p; no terminator, the bytes after it keep their values.
void WriteText(PhotoFile& file, std::int64_t p, const std::string& text);

}  // namespace tovrin
