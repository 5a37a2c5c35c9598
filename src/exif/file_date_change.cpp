#include "exif/file_date_change.h"

#include <cctype>

#include "exif/photo_file.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

// "h:mm:ss" or "hh:mm:ss" as captured from the file; anything else is a type mismatch.
TimeOfDay parseTimeOfDay(const std::string& text) {
    int parts[3] = {0, 0, 0};
    int index = 0;
    int digits = 0;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            parts[index] = parts[index] * 10 + (c - '0');
            if (++digits > 2) throw RuntimeError(error::TypeMismatch);
        } else if (c == ':' && digits > 0 && index < 2) {
            ++index;
            digits = 0;
        } else {
            throw RuntimeError(error::TypeMismatch);
        }
    }
    const TimeOfDay t{parts[0], parts[1], parts[2]};
    if (index != 2 || digits == 0 || !IsValidTime(t)) throw RuntimeError(error::TypeMismatch);
    return t;
}

// Every common file system holds these moments to the second or two (FAT
// keeps even seconds), so a read-back is only needed outside them.
constexpr std::int64_t SafeFrom = 315619200;    // 1980-01-02 UTC
constexpr std::int64_t SafeUntil = 2145830400;  // 2037-12-31 UTC
constexpr std::int64_t Tolerance = 2;

}  // namespace

LocalDateTime FileDateMoment(const DateChoice& choice, const std::string& fileTime) {
    const TimeOfDay t = choice.keepTime ? parseTimeOfDay(fileTime) : choice.time;
    return {choice.date.year, choice.date.month, choice.date.day, t.hour, t.minute, t.second};
}

void SetFileTimes(PhotoFile& file, std::int64_t moment) {
    if (!file.maySetTimes()) throw RuntimeError(error::PermissionDenied);
    file.setTimes({moment, 0}, {moment, 0});
    if (moment < SafeFrom || moment > SafeUntil) {
        const std::int64_t stored = file.storedModification().seconds;
        if (stored < moment - Tolerance || stored > moment + Tolerance) {
            // The file system clamped the moment: give the file back its times.
            file.setTimes(file.accessedAtOpen(), file.modifiedAtOpen());
            throw RuntimeError(error::InvalidCall);
        }
    }
}

void SetFileDate(const std::string& fullPath, const DateChoice& choice,
                 const std::string& fileTime) {
    const std::int64_t moment = LocalToEpoch(FileDateMoment(choice, fileTime));
    PhotoFile file(fullPath, PhotoFile::Mode::ReadWrite);
    SetFileTimes(file, moment);
    file.close();
}

}  // namespace tovrin
