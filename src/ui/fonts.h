#pragma once

#include <QString>

namespace tovrin {

// The face name the windows ask for; RegisterFontSubstitutions maps it onto a
// metric-compatible font that is installed here.
QString MsPGothicFamily();
// The size of every text of the windows' design.
inline constexpr double DesignFacePoints = 9.0;

// Call once after the application object exists, before any font is used.
void RegisterFontSubstitutions();

// Makes the design face at its design size the application's font, so every
// box and dialog speaks in it, Latin text included.
void UseDesignFaceThroughout();

}  // namespace tovrin
