#pragma once

#include <Qt>

class QKeyEvent;

namespace tovrin {

// The lists' key handlers speak in the classic desktop key codes: a key-down
// code per key, a modifier value (Shift 1, Ctrl 2, Alt 4) and, for keys that
// type a character, the character code of the key press.
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
