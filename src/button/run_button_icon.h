#pragma once

#include <QIcon>

namespace tovrin {

// The run button's 32 x 32 icon, a calendar page with one day marked, drawn
// in code so that the build needs no image tools. Its corners are transparent.
QIcon RunButtonIcon();

}  // namespace tovrin
