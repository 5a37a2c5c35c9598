#pragma once

#include "ui/twips.h"

namespace tovrin {

// A picture's natural size in twips, rounded to whole twips.
struct FitSize {
    float width = 0;
    float height = 0;
};

// Rounds to the nearest whole number, a half to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// The natural size in twips of a picture of widthPx x heightPx pixels shown at
// twipsPerPixel (15 on a 96-DPI screen), each side rounded half to even.
FitSize pictureTwips(int widthPx, int heightPx, double twipsPerPixel = TwipsPerPixel);

// Where a picture of natural size `natural` goes inside `box`: scaled with its aspect ratio kept
// until it touches two opposite sides of the box (enlarged as well as reduced), and centred along
// the other axis. A picture at least as wide, relative to the box, as it is tall fills the height;
// a tie fills the height too. The result is in the box's coordinate space (the box's left and top
// are added). A box of zero width or height gives a picture of zero size; nothing fails.
// `natural` must not be empty (a decoded picture is at least one pixel).
TwipsRect fitPicture(const TwipsRect& box, FitSize natural);

}  // namespace tovrin
