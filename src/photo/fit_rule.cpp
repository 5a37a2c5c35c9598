#include "photo/fit_rule.h"

#include <cmath>

namespace tovrin {

double roundHalfEven(double value) {
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest > 0.5) {
        return down + 1;
    }
    if (rest < 0.5) {
        return down;
    }
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

FitSize pictureTwips(int widthPx, int heightPx, double twipsPerPixel) {
    return {static_cast<float>(roundHalfEven(widthPx * twipsPerPixel)),
            static_cast<float>(roundHalfEven(heightPx * twipsPerPixel))};
}

TwipsRect fitPicture(const TwipsRect& box, FitSize natural) {
    // The ratios are taken in double precision; the sizes are then kept as singles, as the
    // picture element keeps its own rectangle.
    const double rw = static_cast<double>(box.width) / natural.width;
    const double rh = static_cast<double>(box.height) / natural.height;
    const bool heightBound = rw >= rh;
    const double scale = heightBound ? rh : rw;

    TwipsRect placed;
    placed.width = static_cast<float>(natural.width * scale);
    placed.height = static_cast<float>(natural.height * scale);
    placed.left = box.left;
    placed.top = box.top;
    if (heightBound) {
        placed.left =
            static_cast<float>((static_cast<double>(box.width) - placed.width) / 2 + box.left);
    } else {
        placed.top =
            static_cast<float>((static_cast<double>(box.height) - placed.height) / 2 + box.top);
    }
    return placed;
}

}  // namespace tovrin
