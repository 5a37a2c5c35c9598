#include "photo/picture_size_edit.h"

#include <algorithm>

#include <QWidget>

#include "exif/runtime_error.h"
#include "photo/picture_box.h"
#include "photo/picture_reader.h"
#include "ui/twips.h"

namespace tovrin {

TwipsRect twipsFromPixels(const QRect& pixels) {
    return {static_cast<float>(pixels.x() * TwipsPerPixel),
            static_cast<float>(pixels.y() * TwipsPerPixel),
            static_cast<float>(pixels.width() * TwipsPerPixel),
            static_cast<float>(pixels.height() * TwipsPerPixel)};
}

QRect pixelsFromTwips(const TwipsRect& twips) {
    const int left = TwipsToPixels(twips.left);
    const int top = TwipsToPixels(twips.top);
    const int right = TwipsToPixels(static_cast<double>(twips.left) + twips.width);
    const int bottom = TwipsToPixels(static_cast<double>(twips.top) + twips.height);
    return QRect(left, top, right - left, bottom - top);
}

void FitThumbnail(PictureBox& thumbnail, const TwipsRect& box, const QString& path) {
    thumbnail.hide();
    thumbnail.setStretch(false);
    try {
        PictureReader reader(path);
        if (!reader.hasPicture()) {
            thumbnail.setStretch(true);
            thumbnail.setNotice(reader.notice());
            thumbnail.setGeometry(pixelsFromTwips(box));
            thumbnail.show();
            return;
        }
        const QSize natural = reader.naturalSize();
        const TwipsRect placed =
            fitPicture(box, pictureTwips(natural.width(), natural.height(), TwipsPerPixel));
        const QRect shown = pixelsFromTwips(placed);
        const QImage pixels = reader.decodeScaled(shown.size());
        thumbnail.setStretch(true);
        thumbnail.setPicture(pixels, natural);
        thumbnail.setGeometry(shown);
    } catch (const RuntimeError&) {
        // A picture of the photo shown before must not stay behind as if it were this one.
        thumbnail.clearPicture();
        throw;
    }
    thumbnail.show();
}

void FitThumbnail(PictureBox& thumbnail, const QWidget& boxWidget, const QString& path) {
    QRect box = boxWidget.geometry();
    const QWidget* imageParent = thumbnail.parentWidget();
    const QWidget* boxParent = boxWidget.parentWidget();
    if (imageParent != nullptr && boxParent != nullptr && imageParent != boxParent) {
        const QWidget* window = imageParent->window();
        box.moveTopLeft(imageParent->mapFrom(window, boxParent->mapTo(window, box.topLeft())));
    }
    FitThumbnail(thumbnail, twipsFromPixels(box), path);
}

}  // namespace tovrin
