#include "exif/iso_boxes.h"

#include "exif/photo_file.h"

namespace tovrin {

bool MapIsoFile(PhotoFile&, ContainerMap&) { return false; }

}  // namespace tovrin
