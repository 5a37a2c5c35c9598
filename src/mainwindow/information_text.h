#pragma once

#include <QString>

#include "exif/local_time.h"
#include "exif/reader.h"
#include "messages/photo_texts.h"

namespace tovrin {

// What the information box shows when the photo has no EXIF data the reader
// can use.
inline const QString NoDateInformationText = QString::fromUtf8(NoDateText);

// Control characters (C0 and DEL) as blanks: a text from a photo or a file
// name never breaks a line, moves the caret or reaches a terminal as a
// sequence where the window shows it.
QString BlankControlCharacters(QString text);

// The 14-line photo information joined by CR LF, without a break after the
// last line. Texts from the photo are byte strings and show as Latin-1; the
// file date is the file's last-write time, read apart from the photo's tags.
QString InformationText(const PhotoInfo& info, const LocalDateTime& lastWrite);

// The text box shows CR LF as one line break; its text is read back with CR LF.
QString ToDisplayLines(const QString& crlfText);
QString FromDisplayLines(const QString& displayed);

}  // namespace tovrin
