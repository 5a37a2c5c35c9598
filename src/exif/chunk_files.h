#pragma once

#include "exif/container.h"

namespace tovrin {

class PhotoFile;

// The most chunks a PNG or WebP walk visits. Each step moves forward, so the
// walk ends anyway; the bound keeps a file of tiny chunks from costing a read
// per dozen bytes. libpng writes image data in 8 KB chunks, so this covers
// some 500 MB of it; a file with more is reported, not walked further.
inline constexpr int MaxChunks = 1 << 16;

// Each returns false, with map untouched, for a file that does not begin as
// the kind; otherwise it sets map.kind, maps what is sound and reports the
// rest in map.notes and map.problems, and returns true. None reads outside
// the file: only a file that shrinks under the walk or fails to read makes
// one throw (OutsideFile or RuntimeError, as any read).

// PNG: the eXIf chunk, XMP in an iTXt "XML:com.adobe.xmp", IHDR's size.
bool MapPng(PhotoFile& file, ContainerMap& map);
// WebP (RIFF): the EXIF and "XMP " chunks, the size of VP8X, VP8 or VP8L.
bool MapWebP(PhotoFile& file, ContainerMap& map);
// RAF: the JPEG it wraps, with that JPEG's EXIF block.
bool MapRaf(PhotoFile& file, ContainerMap& map);

}  // namespace tovrin
