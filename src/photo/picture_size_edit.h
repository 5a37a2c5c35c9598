#pragma once

#include <memory>

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "photo/fit_rule.h"

class QImageReader;
class QWidget;

namespace tovrin {

class PictureBox;

// Pixels <-> twips at the edge of the window code: 15 twips per logical pixel.
TwipsRect twipsFromPixels(const QRect& pixels);
// Each edge is rounded on its own, so a picture that fills a box covers the box's pixels exactly.
QRect pixelsFromTwips(const TwipsRect& twips);

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

// PictureSizeEdit: decodes the photo at `path` afresh and fits it into the box `picBack`
// (twips, in the coordinate space of image2's parent): scaled with its aspect ratio kept and
// centred along the axis with room to spare. image2 is hidden while it works and shown at the
// end; on a failure it stays hidden, holds no picture, and the RuntimeError (53, 75, 481) is
// passed on to the caller. The box itself is never changed.
void FitThumbnail(PictureBox& image2, const TwipsRect& picBack, const QString& path);
// The same with the box read from the widget that draws it (its pixels taken at 15 twips each).
void FitThumbnail(PictureBox& image2, const QWidget& picBack, const QString& path);

}  // namespace tovrin
