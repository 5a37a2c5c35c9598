#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QString>

#include "run/run_host.h"

class QAction;
class QObject;
class QWidget;

namespace tovrin {

class PhotoReadout;
struct MainControls;

// The main window as the date-setting run sees it: the file list, the
// choices on the settings panel, the readout and the thumbnail; and, while a
// run works, the locked controls, the progress in the status bar and the
// user's wish to stop.
class MainRunHost : public RunHost {
public:
    MainRunHost(const MainControls& controls, PhotoReadout& readout, MessageBoxes& boxes,
                const QString& applicationFolder);
    ~MainRunHost() override;

    // Whether a run is working (between setRunning(true) and setRunning(false)).
    bool running() const { return m_running; }
    // The user pressed Esc or closed the window during a run: asked after the
    // photo being handled whether to stop. `close` remembers that the window
    // is to close once the run has ended.
    void requestStop(bool close);
    // The window was closed during the run and the user did not take it back.
    bool closeAfterRun() const { return m_closeAfterRun; }

    // The readout the file list raises. While the run selects entries in code
    // the first error is kept and thrown to the run once the selecting call
    // has returned, so it never unwinds through the list's own code; at any
    // other time an error shows its box.
    void readoutFromList();

    std::string folder() const override;
    int fileCount() const override;
    std::string fileName(int index) const override;
    bool isSelected(int index) const override;
    void selectInCode(int index) override;
    void reloadFileList() override;
    void selectFirstEntry() override;
    void selectEntry(int index) override;
    std::string chooseRunToUndo(const std::vector<RecordedRun>& runs,
                                const std::string& latest) override;
    void showSelectedPhoto() override;
    DateChoice dateChoice() const override;
    bool wholeFolderChecked() const override;
    bool exifOnlyChecked() const override;
    RunOptions runOptions() const override { return m_runOptions; }
    // The options the next runs take (実行オプション).
    void setRunOptions(const RunOptions& options) { m_runOptions = options; }
    void setInformationText(const std::string& text) override;
    void clearThumbnail() override;
    void showThumbnail(const std::string& fullPath) override;
    MessageBoxes& messageBoxes() override { return m_boxes; }
    std::string logFolder() const override;
    void setRunning(bool running) override;
    void showProgress(int done, int total, const std::string& name) override;
    bool stopRequested() override;

private:
    // A control locked for the run, with the enabled state it had before.
    template <typename Control>
    struct Locked {
        QPointer<Control> control;
        bool wasEnabled = false;
    };
    void lockControls();
    void unlockControls();

    // Runs `select` with the readouts it raises deferred (see readoutFromList).
    template <typename Select>
    void selectPropagatingReadoutErrors(Select select);

    const MainControls& m_ui;
    PhotoReadout& m_readout;
    MessageBoxes& m_boxes;
    QString m_applicationFolder;
    bool m_deferReadoutErrors = false;
    std::exception_ptr m_deferredReadoutError;

    RunOptions m_runOptions;
    bool m_running = false;
    std::vector<Locked<QWidget>> m_lockedWidgets;
    std::vector<Locked<QAction>> m_lockedActions;
    QPointer<QWidget> m_focusBefore;
    QString m_statusBefore;
    int m_done = 0;  // photos handled before the one being handled
    int m_total = 0;
    bool m_stopAsked = false;   // Esc or close seen, not yet asked
    bool m_stopping = false;    // the user chose to stop
    bool m_closeAsked = false;  // the pending wish came from closing the window
    bool m_closeAfterRun = false;
    // Sees Esc anywhere in the window while a run works.
    std::unique_ptr<QObject> m_escapeWatch;
};

}  // namespace tovrin
