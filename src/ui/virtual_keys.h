#pragma once

#include <Qt>
#include <QtGlobal>

class QKeyEvent;

namespace tovrin {

// Key events of the run button and the lists speak in the Windows desktop's
// key codes (the platform's virtual-key numbering) and Shift values; this is
// the one translation from and to Qt's keys.

// The key code of a Qt key (letters 65-90, digits 48-57, F1-F24 112-135,
// Enter 13, Backspace 8, ...); 0 for a key without one.
qint16 VirtualKeyFromQt(int qtKey);
// The Qt key of a key code; Qt::Key_unknown for a code without one.
int QtKeyFromVirtualKey(qint16 keyCode);
// The Shift value: Shift 1, Ctrl 2, Alt 4, added together.
qint16 ShiftState(Qt::KeyboardModifiers modifiers);

// The key codes and Shift values the handlers test by name. A key press that
// types a character also has a character code (KeyAsciiOf).
namespace keys {
inline constexpr int Backspace = 8;
inline constexpr int Enter = 13;
inline constexpr int A = 65;
inline constexpr int F5 = 116;
inline constexpr int ShiftMask = 1;
inline constexpr int CtrlMask = 2;
inline constexpr int AltMask = 4;
}  // namespace keys

// The character code of a key press, 0 when the key types no character.
int KeyAsciiOf(const QKeyEvent& event);

}  // namespace tovrin
