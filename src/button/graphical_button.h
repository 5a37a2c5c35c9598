#pragma once

#include <QPushButton>

#include "button/picture.h"
#include "button/system_color.h"

namespace tovrin {

// A push button of the graphical style shows a picture as its face. Qt's push
// button has no such style, so the flag and the picture object ride on the
// button itself; the picture is also set as its icon.
void SetGraphicalStyle(QPushButton& button, bool graphical);
bool IsGraphicalStyle(const QPushButton& button);

// The button's background colour as a colour value.
ColorValue ButtonBackColor(const QPushButton& button);

// The button's picture: the picture object last given with SetButtonPicture,
// or, when the icon was set some other way, an icon picture of its icon.
Picture ButtonPicture(const QPushButton& button);
// Shows picture as the button's face at its own pixel size, centred.
void SetButtonPicture(QPushButton& button, const Picture& picture);

}  // namespace tovrin
