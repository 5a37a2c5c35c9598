#pragma once

#include <cstddef>
#include <cstdint>

#include "exif/exif_walk.h"

namespace tovrin {

class PhotoFile;

// The CRC-32 that PNG stores after every chunk (and zlib, gzip and ZIP use):
// reflected polynomial 0xEDB88320, register preset to all ones and inverted
// at the end. `crc` is the value of the bytes before these, so a run of
// calls over consecutive pieces gives the CRC of the whole; 0 to start.
std::uint32_t Crc32(const unsigned char* bytes, std::size_t n, std::uint32_t crc = 0);

// The same over a span of the file, read in pieces, so a chunk of any size
// costs no more memory than a piece. Throws OutsideFile unless the file
// holds the whole span.
std::uint32_t Crc32(PhotoFile& file, const ByteSpan& span);

}  // namespace tovrin
