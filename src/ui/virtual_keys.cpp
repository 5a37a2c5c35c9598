#include "ui/virtual_keys.h"

#include <array>

#include <QKeyEvent>

namespace tovrin {

namespace {

struct KeyPair {
    int qt;
    qint16 virtualKey;
};

// Keys that have a virtual-key code of their own; letters, digits and the
// space bar share their numbers with Qt and are handled apart.
constexpr std::array<KeyPair, 31> NamedKeys = {{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},     {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},
    {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},     {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},     {Qt::Key_Down, 0x28},     {Qt::Key_Print, 0x2A},
    {Qt::Key_Insert, 0x2D},    {Qt::Key_Delete, 0x2E},   {Qt::Key_Help, 0x2F},
    {Qt::Key_Menu, 0x5D},      {Qt::Key_NumLock, 0x90},  {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Plus, 0xBB},      {Qt::Key_Comma, 0xBC},    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Period, 0xBE},
}};

constexpr int FunctionKeyCount = 24;
constexpr qint16 VirtualF1 = 0x70;

bool SharesNumber(int key) {
    return key == Qt::Key_Space || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
           (key >= Qt::Key_A && key <= Qt::Key_Z);
}

}  // namespace

qint16 VirtualKeyFromQt(int qtKey) {
    if (SharesNumber(qtKey)) {
        return qint16(qtKey);
    }
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + FunctionKeyCount) {
        return qint16(VirtualF1 + (qtKey - Qt::Key_F1));
    }
    for (const KeyPair& pair : NamedKeys) {
        if (pair.qt == qtKey) {
            return pair.virtualKey;
        }
    }
    return 0;
}

int QtKeyFromVirtualKey(qint16 keyCode) {
    if (SharesNumber(keyCode)) {
        return keyCode;
    }
    if (keyCode >= VirtualF1 && keyCode < VirtualF1 + FunctionKeyCount) {
        return Qt::Key_F1 + (keyCode - VirtualF1);
    }
    for (const KeyPair& pair : NamedKeys) {
        if (pair.virtualKey == keyCode) {
            return pair.qt;
        }
    }
    return Qt::Key_unknown;
}

qint16 ShiftState(Qt::KeyboardModifiers modifiers) {
    qint16 shift = 0;
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
    // to them; with Ctrl they type LF and DEL, as Windows' own lists do.
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
