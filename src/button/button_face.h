#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QString>

#include "button/system_color.h"
#include "ui/twips.h"

namespace tovrin {

// What goes beside the picture on the face.
enum FaceStyle : int { FaceCaption = 0, FaceSwatch = 1 };
// Only this picture mode draws the picture.
inline constexpr int DrawPictureMode = 99;

struct FaceInput {
    int clientWidth = 0;  // the button's client rectangle, pixels
    int clientHeight = 0;
    int pictureWidth = 0;  // the face picture in pixels; 0 x 0 without one
    int pictureHeight = 0;
    int captionWidth = 0;  // the caption measured as one line in the face font
    int captionHeight = 0;
    int style = FaceCaption;
    int picturePosition = 2;
};

struct FaceLayout {
    int width = 0;  // the face bitmap
    int height = 0;
    QRect picture;  // where the picture goes, picW x picH
    QRect text;     // where the caption or the swatch goes, textW x textH
};

// Places the picture and the caption (or swatch) on the face. The face keeps
// 4 x 5 pixels of the client rectangle for the button's own frame; every
// halving truncates toward zero.
FaceLayout ComposeFace(const FaceInput& input);

// The face's pixel extent of a picture's HIMETRIC extent. The face uses the
// rounder factor 0.567 and divides before multiplying; half to even.
int FacePicturePixels(int himetric, double twipsPerPixel = TwipsPerPixel);

// Draws the face: button-face background, the caption in black (an "&" marks
// the next character with an underline) or a swatch of swatchColor with a
// black outline, then the picture copied opaque. Null when the face has no
// area.
QImage PaintFace(const FaceLayout& layout, const QImage& picture, const QString& caption,
                 const QFont& font, int style, ColorValue swatchColor, const QPalette& palette);

}  // namespace tovrin
