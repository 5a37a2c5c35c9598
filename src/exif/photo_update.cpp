#include "exif/photo_update.h"

#include "exif/byte_access.h"
#include "exif/file_date_change.h"
#include "exif/local_time.h"
#include "exif/photo_file.h"
#include "exif/runtime_error.h"
#include "exif/tiff_layout.h"

namespace tovrin {

PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, bool dryRun) {
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

    const std::int64_t moment = LocalToEpoch(FileDateMoment(choice, update.fileTime));
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
