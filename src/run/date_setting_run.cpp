#include "run/date_setting_run.h"

#include <tuple>

#include "exif/file_date_change.h"
#include "exif/paths.h"
#include "exif/runtime_error.h"
#include "exif/writer.h"
#include "run/run_log.h"
#include "ui/error_report.h"

namespace tovrin {

namespace {

const char* const NoDateInfo = "ファイルの日付情報が取得できません";

// Texts read from a photo hold one character a byte; bytes from 0x80 on are
// Latin-1 characters. The log is UTF-8, so they are re-encoded, not copied.
std::string latin1ToUtf8(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

}  // namespace

bool IsFutureChoice(const DateChoice& choice, const LocalDateTime& now) {
    const auto chosenDay = std::tie(choice.date.year, choice.date.month, choice.date.day);
    const auto today = std::tie(now.year, now.month, now.day);
    if (choice.keepTime) return chosenDay > today;
    return std::tie(choice.date.year, choice.date.month, choice.date.day, choice.time.hour,
                    choice.time.minute, choice.time.second) >
           std::tie(now.year, now.month, now.day, now.hour, now.minute, now.second);
}

DateSettingRun::DateSettingRun(RunHost& host) : m_host(host) {}

void DateSettingRun::CmdExe_Click() {
    try {
        run();
    } catch (...) {
        // Whatever a step throws ends the run with a box, never the program.
        reportRuntimeError(CaughtRuntimeError());
    }
}

void DateSettingRun::run() {
    MessageBoxes& boxes = m_host.messageBoxes();
    int changed = 0;

    // Checked before anything is asked, so a refused choice costs one box.
    if (IsFutureChoice(m_host.dateChoice(), m_host.now())) {
        boxes.show("現在より先の日時は設定できません。", MsgButtons::Ok, MsgIcon::Exclamation,
                   AppTitle);
        return;
    }

    // One date and time for the whole folder is worth a second thought;
    // keeping each photo's time of day is not.
    if (m_host.wholeFolderChecked() && !m_host.dateChoice().keepTime) {
        const MsgAnswer answer =
            boxes.show("フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                       MsgButtons::OkCancel, MsgIcon::None, AppTitle);
        if (answer != MsgAnswer::Ok) return;
    }

    const std::string folderPath = FolderPath(m_host.folder());

    // The list must still match the disk before any photo is touched; a file
    // that vanished means the list is stale, so the whole run is refused.
    for (int i = 0; i < m_host.fileCount(); ++i) {
        if (!FileExists(folderPath + m_host.fileName(i), boxes)) {
            boxes.show(
                "フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。\r\n\r\n"
                "再度、「 埋込日付設定実行 」を行って下さい。",
                MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
            m_host.reloadFileList();
            m_host.selectFirstEntry();
            return;
        }
    }

    // The count is asked afresh: the readout that a selection raises reloads
    // the list when it finds the entry's file gone, and the list may shrink.
    for (int i = 0; i < m_host.fileCount(); ++i) {
        if (m_host.wholeFolderChecked()) m_host.selectInCode(i);
        if (i >= m_host.fileCount()) break;
        if (!m_host.isSelected(i)) continue;
        if (handlePhoto(folderPath, m_host.fileName(i))) ++changed;
    }

    reportSummary(changed);
    m_dateWritten = false;
}

bool DateSettingRun::handlePhoto(const std::string& folderPath, const std::string& name) {
    const std::string fullPath = folderPath + name;

    // Captured before the photo is read and rewritten: writing moves the
    // file's time to now, and the kept time of day must be the old one.
    m_fileTime = TimeOfDayText(LastWriteTime(fullPath));

    // This reading gives the log the dates from before the change.
    ReadPhotoInfo(folderPath, name, m_photoInfo);
    m_exifDate = m_photoInfo.DateTimeOriginal;
    m_fileDate = m_photoInfo.FileDateText;

    const DateChoice choice = m_host.dateChoice();
    m_dateWritten = false;  // as the writer leaves it should it fail
    const WriteResult result = WriteEmbeddedDate(folderPath, name, choice);
    m_dateWritten = result.dateWritten;

    if (!result.status) {
        m_host.setExifInfoText(NoDateInfo);
        m_host.clearThumbnail();
        m_host.FitThumbnail(fullPath);
        m_host.messageBoxes().show(std::string(NoDateInfo) + "\r\n" + name + "の更新に失敗しました",
                                   MsgButtons::Ok, MsgIcon::None, AppTitle);
        return false;
    }

    if (m_dateWritten) {
        SetFileDate(fullPath, choice, m_fileTime);
        MessageBoxes& boxes = m_host.messageBoxes();
        const LocalDateTime now = m_host.now();
        const std::string logPath = GetLogFilePath(m_host.applicationFolder(), boxes, now);
        WriteLogLine("ExifData",
                     " [パス-" + fullPath + "] [埋込日付-" + latin1ToUtf8(m_exifDate) +
                         "] [ファイル日付-" + latin1ToUtf8(m_fileDate) + "]",
                     logPath, boxes, now);
    }

    m_host.File1_Click();
    return m_dateWritten;
}

void DateSettingRun::reportSummary(int changed) {
    MessageBoxes& boxes = m_host.messageBoxes();
    const std::string done =
        "対象のファイル、 " + std::to_string(changed) + "件を処理が完了しました。";

    if (changed > 1) {
        boxes.show(done, MsgButtons::Ok, MsgIcon::Information, "処理完了");
    } else if (changed == 0) {
        boxes.show("変換対象のファイルが存在しませんでした。", MsgButtons::Ok, MsgIcon::Information,
                   "処理完了");
    } else if ((m_host.dateChoice().filterOn || m_host.wholeFolderChecked()) && !m_dateWritten) {
        // One change among several handled photos: the readout shows a later,
        // unchanged photo, so the change needs saying. When the changed photo
        // was the last one handled, its readout already shows the new dates.
        boxes.show(done, MsgButtons::Ok, MsgIcon::Information, "処理完了");
    }
}

void DateSettingRun::reportRuntimeError(const RuntimeError& failure) {
    const int number = failure.number();
    std::string text = "Error\r\n" + RuntimeErrorText(failure);
    if (number == error::FileNotFound) {
        text += "\r\n処理を強制終了します。ファイル一覧を再表示します。";
    }
    try {
        m_host.messageBoxes().show(text, MsgButtons::Ok, MsgIcon::Critical, AppTitle);
        if (number == error::FileNotFound) m_host.reloadFileList();
    } catch (...) {
        // The run is over either way; the handler must not throw.
    }
}

}  // namespace tovrin
