#pragma once

#include <QRect>
#include <QString>

#include "photo/fit_rule.h"

class QWidget;

namespace tovrin {

class PictureBox;

// Pixels <-> twips at the edge of the window code: 15 twips per logical pixel.
TwipsRect twipsFromPixels(const QRect& pixels);
// Each edge is rounded on its own, so a picture that fills a box covers the box's pixels exactly.
QRect pixelsFromTwips(const TwipsRect& twips);

// PictureSizeEdit: decodes the photo at `path` afresh and fits it into `box`
// (twips, in the coordinate space of the thumbnail's parent): scaled with its aspect ratio kept and
// centred along the axis with room to spare. The thumbnail is hidden while it works and shown at
// the end; on a failure it stays hidden, holds no picture, and the RuntimeError (53, 75, 481) is
// passed on to the caller. A photo of a kind that has no picture here (PictureReader::notice:
// a movie, a raw file without a preview, a format this build cannot decode) is no failure: the
// thumbnail takes the box's whole rectangle and shows the notice there. The box itself is never
// changed.
void FitThumbnail(PictureBox& thumbnail, const TwipsRect& box, const QString& path);
// The same with the box read from the widget that draws it (its pixels taken at 15 twips each).
void FitThumbnail(PictureBox& thumbnail, const QWidget& boxWidget, const QString& path);

}  // namespace tovrin
