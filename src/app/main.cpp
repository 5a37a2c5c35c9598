#include <QApplication>
#include <QString>

#include "app/program.h"
#include "app/qt_message_boxes.h"
#include "mainwindow/artwork.h"
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

    tovrin::QtMessageBoxes boxes;
    tovrin::Program program(boxes, QCoreApplication::applicationDirPath());
    // tovrin [FOLDER|PHOTO...]: the desktop's "open with" and a shell alike.
    if (!program.start(tovrin::StartPaths(QCoreApplication::arguments().mid(1)))) {
        return 0;
    }
    return app.exec();
}
