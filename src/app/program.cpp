#include "app/program.h"

#include <QFileInfo>
#include <QObject>

namespace tovrin {

Program::Program(MessageBoxes& boxes, const QString& applicationFolder)
    : m_window(boxes, applicationFolder) {
    m_window.setInstanceCheck([this] { return m_guard.anotherInstanceRunning(); });
}

bool Program::start(const QStringList& paths) {
    m_window.setStartPaths(paths);
    if (!m_window.Form_Load()) {
        // After its box: the window that runs comes forward instead.
        m_requests.send(paths);
        return false;
    }
    QObject::connect(&m_requests, &InstanceRequests::received, &m_window, &FrmMain::comeForward);
    m_requests.listen();
    m_window.show();
    return true;
}

QStringList StartPaths(const QStringList& arguments) {
    QStringList paths;
    for (const QString& argument : arguments) {
        paths << QFileInfo(argument).absoluteFilePath();
    }
    return paths;
}

}  // namespace tovrin
