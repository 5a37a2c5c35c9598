#include "exif/chunk_files.h"

#include "exif/photo_file.h"

namespace tovrin {

bool MapPng(PhotoFile&, ContainerMap&) { return false; }
bool MapWebP(PhotoFile&, ContainerMap&) { return false; }
bool MapRaf(PhotoFile&, ContainerMap&) { return false; }

}  // namespace tovrin
