#include "button/ansi_text.h"

#include <QList>

namespace tovrin {

namespace {

bool IsSingleByte(char32_t c) {
    constexpr char32_t HalfWidthKatakanaFirst = 0xFF61;  // ｡
    constexpr char32_t HalfWidthKatakanaLast = 0xFF9F;   // ﾟ
    return c < 0x80 || (c >= HalfWidthKatakanaFirst && c <= HalfWidthKatakanaLast);
}

}  // namespace

int AnsiByteLength(QStringView text) {
    int bytes = 0;
    // Walk code points, so that a character outside the BMP counts once.
    for (char32_t c : text.toUcs4()) {
        bytes += IsSingleByte(c) ? 1 : 2;
    }
    return bytes;
}

}  // namespace tovrin
