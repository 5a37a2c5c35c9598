#pragma once

#include <QString>
#include <QStringList>

#include "mainwindow/frm_main.h"
#include "mainwindow/instance_guard.h"
#include "mainwindow/instance_requests.h"

namespace tovrin {

class MessageBoxes;

// The program's one window with what keeps it the only one: the lock every
// start competes for, and the requests by which a later start reaches it.
class Program {
public:
    Program(MessageBoxes& boxes, const QString& applicationFolder);

    // Starts the window on `paths` (folders or photos, absolute) and shows
    // it. Returns false for a second start: it has shown its box and handed
    // the paths to the instance that runs, which comes forward; the caller
    // then ends.
    bool start(const QStringList& paths);

    FrmMain& window() { return m_window; }

private:
    // Held until the program ends; a second start finds it taken.
    InstanceGuard m_guard;
    InstanceRequests m_requests;
    FrmMain m_window;
};

// The command line's folders and photos as absolute paths.
QStringList StartPaths(const QStringList& arguments);

}  // namespace tovrin
