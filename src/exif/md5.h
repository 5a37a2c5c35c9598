#pragma once

#include <array>
#include <string_view>

namespace tovrin {

// The MD5 digest of `bytes`. Photoshop keeps one of its IPTC block
// (IPTCDigest), and readers trust the block only while it matches.
std::array<unsigned char, 16> Md5(std::string_view bytes);

}  // namespace tovrin
