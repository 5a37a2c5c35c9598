#pragma once

#include "exif/container.h"

namespace tovrin {

class PhotoFile;

// PNG: the eXIf chunk, XMP in an iTXt "XML:com.adobe.xmp", IHDR's size.
bool MapPng(PhotoFile& file, ContainerMap& map);
// WebP (RIFF): the EXIF and "XMP " chunks, the size of VP8X, VP8 or VP8L.
bool MapWebP(PhotoFile& file, ContainerMap& map);
// RAF: the JPEG it wraps, with that JPEG's EXIF block.
bool MapRaf(PhotoFile& file, ContainerMap& map);

}  // namespace tovrin
