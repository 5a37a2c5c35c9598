#include "app/qt_message_boxes.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace tovrin {

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The window a box belongs over: the modal dialog or the window the user is
// in. Right after another box closed no window is active yet; a box without
// an owner would land wherever the window manager puts new windows, so it
// takes the program's main window then.
QWidget* BoxOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    QWidget* first = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() != Qt::Window) continue;
        if (qobject_cast<QMainWindow*>(window)) return window;
        if (!first) first = window;
    }
    return first;
}

}  // namespace

void PrepareMessageBox(QMessageBox& box, const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) {
    // Plain text, so that a file name with "<" or "&" shows as it is.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setWindowTitle(QString::fromStdString(title));
    box.setIcon(ToQtIcon(icon));
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        // The buttons speak the system's language whatever the locale.
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
}

MsgAnswer QtMessageBoxes::show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                               const std::string& title) {
    QMessageBox box(BoxOwner());
    PrepareMessageBox(box, text, buttons, icon, title);
    box.setWindowModality(Qt::ApplicationModal);
    // Closing the box by its close box counts as its escape button: Cancel
    // where there is one, otherwise OK.
    return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

}  // namespace tovrin
