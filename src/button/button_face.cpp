#include "button/button_face.h"

#include <cmath>

#include <QPainter>

namespace tovrin {

namespace {

struct Across {
    int picture;
    int text;
};

Across HorizontalPositions(int position, int faceWidth, int picW, int textW) {
    const int gap = (faceWidth - (picW + 1 + textW)) / 2;
    switch (position) {
        case 1:  // picture left of the text, the pair centred, one pixel apart
            return {gap, gap + picW + 1};
        case 2:  // picture at the left edge, text centred on the whole face
            return {0, (faceWidth - textW) / 2};
        case 3:  // picture at the left edge, text centred in the rest
            return {0, picW + (faceWidth - picW - textW) / 2};
        case 4:  // text left of the picture, the pair centred
            return {gap + textW + 1, gap};
        case 5:  // picture at the right edge, text centred on the whole face
            return {faceWidth - picW, (faceWidth - textW) / 2};
        case 6:  // picture at the right edge, text centred in the rest
            return {faceWidth - picW, (faceWidth - picW - textW) / 2};
        default:
            return {0, 0};
    }
}

}  // namespace

FaceLayout ComposeFace(const FaceInput& input) {
    FaceLayout layout;
    layout.width = input.clientWidth - 4;
    layout.height = input.clientHeight - 5;

    const int picW = input.pictureWidth;
    const int picH = input.pictureHeight;
    int textW = 0;
    int textH = 0;
    if (input.style == FaceCaption) {
        textW = input.captionWidth;
        textH = input.captionHeight;
    } else if (input.style == FaceSwatch) {
        textW = layout.width - picW - 5;
        textH = layout.height - 2;
    }

    const Across x = HorizontalPositions(input.picturePosition, layout.width, picW, textW);
    layout.picture = QRect(x.picture, (layout.height - picH) / 2, picW, picH);
    layout.text = QRect(x.text, (layout.height - textH) / 2, textW, textH);
    return layout;
}

int FacePicturePixels(int himetric, double twipsPerPixel) {
    constexpr double HimetricToTwips = 0.567;
    return int(std::nearbyint(double(himetric) / twipsPerPixel * HimetricToTwips));
}

QImage PaintFace(const FaceLayout& layout, const QImage& picture, const QString& caption,
                 const QFont& font, int style, ColorValue swatchColor, const QPalette& palette) {
    if (layout.width <= 0 || layout.height <= 0) {
        return {};
    }
    QImage face(layout.width, layout.height, QImage::Format_RGB32);
    face.fill(ColorFromValue(TranslateColor(ButtonFaceColor, palette)));

    QPainter painter(&face);
    painter.setFont(font);
    painter.setPen(Qt::black);
    if (style == FaceCaption) {
        painter.drawText(layout.text,
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic,
                         caption);
    } else if (style == FaceSwatch && layout.text.width() > 0 && layout.text.height() > 0) {
        painter.setBrush(ColorFromValue(TranslateColor(swatchColor, palette)));
        // A pen-outlined rectangle covers one pixel more than its size in Qt;
        // the swatch is exactly textW x textH, outline included.
        painter.drawRect(layout.text.adjusted(0, 0, -1, -1));
    }
    if (!picture.isNull() && !layout.picture.isEmpty()) {
        // Copied as it is: the picture already sits on the button's background.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
        const QRect source = QRect(QPoint(0, 0), layout.picture.size()) & opaque.rect();
        painter.drawImage(layout.picture.topLeft(), opaque, source);
    }
    return face;
}

}  // namespace tovrin
