#include "app/qt_message_boxes.h"

#include <QApplication>
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
    QMessageBox box(QApplication::activeWindow());
    PrepareMessageBox(box, text, buttons, icon, title);
    box.setWindowModality(Qt::ApplicationModal);
    // Closing the box by its close box counts as its escape button: Cancel
    // where there is one, otherwise OK.
    return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

}  // namespace tovrin
