#pragma once

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

namespace tovrin::test {

// A photo of `size` pixels: the left half red, the right half blue, so a test can tell where the
// decoded pixels came from.
inline QImage twoColourPicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), Qt::blue);
    return picture;
}

inline bool writeJpeg(const QString& path, QSize size) {
    return twoColourPicture(size).save(path, "JPEG", 90);
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts an EXIF block right after SOI whose IFD0 holds only Orientation = `orientation`
// (6: the camera was turned a quarter clockwise).
inline QByteArray withOrientation(const QByteArray& jpeg, quint16 orientation) {
    //   "Exif" 0 0 | "II" 42 | IFD0 at 8 | 1 entry: tag 0x0112, SHORT, count 1, value | next 0
    QByteArray tiff("II\x2a\x00\x08\x00\x00\x00", 8);
    tiff += QByteArray("\x01\x00", 2);
    tiff += QByteArray("\x12\x01\x03\x00\x01\x00\x00\x00", 8);
    tiff += char(orientation & 0xFF);
    tiff += char(orientation >> 8);
    tiff += QByteArray(2, '\0');
    tiff += QByteArray(4, '\0');
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    segment += payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// The shared photo corpus's photos folder, or "" when it is not there.
inline QString corpusPhotos() {
    const QString dir = qEnvironmentVariable("TOVRIN_CORPUS_DIR");
    if (dir.isEmpty() || !QDir(dir + QStringLiteral("/photos")).exists()) {
        return {};
    }
    return dir + QStringLiteral("/photos");
}

inline bool isReddish(QRgb pixel) { return qRed(pixel) > 180 && qBlue(pixel) < 80; }

inline bool isBluish(QRgb pixel) { return qBlue(pixel) > 180 && qRed(pixel) < 80; }

}  // namespace tovrin::test
