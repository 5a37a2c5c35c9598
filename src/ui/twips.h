#pragma once

#include <cmath>

namespace tovrin {

// Window geometry is worked out in twips (1/1440 inch) and turned into
// pixels only where it meets a widget, at 15 twips to the pixel (96 DPI).
inline constexpr double TwipsPerPixel = 15.0;

// The nearest whole pixel, a half away from zero.
inline int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

inline float PixelsToTwips(int pixels) { return static_cast<float>(pixels * TwipsPerPixel); }

// Left, top, width, height in twips, relative to the control's container;
// single precision, like all window geometry.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

}  // namespace tovrin
