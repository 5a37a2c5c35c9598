#pragma once

class QPushButton;

namespace tovrin {

// The run button's face: its icon and caption side by side, centred together
// one pixel apart, drawn as one bitmap that becomes the button's icon. The
// button then has no caption of its own, so the caption does not show twice.
// Everything else (clicks, keys, focus, the pressed and disabled looks) stays
// the button's own.
//
// Drawn once, at the button's size, from its icon at its icon size and its
// caption: draw it after the button has its place.
void DrawRunButtonFace(QPushButton& button);

}  // namespace tovrin
