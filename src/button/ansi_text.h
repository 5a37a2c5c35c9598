#pragma once

#include <QStringView>

namespace tovrin {

// Bytes of text in the Japanese ANSI code page (932): ASCII and half-width
// katakana take one byte, every other character two.
int AnsiByteLength(QStringView text);

}  // namespace tovrin
