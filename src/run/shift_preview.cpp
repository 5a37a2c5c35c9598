#include "run/shift_preview.h"

#include <algorithm>
#include <utility>

#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/runtime_error.h"
#include "exif/tiff_layout.h"
#include "exif/writer.h"

namespace tovrin {

namespace {

// The capture date first: it is what the user knows a photo by.
int rank(std::int16_t tag) {
    return tag == tiff::TagDateTimeOriginal ? 0 : tag == tiff::TagDateTimeDigitized ? 1 : 2;
}

const char* placeOf(std::int16_t tag) {
    switch (rank(tag)) {
        case 0:
            return "DateTimeOriginal";
        case 1:
            return "DateTimeDigitized";
        default:
            return "DateTime";
    }
}

}  // namespace

std::optional<PhotoDates> ReadShiftDates(const std::string& folderPath, const std::string& name,
                                         const std::string& onlyOn) {
    std::vector<std::pair<int, DateCopy>> found;
    try {
        // The fields the shift's plan looks at, through the same walk: a text
        // the writer would not touch is no copy that moves.
        PhotoFile file(folderPath + name, PhotoFile::Mode::Read);
        const DateFields fields = FindDateFields(file, 19);
        if (!fields.complete) return std::nullopt;
        for (const DateField& field : fields.fields) {
            if (!ShiftMovesText(field.current, onlyOn)) continue;
            found.push_back({rank(field.tag),
                             {placeOf(field.tag), field.current, *ParseExifMoment(field.current)}});
        }
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    if (!onlyOn.empty() && found.empty()) return std::nullopt;
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    PhotoDates photo{name, {}};
    for (auto& entry : found) photo.copies.push_back(std::move(entry.second));
    return photo;
}

std::optional<std::vector<std::string>> ShiftedTexts(const PhotoDates& photo,
                                                     std::int64_t seconds) {
    std::vector<std::string> texts;
    texts.reserve(photo.copies.size());
    for (const DateCopy& copy : photo.copies) {
        const auto moved = ShiftMoment(copy.moment, seconds);
        if (!moved) return std::nullopt;
        texts.push_back(ExifMomentText(*moved));
    }
    return texts;
}

}  // namespace tovrin
