#include "exif/crc32.h"

#include <algorithm>
#include <array>
#include <vector>

#include "exif/photo_file.h"

namespace tovrin {

namespace {

// One entry per value of the low byte: that byte shifted through the
// register eight times.
constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> Table = MakeTable();

// Large enough that a chunk costs few reads, small enough to live anywhere.
constexpr std::int64_t Piece = 64 * 1024;

}  // namespace

std::uint32_t Crc32(const unsigned char* bytes, std::size_t n, std::uint32_t crc) {
    std::uint32_t c = ~crc;
    for (std::size_t i = 0; i < n; ++i) c = Table[(c ^ bytes[i]) & 0xFFu] ^ (c >> 8);
    return ~c;
}

std::uint32_t Crc32(PhotoFile& file, const ByteSpan& span) {
    if (!file.contains(span.first, span.size)) throw OutsideFile{};
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(span.size, Piece)));
    std::uint32_t crc = 0;
    for (std::int64_t done = 0; done < span.size;) {
        const auto n = static_cast<std::size_t>(std::min(span.size - done, Piece));
        file.read(span.first + done, buffer.data(), n);
        crc = Crc32(buffer.data(), n, crc);
        done += static_cast<std::int64_t>(n);
    }
    return crc;
}

}  // namespace tovrin
