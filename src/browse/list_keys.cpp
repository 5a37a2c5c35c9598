#include "browse/list_keys.h"

#include <QKeyEvent>

namespace tovrin {

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
