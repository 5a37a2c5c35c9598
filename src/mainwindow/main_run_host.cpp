#include "mainwindow/main_run_host.h"

#include <functional>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimeEdit>

#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_list.h"
#include "mainwindow/information_text.h"
#include "mainwindow/main_controls.h"
#include "mainwindow/photo_readout.h"
#include "mainwindow/undo_dialog.h"
#include "photo/picture_box.h"
#include "photo/picture_size_edit.h"
#include "run/log_folder.h"
#include "ui/path_text.h"

namespace tovrin {

namespace {

CalendarDate FromQDate(const QDate& d) { return CalendarDate{d.year(), d.month(), d.day()}; }

const std::string StopQuestion = "処理を中止しますか?";

// Watches every key that reaches a widget of the main window (whichever has
// the focus, the window itself included) for Esc. Boxes and dialogs of their
// own keep their Esc.
class EscapeWatch : public QObject {
public:
    EscapeWatch(QWidget* window, std::function<void()> onEscape)
        : m_window(window), m_onEscape(std::move(onEscape)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            m_onEscape();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_onEscape;
};

}  // namespace

MainRunHost::MainRunHost(const MainControls& controls, PhotoReadout& readout, MessageBoxes& boxes,
                         const QString& applicationFolder)
    : m_ui(controls), m_readout(readout), m_boxes(boxes), m_applicationFolder(applicationFolder) {}

MainRunHost::~MainRunHost() = default;

void MainRunHost::readoutFromList() {
    if (!m_deferReadoutErrors) {
        m_readout.show();
        return;
    }
    try {
        m_readout.read();
    } catch (...) {
        if (!m_deferredReadoutError) {
            m_deferredReadoutError = std::current_exception();
        }
    }
}

template <typename Select>
void MainRunHost::selectPropagatingReadoutErrors(Select select) {
    const bool outer = m_deferReadoutErrors;
    m_deferReadoutErrors = true;
    try {
        select();
    } catch (...) {
        m_deferReadoutErrors = outer;
        throw;
    }
    m_deferReadoutErrors = outer;
    if (!outer && m_deferredReadoutError) {
        std::rethrow_exception(std::exchange(m_deferredReadoutError, nullptr));
    }
}

std::string MainRunHost::folder() const { return EnginePath(m_ui.File1->path()); }

int MainRunHost::fileCount() const { return m_ui.File1->entryCount(); }

std::string MainRunHost::fileName(int index) const { return EnginePath(m_ui.File1->entry(index)); }

bool MainRunHost::isSelected(int index) const { return m_ui.File1->isSelected(index); }

void MainRunHost::selectInCode(int index) {
    selectPropagatingReadoutErrors([this, index] { m_ui.File1->setSelected(index, true); });
}

void MainRunHost::reloadFileList() {
    selectPropagatingReadoutErrors([this] { m_ui.File1->refresh(); });
}

void MainRunHost::selectFirstEntry() { selectEntry(0); }

void MainRunHost::selectEntry(int index) {
    selectPropagatingReadoutErrors([this, index] {
        if (index >= 0 && index < m_ui.File1->entryCount()) {
            m_ui.File1->setCurrentEntry(index);
        }
    });
}

std::string MainRunHost::chooseRunToUndo(const std::vector<RecordedRun>& runs,
                                         const std::string& latest) {
    UndoDialog dialog(runs, latest, m_ui.File1->window());
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.chosenRun();
}

void MainRunHost::showSelectedPhoto() { m_readout.read(); }

DateChoice MainRunHost::dateChoice() const {
    DateChoice choice;
    choice.date = FromQDate(m_ui.DTPDate->date());
    const QTime t = m_ui.DTPTime->time();
    choice.time = TimeOfDay{t.hour(), t.minute(), t.second()};
    choice.keepTime = m_ui.ChkHoji->isChecked();
    choice.filterOn = m_ui.ChkUme->isChecked();
    choice.filterDate = FromQDate(m_ui.DTPumeDate->date());
    return choice;
}

bool MainRunHost::wholeFolderChecked() const { return m_ui.ChkIkkatu->isChecked(); }

bool MainRunHost::exifOnlyChecked() const { return m_ui.mnuExifOnly->isChecked(); }

void MainRunHost::setInformationText(const std::string& text) {
    m_readout.setText(QString::fromStdString(text));
}

void MainRunHost::clearThumbnail() { m_ui.Image2->clearPicture(); }

void MainRunHost::showThumbnail(const std::string& fullPath) {
    tovrin::FitThumbnail(*m_ui.Image2, *m_ui.PicBack, WindowPath(fullPath));
}

// The logs stay beside the program only where it may write.
std::string MainRunHost::logFolder() const { return LogFolder(EnginePath(m_applicationFolder)); }

// ---------------------------------------------------------------------------
// While a run works

void MainRunHost::setRunning(bool running) {
    if (running == m_running) {
        return;
    }
    m_running = running;
    if (running) {
        m_done = 0;
        m_total = 0;
        m_stopAsked = m_stopping = m_closeAsked = m_closeAfterRun = false;
        m_statusBefore = m_ui.stbPanel1->text();
        lockControls();
        m_escapeWatch =
            std::make_unique<EscapeWatch>(m_ui.client->window(), [this] { requestStop(false); });
        qApp->installEventFilter(m_escapeWatch.get());
        return;
    }
    m_escapeWatch.reset();
    unlockControls();
    m_ui.stbPanel1->setText(m_statusBefore);
    // A close that came with the last photo was never asked about: the run
    // ended anyway, so the window closes as the user wanted.
    if (m_stopAsked && m_closeAsked) {
        m_closeAfterRun = true;
    }
    m_stopAsked = false;
}

// Everything that could change the choice, the folder or the list is
// disabled, not merely ignored, so the window shows what a run takes as
// fixed. Each control gets back its own state afterwards: the option
// interlocks keep some pickers disabled, and they must stay so.
void MainRunHost::lockControls() {
    m_focusBefore = QApplication::focusWidget();
    QWidget* const widgets[] = {m_ui.File1,      m_ui.Dir1,      m_ui.Drive1,  m_ui.DTPDate,
                                m_ui.DTPTime,    m_ui.ChkIkkatu, m_ui.ChkHoji, m_ui.ChkUme,
                                m_ui.DTPumeDate, m_ui.CmdExe};
    m_lockedWidgets.clear();
    for (QWidget* w : widgets) {
        m_lockedWidgets.push_back({w, w->isEnabled()});
    }
    m_lockedActions = {{m_ui.tbUp, m_ui.tbUp->isEnabled()},
                       {m_ui.mnuExifOnly, m_ui.mnuExifOnly->isEnabled()},
                       {m_ui.mnuRunOptions, m_ui.mnuRunOptions->isEnabled()}};
    for (const auto& locked : m_lockedWidgets) {
        locked.control->setEnabled(false);
    }
    for (const auto& locked : m_lockedActions) {
        locked.control->setEnabled(false);
    }
}

void MainRunHost::unlockControls() {
    for (const auto& locked : std::as_const(m_lockedWidgets)) {
        if (locked.control) {
            locked.control->setEnabled(locked.wasEnabled);
        }
    }
    for (const auto& locked : std::as_const(m_lockedActions)) {
        if (locked.control) {
            locked.control->setEnabled(locked.wasEnabled);
        }
    }
    m_lockedWidgets.clear();
    m_lockedActions.clear();
    if (m_focusBefore && m_focusBefore->isEnabled() && m_focusBefore->isVisible()) {
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    }
}

void MainRunHost::showProgress(int done, int total, const std::string& name) {
    m_done = done;
    m_total = total;
    m_ui.stbPanel1->setText(QStringLiteral("処理中 %1/%2: %3")
                                .arg(done + 1)
                                .arg(total)
                                .arg(BlankControlCharacters(WindowPath(name))));
    // The window repaints and sees Esc and its close box between photos.
    QCoreApplication::processEvents();
}

void MainRunHost::requestStop(bool close) {
    if (!m_running || m_stopping) {
        return;
    }
    m_stopAsked = true;
    m_closeAsked = m_closeAsked || close;
}

bool MainRunHost::stopRequested() {
    // After the last photo there is nothing left to stop.
    if (m_stopAsked && !m_stopping && m_done + 1 < m_total) {
        m_stopAsked = false;
        const bool close = std::exchange(m_closeAsked, false);
        m_stopping = m_boxes.show(StopQuestion, MsgButtons::OkCancel, MsgIcon::Exclamation,
                                  AppTitle) == MsgAnswer::Ok;
        m_closeAfterRun = m_stopping && close;
    }
    return m_stopping;
}

}  // namespace tovrin
