#include "photo/picture_size_edit.h"

#include <algorithm>

#include <QFileInfo>
#include <QImageReader>
#include <QWidget>

#include "exif/runtime_error.h"
#include "photo/picture_box.h"
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

PictureReader::PictureReader(const QString& path) {
    if (!QFileInfo::exists(path)) {
        throw RuntimeError(error::FileNotFound);
    }
    m_reader = std::make_unique<QImageReader>(path);
    m_reader->setAutoTransform(false);
    const QSize size = m_reader->size();
    if (size.isEmpty()) {
        const auto failure = m_reader->error();
        if (failure == QImageReader::FileNotFoundError || failure == QImageReader::DeviceError) {
            // The file is there but cannot be read (a folder, no permission, a device fault).
            throw RuntimeError(error::PathFileAccess);
        }
        throw RuntimeError(error::BadPicture);
    }
    m_naturalSize = size;
}

PictureReader::~PictureReader() = default;

QImage PictureReader::decodeScaled(QSize size) {
    m_reader->setScaledSize(size.expandedTo(QSize(1, 1)));
    return decode();
}

QImage PictureReader::decodeClip(const QRect& clip) {
    const QRect inside = clip.intersected(QRect(QPoint(0, 0), m_naturalSize));
    if (inside.isEmpty()) {
        throw RuntimeError(error::InvalidCall);
    }
    m_reader->setClipRect(inside);
    return decode();
}

QImage PictureReader::decode() {
    QImage pixels = m_reader->read();
    if (pixels.isNull()) {
        throw RuntimeError(error::BadPicture);
    }
    return pixels;
}

void FitThumbnail(PictureBox& image2, const TwipsRect& picBack, const QString& path) {
    image2.hide();
    image2.setStretch(false);
    try {
        PictureReader reader(path);
        const QSize natural = reader.naturalSize();
        const TwipsRect placed =
            fitPicture(picBack, pictureTwips(natural.width(), natural.height(), TwipsPerPixel));
        const QRect shown = pixelsFromTwips(placed);
        const QImage pixels = reader.decodeScaled(shown.size());
        image2.setStretch(true);
        image2.setPicture(pixels, natural);
        image2.setGeometry(shown);
    } catch (const RuntimeError&) {
        // A picture of the photo shown before must not stay behind as if it were this one.
        image2.clearPicture();
        throw;
    }
    image2.show();
}

void FitThumbnail(PictureBox& image2, const QWidget& picBack, const QString& path) {
    QRect box = picBack.geometry();
    const QWidget* imageParent = image2.parentWidget();
    const QWidget* boxParent = picBack.parentWidget();
    if (imageParent != nullptr && boxParent != nullptr && imageParent != boxParent) {
        const QWidget* window = imageParent->window();
        box.moveTopLeft(imageParent->mapFrom(window, boxParent->mapTo(window, box.topLeft())));
    }
    FitThumbnail(image2, twipsFromPixels(box), path);
}

}  // namespace tovrin
