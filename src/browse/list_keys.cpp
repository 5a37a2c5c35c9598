#include "list_keys.h"

#include <QKeyEvent>

namespace tovrin {

int KeyCodeOf(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey;  // Qt uses the same codes as the classic table here
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return 112 + (qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
        case Qt::Key_Backspace:
            return keys::Backspace;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return keys::Enter;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        default:
            return 0;
    }
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) {
        shift |= keys::ShiftMask;
    }
    if (modifiers & Qt::ControlModifier) {
        shift |= keys::CtrlMask;
    }
    if (modifiers & Qt::AltModifier) {
        shift |= keys::AltMask;
    }
    return shift;
}

int KeyAsciiOf(const QKeyEvent& event) {
    // Alt combinations are menu keys and type nothing. Enter and Backspace
    // type their control characters whatever text the window system attached
    // to them; with Ctrl they type LF and DEL, as on the classic desktop.
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    if (event.modifiers() & Qt::AltModifier) {
        return 0;
    }
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return ctrl ? 10 : keys::Enter;
        case Qt::Key_Backspace:
            return ctrl ? 127 : keys::Backspace;
        default:
            break;
    }
    const QString text = event.text();
    if (text.size() != 1) {
        return 0;
    }
    return text.at(0).unicode();
}

}  // namespace tovrin
