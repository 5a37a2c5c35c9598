#pragma once

#include <cstdint>

#include <QColor>
#include <QPalette>

namespace tovrin {

// Colour values are 32 bits: with bit 31 set, the low bits index a system
// colour; otherwise 0x00BBGGRR (red in the lowest byte). 0x02000000 marks a
// concrete colour as palette-relative.
using ColorValue = std::uint32_t;

inline constexpr ColorValue SystemColorFlag = 0x80000000u;
inline constexpr ColorValue PaletteRelative = 0x02000000u;
inline constexpr ColorValue ButtonFaceColor = 0x8000000Fu;
inline constexpr ColorValue ButtonTextColor = 0x80000012u;

// The current value (0x00BBGGRR) of the system colour with that index, taken
// from palette. An index that names no system colour gives 0, as the system
// itself answers.
ColorValue SystemColor(std::uint32_t index, const QPalette& palette);

// A colour value that may name a system colour, made concrete and marked
// palette-relative. The first form reads the application palette.
ColorValue TranslateColor(ColorValue color);
ColorValue TranslateColor(ColorValue color, const QPalette& palette);

// The red, green and blue of a concrete colour value (marker bits ignored).
QColor ColorFromValue(ColorValue color);
ColorValue ValueFromColor(const QColor& color);

}  // namespace tovrin
