#include "photo/picture_reader.h"

#include <QFileInfo>
#include <QImageReader>

#include "exif/runtime_error.h"

namespace tovrin {

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

}  // namespace tovrin
