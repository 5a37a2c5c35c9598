#pragma once

#include <QIcon>
#include <QPixmap>

namespace tovrin {

// The pictures of the main window, drawn in code so the program needs no
// image files beside it.

// The application's icon: a small camera over a calendar leaf.
QIcon ApplicationIcon();

// A heading band: dark blue fading to a lighter blue from left to right, the
// ground of a white heading text.
QPixmap HeadingBand(int widthPixels, int heightPixels);

}  // namespace tovrin
