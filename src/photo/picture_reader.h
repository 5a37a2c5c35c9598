#pragma once

#include <memory>

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QImageReader;

namespace tovrin {

// One photo file opened for decoding. The natural size comes from the file's header; the
// pixels are decoded only at the size they are shown (or only the part that is seen), so a
// large photo is never held at full size. The orientation recorded in the file is not applied.
// The file stays open only as long as this object lives.
class PictureReader {
public:
    // Raises RuntimeError 53 for a missing file, 75 for a file that cannot be opened and 481
    // for a file that is not a picture.
    explicit PictureReader(const QString& path);
    ~PictureReader();
    PictureReader(const PictureReader&) = delete;
    PictureReader& operator=(const PictureReader&) = delete;

    QSize naturalSize() const { return m_naturalSize; }

    // The whole picture scaled to `size` (at least one pixel each way). Raises RuntimeError 481.
    QImage decodeScaled(QSize size);
    // The part `clip` of the picture at natural size. Raises RuntimeError 481, or 5 when `clip`
    // lies outside the picture.
    QImage decodeClip(const QRect& clip);

private:
    QImage decode();

    std::unique_ptr<QImageReader> m_reader;
    QSize m_naturalSize;
};

}  // namespace tovrin
