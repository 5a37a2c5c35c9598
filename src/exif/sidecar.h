#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exif/copy_plan.h"
#include "exif/writer.h"

namespace tovrin {

// An .xmp file beside a photo, which photo libraries read before the photo's
// own dates: NAME.xmp or NAME.jpg.xmp. A write into one is journaled with
// the photo's own, under a tag that names which.
inline constexpr std::int16_t FirstSidecarTag = 2;  // NAME.xmp
inline constexpr std::int16_t LastSidecarTag = 3;   // NAME.jpg.xmp
constexpr bool IsSidecarTag(std::int16_t tag) {
    return tag >= FirstSidecarTag && tag <= LastSidecarTag;
}
// The sidecar a tag names, beside the photo at `photoPath`.
std::string SidecarPath(const std::string& photoPath, std::int16_t tag);

// What a rule gives the copies in the photo's sidecars (each write tagged
// with its sidecar), and what could not be read or followed.
CopyPlan PlanSidecars(const std::string& photoPath, const CopyRule& rule);

// Whether each write names a copy of the date in the sidecar as it is now,
// holding `current` or `written`: how an undo knows the sidecar still holds
// what a change wrote. `state` gets 1 for each write holding its new bytes,
// 0 for its old ones, -1 for neither.
bool SidecarHolds(const std::string& photoPath, const std::vector<DateField>& writes,
                  std::vector<int>& state);

// Rewrites the sidecars that `writes` name (only writes with a sidecar tag
// count), each safely: its whole text with the new bytes goes into a new
// file beside it, which is put on the disk and renamed over it, so a crash
// leaves the old sidecar or the new one, never a half file. Each write's
// place must hold its `current` bytes first. Throws RuntimeError; a sidecar
// already replaced when a later one fails is given its old text back.
void RewriteSidecars(const std::string& photoPath, const std::vector<DateField>& writes);

}  // namespace tovrin
