#pragma once

#include <string>

#include "exif/local_time.h"
#include "messages/message_boxes.h"

namespace tovrin {

// The daily run log. One text file a day in the application
// folder, "Date" + yyyyMMdd + ".log", one line per changed photo; the logs of
// today and of at most two earlier days are kept. Lines end with CR LF and
// are in the system's code page: UTF-8 here, the ANSI code page on Windows.
//
// The caller passes the application folder and "now", so a test can use a
// temporary folder and a fixed clock; the window passes its own folder and
// the present moment.

// Today's log file: appFolder + "Date" + yyyyMMdd + ".log". When that file
// does not exist yet, the oldest matching logs are deleted until at most two
// remain; the file itself is not created. A failure while scanning or
// deleting throws RuntimeError for the caller to report. An empty appFolder
// (LogFolder found nowhere to log) gives "", which WriteLogLine reports.
std::string GetLogFilePath(const std::string& appFolder, MessageBoxes& boxes,
                           const LocalDateTime& now = Now());

// Appends "yyyy/MM/dd-hh:mm:ss " + kind + ">" + message + CR LF to the file at
// path, creating it (mode 0600) when missing. A link at path is refused, never
// followed. The message is escaped and bounded as ChangeLogMessage's fields
// are, so no line can be broken or run past 64 KiB. A failure is reported
// here, in the "ログ出力エラー" box, and the line is lost; nothing is thrown.
void WriteLogLine(const std::string& kind, const std::string& message, const std::string& path,
                  MessageBoxes& boxes, const LocalDateTime& now = Now());

// While one of these lives, WriteLogLine keeps the log file it wrote to open
// for the next line, as long as the path still names that very file: a run of
// many photos then costs a write a line, not an open and a close. The last
// one to go closes the file, so no log stays open between runs.
class HeldLog {
public:
    HeldLog();
    ~HeldLog();
    HeldLog(const HeldLog&) = delete;
    HeldLog& operator=(const HeldLog&) = delete;
};

// True when path names an existing plain file (not a folder). A search that
// fails for another reason than a missing file or folder shows the error in a
// box and gives false.
bool FileExists(const std::string& path, MessageBoxes& boxes);

// The kind and message of the line that records one changed photo: its full
// path (UTF-8), its embedded date and its file date as read before the change
// (byte strings from the photo, one character a byte). Control characters,
// U+2028/U+2029 and bytes that are not valid UTF-8 show as "\xNN", one escape
// a byte; a date text past 1,024 bytes (a path past 8,192) is cut and ends
// with "…".
inline constexpr const char* ChangeLogKind = "ExifData";
std::string ChangeLogMessage(const std::string& fullPath, const std::string& embeddedDate,
                             const std::string& fileDate);

// "Date20070123.log" for 23 January 2007.
std::string LogFileName(const LocalDateTime& day);
// "2007/01/23-14:05:09 ", 20 characters.
std::string LogStamp(const LocalDateTime& t);
// True for "Date" + eight characters + ".log", letters in any case.
bool IsLogFileName(const std::string& name);

}  // namespace tovrin
