#pragma once

#include <Qt>
#include <QtGlobal>

namespace tovrin {

// Key events of the run button and the lists speak in the classic desktop
// key codes (the platform's virtual-key numbering) and Shift values; this is
// the one translation from and to Qt's keys.

// The key code of a Qt key (letters 65-90, digits 48-57, F1-F24 112-135,
// Enter 13, Backspace 8, ...); 0 for a key without one.
qint16 VirtualKeyFromQt(int qtKey);
// The Qt key of a key code; Qt::Key_unknown for a code without one.
int QtKeyFromVirtualKey(qint16 keyCode);
// The Shift value: Shift 1, Ctrl 2, Alt 4, added together.
qint16 ShiftState(Qt::KeyboardModifiers modifiers);

}  // namespace tovrin
