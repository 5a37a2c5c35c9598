#include <QApplication>
#include <QString>

#include "app/qt_message_boxes.h"
#include "mainwindow/artwork.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/instance_guard.h"
#include "ui/fonts.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrin"));
    QApplication::setOrganizationName(QStringLiteral("Quarnel"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRIN_VERSION));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quarnel.tovrin"));
    QApplication::setWindowIcon(tovrin::ApplicationIcon());
    tovrin::RegisterFontSubstitutions();
    tovrin::UseDesignFaceThroughout();

    // Held until the program ends; a second instance finds it taken.
    const tovrin::InstanceGuard guard;
    tovrin::QtMessageBoxes boxes;
    tovrin::FrmMain window(boxes, QCoreApplication::applicationDirPath());
    window.setInstanceCheck([&guard] { return guard.anotherInstanceRunning(); });
    if (!window.Form_Load()) {
        return 0;
    }
    window.show();
    return app.exec();
}
