#pragma once

#include <memory>

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QBuffer;
class QImageReader;

namespace tovrin {

// One photo file opened for decoding. The natural size comes from the file's header; the
// pixels are decoded only at the size they are shown (or only the part that is seen), so a
// large photo is never held at full size. The orientation recorded in the file is not applied.
// The file stays open only as long as this object lives.
//
// What is decoded is told by the file's first bytes (the engine's KindOfFile and MapContainer),
// and by its name only where those say nothing yet:
//   JPEG, PNG        Qt's image readers, as always;
//   WebP, TIFF       Qt's image plugins (qt6-image-formats-plugins), when they are there;
//   HEIF/HEIC/AVIF   libheif's primary image, in a build that has it (heif::Available);
//   raw files        the largest JPEG preview they embed (FindPreviewJpeg), read through the
//                    engine's PhotoFile (DNG, CR2, NEF, ARW, ... by their TIFF directories;
//                    RAF and CR3 by their container maps);
//   movies           no picture.
// A file Tovrin lists that has no picture here (a movie, a raw file without a preview, a HEIF,
// WebP or TIFF this build cannot decode) is no failure: hasPicture() is false and notice() says
// why, in Japanese, for the picture box to show in its place.
class PictureReader {
public:
    // Raises RuntimeError 53 for a missing file, 75 (or the engine's own number) for a file that
    // cannot be opened and 481 for a file that is not a picture.
    explicit PictureReader(const QString& path);
    ~PictureReader();
    PictureReader(const PictureReader&) = delete;
    PictureReader& operator=(const PictureReader&) = delete;

    bool hasPicture() const { return m_notice.isEmpty(); }
    // Why there is no picture; empty when there is one.
    const QString& notice() const { return m_notice; }

    // Empty when there is no picture.
    QSize naturalSize() const { return m_naturalSize; }

    // The whole picture scaled to `size` (at least one pixel each way). Raises RuntimeError 481,
    // also when there is no picture.
    QImage decodeScaled(QSize size);
    // The part `clip` of the picture at natural size. Raises RuntimeError 481, or 5 when `clip`
    // lies outside the picture.
    QImage decodeClip(const QRect& clip);

    // The notices (the picture box shows them over its panel).
    static QString movieNotice();
    static QString rawWithoutPreviewNotice();
    // "<format> の縮小表示はこの版では表示できません": a format this build cannot decode.
    static QString notInThisBuildNotice(const QString& format);

private:
    enum class Source { Qt, Heif };
    void openPreview();
    void openHeif(const QString& path);
    // atLeast: for a HEIF, the smallest size that will do (a stored thumbnail may).
    QImage decode(QSize atLeast = {});

    Source m_source = Source::Qt;
    QString m_path;
    QString m_notice;
    // A raw file's preview, read once; the reader reads from it.
    QByteArray m_preview;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QImageReader> m_reader;
    QSize m_naturalSize;
};

}  // namespace tovrin
