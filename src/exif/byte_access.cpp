#include "exif/byte_access.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "exif/photo_file.h"

namespace tovrin {

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
