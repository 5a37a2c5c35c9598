#include <QApplication>
#include <QString>

#include "artwork.h"
#include "fonts.h"
#include "frm_main.h"
#include "qt_message_boxes.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrin"));
    QApplication::setOrganizationName(QStringLiteral("Quarnel"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRIN_VERSION));
    QApplication::setWindowIcon(tovrin::ApplicationIcon());
    tovrin::RegisterFontSubstitutions();

    tovrin::QtMessageBoxes boxes;
    tovrin::FrmMain window(boxes, QCoreApplication::applicationDirPath());
    if (!window.Form_Load()) {
        return 0;
    }
    window.show();
    return app.exec();
}
