#pragma once

#include <cstddef>
#include <string>

namespace tovrin {

// Length of the well-formed UTF-8 sequence at text[i] that ends before `end`
// (the text's end by default), 0 when there is none: overlong forms,
// surrogates and code points past U+10FFFF are not well-formed.
inline std::size_t Utf8SequenceAt(const std::string& text, std::size_t i,
                                  std::size_t end = std::string::npos) {
    if (end > text.size()) end = text.size();
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n > end - i) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return n;
}

// True when the whole text is well-formed UTF-8.
inline bool IsWellFormedUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceAt(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace tovrin
