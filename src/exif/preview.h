#pragma once

#include <optional>

#include "exif/exif_walk.h"

namespace tovrin {

class PhotoFile;

// The largest JPEG preview a raw file embeds, for its thumbnail and viewer:
//
// - RAF and CR3: the preview their container map names (ContainerMap::preview).
// - A file that is a TIFF structure (FileKind::Tiff: DNG, CR2, NEF, ARW, PEF,
//   SRW, ORF, RW2, a plain TIFF): every candidate of IFD0, its chain (IFD1,
//   IFD2, ...) and the SubIFDs (0x014A) of those directories:
//     JPEGInterchangeFormat 0x0201 + JPEGInterchangeFormatLength 0x0202,
//     a directory of Compression 6 or 7 stored as one strip
//       (StripOffsets 0x0111 + StripByteCounts 0x0117),
//     RW2's JpgFromRaw (0x002E in IFD0, its value bytes).
//
// A candidate counts only when it lies wholly inside the file, begins FF D8
// and its first frame header (SOF0, SOF1 or SOF2) says it is a baseline,
// extended or progressive JPEG: the raw image itself is often stored as a
// lossless JPEG (SOF3: CR2's last directory, DNG's raw data) that looks the
// same at its start but that no picture decoder reads. Of those that count,
// the largest is taken (the first met of equal ones).
//
// Bounded whatever the file says: at most MaxDirectories directories, each
// once (a loop ends where it closes), no SubIFD offsets read past what could
// be walked, and never a read outside the file. Nothing when there is no such
// preview, the file is of another kind, or its structure is damaged before
// any preview was found. Throws RuntimeError only when the file cannot be read.
std::optional<ByteSpan> FindPreviewJpeg(PhotoFile& file);

// True when `span` lies wholly inside the file, begins FF D8 and walks to a
// SOF0, SOF1 or SOF2 frame header before its image data: a JPEG a picture
// decoder reads. Never reads outside the span or the file.
bool IsDecodableJpeg(PhotoFile& file, const ByteSpan& span);

}  // namespace tovrin
