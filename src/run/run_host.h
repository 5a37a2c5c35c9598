#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/local_time.h"
#include "messages/message_boxes.h"
#include "run/journal.h"

namespace tovrin {

// What the date-setting run needs from the main window: the file list, the
// choices, the readout and the thumbnail. The window implements it over its
// controls (MainRunHost); tests implement it over a plain list. Entries are
// indexed from 0 in list order. Any member may throw RuntimeError (a vanished file, a
// picture that cannot be decoded): the run reports it in its own error box.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The folder the file list shows, with or without a separator at its end.
    virtual std::string folder() const = 0;
    // Number of entries of the file list.
    virtual int fileCount() const = 0;
    // The file name of entry i, without folder.
    virtual std::string fileName(int index) const = 0;
    // Whether entry i is selected.
    virtual bool isSelected(int index) const = 0;
    // Adds entry i to the selection as code does (others stay selected). Like
    // a user's click, this shows the entry's readout.
    virtual void selectInCode(int index) = 0;
    // Re-reads the file list from the disk.
    virtual void reloadFileList() = 0;
    // Selects the first entry, which shows its information; nothing when the
    // list is empty.
    virtual void selectFirstEntry() = 0;
    // Selects entry i alone, which shows its information; nothing when there
    // is no such entry.
    virtual void selectEntry(int index) = 0;
    // Shows the readout of the current entry. Errors propagate.
    virtual void showSelectedPhoto() = 0;

    // The user's choices as the controls stand now: the date, the time, keep
    // each photo's time of day, and the day filter.
    virtual DateChoice dateChoice() const = 0;
    // "All at once" is checked: every entry of the file list is a target.
    virtual bool wholeFolderChecked() const = 0;
    // Only the three EXIF texts are to change: the copies of the date (XMP,
    // IPTC, IFD0's own) stay as they are. Off unless the host offers the
    // choice, so a photo's copies move with it.
    virtual bool exifOnlyChecked() const { return false; }
    // The run's options beyond the form: a photo without EXIF gets a date
    // block of its own; the photos get moments `stepSeconds` apart in name
    // order (0: one moment for all).
    struct RunOptions {
        bool addMissing = false;
        std::int64_t stepSeconds = 0;
    };
    virtual RunOptions runOptions() const { return {}; }

    // Replaces the whole text of the information box.
    virtual void setInformationText(const std::string& text) = 0;
    // Removes the picture from the thumbnail.
    virtual void clearThumbnail() = 0;
    // Decodes the photo at fullPath and fits it into the thumbnail box.
    virtual void showThumbnail(const std::string& fullPath) = 0;

    // Where every message of the run is shown.
    virtual MessageBoxes& messageBoxes() = 0;
    // The folder the daily logs live in: the program's own folder, or the
    // user's state folder when the program's cannot be written (LogFolder).
    virtual std::string logFolder() const = 0;
    // The present local moment: the future-moment check and the log use it.
    virtual LocalDateTime now() const { return Now(); }

    // Where the run's undo journal goes ("" for none).
    virtual std::string journalFolder() const { return JournalFolder(); }
    // Asks which recorded run to give back; `runs` newest first, `latest` the
    // one offered first ("" when every run is given back already). "" when
    // the user chose none.
    virtual std::string chooseRunToUndo(const std::vector<RecordedRun>& /*runs*/,
                                        const std::string& latest) {
        return latest;
    }

    // A run starts (true) or has ended, however it ended (false). While it
    // works, the window disables every control that could change the choice,
    // the folder or the list.
    virtual void setRunning(bool /*running*/) {}
    // Before each photo of a run: `done` of `total` handled so far, the next
    // one's name. The window shows it and keeps repainting.
    virtual void showProgress(int /*done*/, int /*total*/, const std::string& /*name*/) {}
    // Asked after each photo: the user chose to stop the run.
    virtual bool stopRequested() { return false; }
};

}  // namespace tovrin
