#pragma once

#include <QString>

namespace tovrin {

// The face name the windows ask for; RegisterFontSubstitutions maps it onto a
// metric-compatible font that is installed here.
QString MsPGothicFamily();

// Call once after the application object exists, before any font is used.
void RegisterFontSubstitutions();

}  // namespace tovrin
