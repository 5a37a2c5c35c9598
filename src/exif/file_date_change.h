#pragma once

#include <cstdint>
#include <string>

#include "exif/date_choice.h"
#include "exif/local_time.h"

namespace tovrin {

class PhotoFile;

// The local moment a choice gives a photo's file times: the chosen date at
// the chosen time or, with keepTime, at the time of day in fileTime
// ("hh:mm:ss", the file's own time captured before the photo was rewritten).
// Throws RuntimeError 13 when fileTime is not such a time.
LocalDateTime FileDateMoment(const DateChoice& choice, const std::string& fileTime);

// Sets the open file's times (access and modification; creation too on
// Windows) to the moment, given as seconds since the epoch. A file system
// that cannot hold the moment (and would clamp it) or a refused call is an
// error, RuntimeError 5 or the system's error.
void SetFileTimes(PhotoFile& file, std::int64_t moment);

// Sets the timestamps of the file at fullPath to FileDateMoment(choice,
// fileTime), converted with the local-time rules in force on that date, so it
// reads back exactly in every season. Throws RuntimeError: 5 for a moment
// that cannot be represented, 53 when the file is gone, 70 when this user may
// not set its times.
void SetFileDate(const std::string& fullPath, const DateChoice& choice,
                 const std::string& fileTime);

}  // namespace tovrin
