#pragma once

#include <string>

#include "exif/date_choice.h"

namespace tovrin {

// Sets the file's timestamps (access and modification; creation too on
// Windows) to the chosen date at the chosen time, or, with keepTime, at the
// time of day in fileTime ("hh:mm:ss", the file's own time captured before the
// photo was rewritten). The local moment is converted with the local-time
// rules in force on that date, so it reads back exactly in every season.
// Failures are not reported: the timestamps then stay as they were.
void SetFileDate(const std::string& fullPath, const DateChoice& choice,
                 const std::string& fileTime);

}  // namespace tovrin
