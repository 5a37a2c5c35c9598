#include "exif/byte_access.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "exif/photo_file.h"

namespace tovrin {

namespace {

// Two's-complement value of the bytes, most significant first.
std::uint32_t bigEndian(const unsigned char* b, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | b[i];
    return v;
}
std::uint32_t littleEndian(const unsigned char* b, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[i];
    return v;
}

}  // namespace

std::int16_t ReadWordMotorola(PhotoFile& file, std::int64_t p) {
    unsigned char b[2];
    file.read(p, b, 2);
    return static_cast<std::int16_t>(bigEndian(b, 2));
}

std::int32_t ReadDwordMotorola(PhotoFile& file, std::int64_t p) {
    unsigned char b[4];
    file.read(p, b, 4);
    return static_cast<std::int32_t>(bigEndian(b, 4));
}

std::int16_t ReadWordIntel(PhotoFile& file, std::int64_t p) {
    unsigned char b[2];
    file.read(p, b, 2);
    return static_cast<std::int16_t>(littleEndian(b, 2));
}

std::int32_t ReadDwordIntel(PhotoFile& file, std::int64_t p) {
    unsigned char b[4];
    file.read(p, b, 4);
    return static_cast<std::int32_t>(littleEndian(b, 4));
}

std::int16_t ReadWord(PhotoFile& file, std::int64_t p, int order) {
    switch (order) {
        case Intel: return ReadWordIntel(file, p);
        case Motorola: return ReadWordMotorola(file, p);
        default: return 0;
    }
}

std::int32_t ReadDword(PhotoFile& file, std::int64_t p, int order) {
    switch (order) {
        case Intel: return ReadDwordIntel(file, p);
        case Motorola: return ReadDwordMotorola(file, p);
        default: return 0;
    }
}

std::string ByteToHex(int byteValue) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(byteValue) & 0xFFu);
    return buf;
}

std::string WordToHex(std::int32_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<std::uint32_t>(value) & 0xFFFFu);
    return buf;
}

std::string ReadText(PhotoFile& file, std::int64_t p, std::int64_t limit) {
    if (p < 1 || p > file.size()) throw OutsideFile{};
    std::string text;
    // In pieces, so a text with no NUL for megabytes costs no more than its limit.
    char piece[64];
    while (limit > 0 && p <= file.size()) {
        const std::size_t got = file.readUpTo(
            p, piece, static_cast<std::size_t>(std::min<std::int64_t>(limit, sizeof piece)));
        const void* nul = std::memchr(piece, 0, got);
        const std::size_t take =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - piece) : got;
        text.append(piece, take);
        if (nul) break;
        p += static_cast<std::int64_t>(got);
        limit -= static_cast<std::int64_t>(got);
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void WriteText(PhotoFile& file, std::int64_t p, const std::string& text) {
    file.write(p, text.data(), text.size());
}

}  // namespace tovrin
