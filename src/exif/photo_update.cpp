#include "exif/photo_update.h"

#include <tuple>

#include "exif/byte_access.h"
#include "exif/file_date_change.h"
#include "exif/local_time.h"
#include "exif/photo_file.h"
#include "exif/runtime_error.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

std::tuple<int, int, int, int, int, int> key(const LocalDateTime& t) {
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

// The text a field will hold: the written bytes over what it holds now.
std::string textAfter(PhotoFile& file, const DateField& field, const std::string& newText) {
    std::string text = newText;
    if (text.size() < 19) {
        try {
            text += ReadText(file, field.position + static_cast<std::int64_t>(text.size()),
                             static_cast<std::int64_t>(19 - text.size()));
        } catch (const OutsideFile&) {
            // Nothing after the date: no moment to judge.
        }
    }
    return text;
}

}  // namespace

std::optional<LocalDateTime> ParseExifMoment(const std::string& text) {
    if (text.size() < 19) return std::nullopt;
    static const char shape[] = "dddd:dd:dd dd:dd:dd";
    for (int i = 0; i < 19; ++i) {
        const char c = text[static_cast<std::size_t>(i)];
        if (shape[i] == 'd' ? (c < '0' || c > '9') : c != shape[i]) return std::nullopt;
    }
    const auto n = [&](int at, int width) {
        int v = 0;
        for (int i = 0; i < width; ++i) v = v * 10 + (text[static_cast<std::size_t>(at + i)] - '0');
        return v;
    };
    const LocalDateTime t{n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2)};
    if (!IsValidDate({t.year, t.month, t.day}) || !IsValidTime({t.hour, t.minute, t.second}))
        return std::nullopt;
    return t;
}

PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, bool dryRun,
                                std::optional<LocalDateTime> latest) {
    PhotoFile file(folderPath + fileName,
                   dryRun ? PhotoFile::Mode::Read : PhotoFile::Mode::ReadWrite);
    PhotoDateUpdate update;
    // Captured before the photo is rewritten: writing moves the file's time
    // to now, and a kept time of day must be the old one.
    update.fileTime = TimeOfDayText(ToLocal(file.lastWriteSeconds()));
    update.readStatus = ReadPhotoInfo(file, fileName, update.before);

    DatePlan plan = PlanEmbeddedDate(file, choice);
    update.newText = plan.newText;
    update.writes = plan.writes;
    update.result.status = plan.status;
    if (!plan.status || plan.writes.empty()) {
        file.close();
        return update;
    }

    const LocalDateTime fileMoment = FileDateMoment(choice, update.fileTime);
    if (latest) {
        bool future = key(fileMoment) > key(*latest);
        for (const DateField& w : plan.writes) {
            const auto t = ParseExifMoment(textAfter(file, w, plan.newText));
            future = future || (t && key(*t) > key(*latest));
        }
        if (future) {
            update.refusedAsFuture = true;
            update.writes.clear();
            file.close();
            return update;
        }
    }
    const std::int64_t moment = LocalToEpoch(fileMoment);
    if (dryRun) {
        update.result = {true, false, true};
        for (const DateField& w : plan.writes)
            update.result.dateWritten |= w.tag == tiff::TagDateTime;
        file.close();
        return update;
    }
    if (!file.maySetTimes()) throw RuntimeError(error::PermissionDenied);

    update.result = ApplyDatePlan(file, plan);
    try {
        SetFileTimes(file, moment);
    } catch (const RuntimeError&) {
        for (const DateField& w : plan.writes) WriteText(file, w.position, w.current);
        try {
            file.setTimes(file.accessedAtOpen(), file.modifiedAtOpen());
        } catch (const RuntimeError&) {
            // The old bytes are back; the times were refused once already.
        }
        throw;
    }
    file.close();
    return update;
}

}  // namespace tovrin
