#pragma once

#include <functional>

#include <QSize>
#include <QString>
#include <QStringList>

#include "exif/local_time.h"
#include "mainwindow/open_request.h"

class QMainWindow;

namespace tovrin {

class FolderBrowser;
class HelpWindows;
class MainRunHost;
class MessageBoxes;
struct MainControls;

// The main window's start-up (Form_Load) and shutdown (Form_Unload), with
// the per-user settings they read and write: the window rectangle and the
// folder the lists were at. Start-up also reads whether runs rewrite the
// EXIF texts alone and whether they give a photo without EXIF a date, which
// the window stores as soon as they are changed.
class StartupController {
public:
    StartupController(QMainWindow& window, const MainControls& controls, MainRunHost& runHost,
                      FolderBrowser& browser, HelpWindows& help, MessageBoxes& boxes,
                      const QString& applicationFolder);
    ~StartupController();

    void setInstanceCheck(std::function<bool()> anotherInstanceRunning);
    void setClock(std::function<LocalDateTime()> now);
    // Folders or photos the program was started with; they open instead of
    // the remembered folder.
    void setStartPaths(const QStringList& paths);
    // Opens folders or photos after start-up (dropped, or handed over by a
    // second start): the folder of the first one, its photos selected.
    void openPaths(const QStringList& paths);

    // See FrmMain::Form_Load and FrmMain::Form_Unload.
    bool Form_Load();
    void Form_Unload();
    bool unloaded() const { return m_unloaded; }

    // Makes the window's inside smaller by its frame once the frame is known,
    // so that the restored outer size is what the window shows.
    void finishRestoredSize();

private:
    // One step of Form_Load; returns the step to run next.
    int runStep(int step);
    void setFontsAndFirstValues();
    void restoreWindowRectangle();
    void setOuterWidth(int pixels);
    void setOuterHeight(int pixels);
    QString installationDriveRoot() const;
    void closeOtherWindows();

    QMainWindow& m_window;
    const MainControls& m_ui;
    MainRunHost& m_runHost;
    FolderBrowser& m_browser;
    HelpWindows& m_help;
    MessageBoxes& m_boxes;
    QString m_applicationFolder;
    std::function<bool()> m_anotherInstanceRunning;
    std::function<LocalDateTime()> m_now;
    // What the start paths ask to open.
    OpenRequest m_startRequest;
    // The remembered folder, held while the window starts.
    QString m_defPath;
    // The outer size start-up restored, in pixels, until the window frame is
    // known and the inner size can be made to match it.
    QSize m_restoredOuter;
    bool m_unloaded = false;
    // The run button's own face, made at the end of start-up.
};

}  // namespace tovrin
