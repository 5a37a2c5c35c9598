#include "exif/photo_update.h"

#include <tuple>

#include "exif/byte_access.h"
#include "exif/file_date_change.h"
#include "exif/runtime_error.h"
#include "exif/tiff_layout.h"

namespace tovrin {

namespace {

std::tuple<int, int, int, int, int, int> key(const LocalDateTime& t) {
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

// The text a field will hold: the written bytes over what it holds now.
std::string textAfter(PhotoFile& file, const DateField& field) {
    std::string text = field.written;
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

// Opens the photo and reads it as the change will find it.
PhotoDateUpdate readBefore(PhotoFile& file, const std::string& fileName) {
    PhotoDateUpdate update;
    // Captured before the photo is rewritten: writing moves the file's time
    // to now, and a kept time of day must be the old one.
    update.fileTime = TimeOfDayText(ToLocal(file.lastWriteSeconds()));
    update.readStatus = ReadPhotoInfo(file, fileName, update.before);
    return update;
}

// The common course once the writes are planned: refuse a future moment,
// then (unless a dry run) hand the change to the journal, write, set the
// file's times, and should that fail put the old bytes back.
void carryOut(PhotoFile& file, const std::string& path, PhotoDateUpdate& update,
              const LocalDateTime& fileMoment, bool dryRun,
              const std::optional<LocalDateTime>& latest, const BeforeWrite& beforeWrite) {
    if (latest) {
        bool future = key(fileMoment) > key(*latest);
        for (const DateField& w : update.writes) {
            const auto t = ParseExifMoment(textAfter(file, w));
            future = future || (t && key(*t) > key(*latest));
        }
        if (future) {
            update.refusedAsFuture = true;
            update.writes.clear();
            return;
        }
    }
    const std::int64_t moment = LocalToEpoch(fileMoment);
    WriteResult planned{true, false, true};
    for (const DateField& w : update.writes) planned.dateWritten |= w.tag == tiff::TagDateTime;
    if (dryRun) {
        update.result = planned;
        return;
    }
    if (!file.maySetTimes()) throw RuntimeError(error::PermissionDenied);
    if (beforeWrite) {
        beforeWrite({path, file.size(), file.accessedAtOpen(), file.modifiedAtOpen(),
                     update.writes});
    }

    for (const DateField& w : update.writes) WriteText(file, w.position, w.written);
    update.result = planned;
    try {
        SetFileTimes(file, moment);
    } catch (const RuntimeError&) {
        for (const DateField& w : update.writes) WriteText(file, w.position, w.current);
        try {
            file.setTimes(file.accessedAtOpen(), file.modifiedAtOpen());
        } catch (const RuntimeError&) {
            // The old bytes are back; the times were refused once already.
        }
        throw;
    }
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

std::string ExifMomentText(const LocalDateTime& t) {
    DateChoice c;
    c.date = {t.year, t.month, t.day};
    c.time = {t.hour, t.minute, t.second};
    return NewDateText(c);
}

std::optional<LocalDateTime> ShiftMoment(const LocalDateTime& t, std::int64_t seconds) {
    // Years 1 to 9999 span about 3.2e11 seconds; a larger shift leaves them anyway.
    constexpr std::int64_t Span = 400000000000;
    if (seconds > Span || seconds < -Span) return std::nullopt;
    const LocalDateTime moved = FromWallSeconds(WallSeconds(t) + seconds);
    if (moved.year < 1 || moved.year > 9999) return std::nullopt;
    return moved;
}

PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, bool dryRun,
                                std::optional<LocalDateTime> latest,
                                const BeforeWrite& beforeWrite) {
    const std::string path = folderPath + fileName;
    PhotoFile file(path, dryRun ? PhotoFile::Mode::Read : PhotoFile::Mode::ReadWrite);
    PhotoDateUpdate update = readBefore(file, fileName);
    DatePlan plan = PlanEmbeddedDate(file, choice);
    update.newText = plan.newText;
    update.writes = plan.writes;
    update.result.status = plan.status;
    if (plan.status && !plan.writes.empty()) {
        carryOut(file, path, update, FileDateMoment(choice, update.fileTime), dryRun, latest,
                 beforeWrite);
    }
    file.close();
    return update;
}

PhotoDateUpdate ShiftPhotoDate(const std::string& folderPath, const std::string& fileName,
                               std::int64_t seconds, const std::string& filterDay, bool dryRun,
                               std::optional<LocalDateTime> latest,
                               const BeforeWrite& beforeWrite) {
    const std::string path = folderPath + fileName;
    PhotoFile file(path, dryRun ? PhotoFile::Mode::Read : PhotoFile::Mode::ReadWrite);
    PhotoDateUpdate update = readBefore(file, fileName);
    const DateFields fields = FindDateFields(file, 19);
    update.result.status = fields.complete;

    // The new capture moment, for the file's times: the first of these tags
    // that moves, in this order.
    std::optional<LocalDateTime> capture[3];
    const auto rank = [](std::int16_t tag) {
        return tag == tiff::TagDateTimeOriginal ? 0 : tag == tiff::TagDateTime ? 1 : 2;
    };
    for (const DateField& field : fields.fields) {
        if (!filterDay.empty() && field.current.compare(0, 10, filterDay) != 0) continue;
        const auto old = ParseExifMoment(field.current);
        if (!old) continue;  // not a moment: it stays as it is
        const auto moved = ShiftMoment(*old, seconds);
        if (!moved) {
            update.refusedOutOfRange = true;
            update.writes.clear();
            file.close();
            return update;
        }
        DateField write = field;
        write.written = ExifMomentText(*moved);
        update.writes.push_back(write);
        if (!capture[rank(field.tag)]) capture[rank(field.tag)] = moved;
    }
    if (fields.complete && !update.writes.empty()) {
        const LocalDateTime fileMoment = capture[0] ? *capture[0] : capture[1] ? *capture[1] : *capture[2];
        carryOut(file, path, update, fileMoment, dryRun, latest, beforeWrite);
    }
    file.close();
    return update;
}

Restore RestorePhotoDates(const PendingChange& change, const BeforeWrite& beforeWrite) {
    PhotoFile file(change.path, PhotoFile::Mode::ReadWrite);
    if (file.size() != change.size) return Restore::SizeChanged;
    bool allNew = true;
    bool allOld = true;
    PendingChange reverse{change.path, file.size(), file.accessedAtOpen(), file.modifiedAtOpen(), {}};
    for (const DateField& w : change.writes) {
        std::string now(w.written.size(), '\0');
        if (!file.contains(w.position, static_cast<std::int64_t>(now.size())))
            return Restore::ChangedSince;
        file.read(w.position, now.data(), now.size());
        allNew = allNew && now == w.written;
        allOld = allOld && now == w.current;
        DateField back = w;
        back.current = w.written;
        back.written = w.current;
        reverse.writes.push_back(back);
    }
    if (!allNew) return allOld ? Restore::AlreadyBefore : Restore::ChangedSince;
    if (!file.maySetTimes()) throw RuntimeError(error::PermissionDenied);
    if (beforeWrite) beforeWrite(reverse);
    for (const DateField& w : change.writes) WriteText(file, w.position, w.current);
    file.setTimes(change.accessed, change.modified);
    file.close();
    return Restore::Restored;
}

}  // namespace tovrin
