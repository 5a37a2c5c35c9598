#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace tovrin::test {

// The offscreen screen is 800 x 600 unless told otherwise, smaller than the
// main window's minimum; a window test gives it a desktop-sized screen. Call
// before the application object exists and keep the object alive meanwhile.
class DesktopScreen {
public:
    DesktopScreen() {
        if (qgetenv("QT_QPA_PLATFORM") != "offscreen" || !m_config.isValid()) {
            return;
        }
        const QString file = m_config.filePath(QStringLiteral("screens.json"));
        QFile json(file);
        if (json.open(QIODevice::WriteOnly)) {
            json.write(R"({"screens":[{"name":"main","x":0,"y":0,"width":1600,"height":1000,)"
                       R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
            json.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(file));
        }
    }

private:
    QTemporaryDir m_config;
};

}  // namespace tovrin::test
