#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// HEIF, HEIC and AVIF pictures through libheif, where the build has it
// (TOVRIN_HAVE_LIBHEIF: found by CMake on Linux; the Windows build has none).
namespace tovrin::heif {

// True when this build decodes HEIF pictures.
bool Available();

// The size of the file's primary image as it is shown (after the file's own
// rotation, mirroring and crop, which belong to the picture, not to EXIF);
// empty when the file cannot be read as HEIF or the build has no libheif.
QSize PrimarySize(const QString& path);

// The primary image at that size; null when it cannot be decoded. With `atLeast`, a thumbnail
// the file stores of its primary image (phones store one of some 320 pixels) is taken instead
// when it is at least that large: a thumbnail box needs no decode of twelve million pixels.
QImage DecodePrimary(const QString& path, QSize atLeast = {});

}  // namespace tovrin::heif
