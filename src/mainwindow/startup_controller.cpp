#include "mainwindow/startup_controller.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>

#include "about/about_model.h"
#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_browser.h"
#include "browse/folder_list.h"
#include "browse/parent_folder.h"
#include "button/run_button_face.h"
#include "exif/runtime_error.h"
#include "mainwindow/help_windows.h"
#include "mainwindow/main_controls.h"
#include "mainwindow/main_layout.h"
#include "mainwindow/main_run_host.h"
#include "mainwindow/settings_store.h"
#include "mainwindow/startup_folder.h"
#include "messages/error_report.h"
#include "messages/message_boxes.h"
#include "ui/fonts.h"
#include "ui/twips.h"

namespace tovrin {

namespace {

using settings::GetReg;
using settings::SetReg;

const std::string AlreadyRunningText = "すでに起動しています。";

std::string DriveGoneText(const QString& defPath) {
    return "前回､「" + QDir::toNativeSeparators(defPath).toStdString() +
           "」で終了しましたがドライブが存在しないか参照不可となっている為、\r\n"
           "インストールドライブを初期値として開きます。";
}

// The failures that mean the remembered folder's drive is missing or cannot
// be read; start-up answers them by opening the installation drive instead.
bool IsDriveFailure(int number) {
    switch (number) {
        case error::BadFileName:
        case error::DeviceIo:
        case error::DeviceUnavailable:
        case error::DiskNotReady:
        case error::PathFileAccess:
            return true;
        default:
            return false;
    }
}

// A stored window coordinate in pixels; one the window system cannot take
// is an overflow, as it would be for a Windows window.
int WindowPixels(float twips) {
    const double pixels = std::round(twips / TwipsPerPixel);
    if (!(std::abs(pixels) <= QWIDGETSIZE_MAX)) {
        throw RuntimeError(error::Overflow);
    }
    return static_cast<int>(pixels);
}

// Start-up steps, in their order, that the failure handling can run again or
// skip to.
enum StartupStep {
    FontsStep,
    RectangleStep,
    DefPathStep,
    FolderCheckStep,
    OpenDefPathStep,
    FileListStep,
    CustomButtonStep,
    StartupDone,
};

}  // namespace

StartupController::StartupController(QMainWindow& window, const MainControls& controls,
                                     MainRunHost& runHost, FolderBrowser& browser,
                                     HelpWindows& help, MessageBoxes& boxes,
                                     const QString& applicationFolder)
    : m_window(window),
      m_ui(controls),
      m_runHost(runHost),
      m_browser(browser),
      m_help(help),
      m_boxes(boxes),
      m_applicationFolder(applicationFolder),
      m_now(Now) {}

StartupController::~StartupController() = default;

void StartupController::setInstanceCheck(std::function<bool()> anotherInstanceRunning) {
    m_anotherInstanceRunning = std::move(anotherInstanceRunning);
}

void StartupController::setClock(std::function<LocalDateTime()> now) { m_now = std::move(now); }

void StartupController::setStartPaths(const QStringList& paths) {
    m_startRequest = ReadOpenRequest(paths);
}

void StartupController::openPaths(const QStringList& paths) {
    const OpenRequest request = ReadOpenRequest(paths);
    if (!request.missing.isEmpty()) {
        m_boxes.show(MissingPathsText(request.missing), MsgButtons::Ok, MsgIcon::Exclamation,
                     AppTitle);
    }
    try {
        OpenInLists(request, m_ui, m_browser);
    } catch (...) {
        m_boxes.show(std::to_string(CaughtRuntimeError().number()), MsgButtons::Ok,
                     MsgIcon::Exclamation, AppTitle);
    }
}

bool StartupController::Form_Load() {
    if (m_anotherInstanceRunning && m_anotherInstanceRunning()) {
        m_boxes.show(AlreadyRunningText, MsgButtons::Ok, MsgIcon::Information, AppTitle);
        // The window closes without its shutdown: it restored nothing, so it
        // has nothing to store, and what it would store (its unrestored
        // rectangle, the working folder) would overwrite what the running
        // instance stores when it ends.
        m_unloaded = true;
        m_window.close();
        return false;
    }

    // One handler covers every step. A drive that is gone or cannot be read
    // is answered once by opening the installation drive and running the
    // failed step again; any other failure is shown by its number and ends
    // the start-up where it is.
    bool fellBackToInstallationDrive = false;
    int step = FontsStep;
    while (step < StartupDone) {
        int number = 0;
        try {
            step = runStep(step);
            continue;
        } catch (...) {
            number = CaughtRuntimeError().number();
        }
        if (IsDriveFailure(number) && !fellBackToInstallationDrive) {
            m_boxes.show(DriveGoneText(m_defPath), MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
            m_defPath = installationDriveRoot();
            fellBackToInstallationDrive = true;
            continue;
        }
        m_boxes.show(std::to_string(number), MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
        break;
    }
    return true;
}

int StartupController::runStep(int step) {
    switch (step) {
        case FontsStep:
            setFontsAndFirstValues();
            return RectangleStep;
        case RectangleStep:
            restoreWindowRectangle();
            return DefPathStep;
        case DefPathStep:
            m_defPath = GetReg(QStringLiteral("DefPath"), QString());
            if (!m_startRequest.missing.isEmpty()) {
                // Told once; the start goes on as if they had not been given.
                m_boxes.show(MissingPathsText(std::exchange(m_startRequest.missing, {})),
                             MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
            }
            // A folder the program is started with wins over the remembered
            // one; with neither, a first start opens the user's pictures.
            if (!m_startRequest.folder.isEmpty()) {
                m_defPath = m_startRequest.folder;
            } else if (m_defPath.isEmpty()) {
                m_defPath = FirstStartFolder(installationDriveRoot());
            }
            return FolderCheckStep;
        case FolderCheckStep:
            switch (ExamineFolder(m_defPath, m_ui.Drive1->driveRootOf(m_defPath))) {
                case FolderState::VolumeGone:
                    throw RuntimeError(error::BadFileName);
                case FolderState::Missing:
                    // The folder list alone moves; the drive list keeps its drive.
                    m_ui.Dir1->setPath(installationDriveRoot());
                    return FileListStep;
                case FolderState::Folder:
                    break;
            }
            return OpenDefPathStep;
        case OpenDefPathStep:
            m_ui.Drive1->setDrive(m_ui.Drive1->driveRootOf(m_defPath));
            m_ui.Dir1->setPath(m_defPath);
            return FileListStep;
        case FileListStep:
            m_browser.File1_PathChange();
            if (m_ui.File1->path() == CleanFolder(m_startRequest.folder)) {
                m_ui.File1->selectNames(m_startRequest.photos);
            }
            return CustomButtonStep;
        case CustomButtonStep:
            DrawRunButtonFace(*m_ui.CmdExe);
            return StartupDone;
        default:
            return StartupDone;
    }
}

void StartupController::setFontsAndFirstValues() {
    // The fonts in the order the design lists them; the run button's own
    // face later draws its caption in a font of its own.
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui.Drive1, m_ui.Dir1, m_ui.File1,
                                                      m_ui.txt_Exif_Info, m_ui.lbl_Settei,
                                                      m_ui.ChkIkkatu, m_ui.ChkHoji, m_ui.ChkUme}) {
        w->setFont(DesignFont(DesignFacePoints));
    }
    m_ui.CmdExe->setFont(DesignFont(DesignFacePoints, true));

    // One moment gives both first values, so they never straddle midnight;
    // the pickers get the full date, so no year is lost to a two-digit form.
    const LocalDateTime now = m_now();
    const AppIdentity app = ApplicationIdentity();
    m_window.setWindowTitle(QStringLiteral("%1 %2.%3.%4")
                                .arg(QString::fromStdString(AppTitle))
                                .arg(app.major)
                                .arg(app.minor)
                                .arg(app.revision));
    m_ui.lbl_FileTime->setText(QString());
    const QDate today(now.year, now.month, now.day);
    m_ui.DTPDate->setDate(today);
    m_ui.DTPTime->setTime(QTime(now.hour, now.minute, now.second));
    m_ui.DTPumeDate->setDate(today);
    m_ui.mnuExifOnly->setChecked(GetReg(settings::ExifOnlyKey, 0).trimmed() == QLatin1String("1"));
    // The step is not among them: a step left over from another session
    // would surprise the next run.
    RunHost::RunOptions options = m_runHost.runOptions();
    options.addMissing = GetReg(settings::AddMissingKey, 0).trimmed() == QLatin1String("1");
    m_runHost.setRunOptions(options);
}

void StartupController::restoreWindowRectangle() {
    // Each value is applied as soon as it is read, top first; the outer size
    // includes the frame, caption and menu bar.
    const int top = WindowPixels(StoredNumber(GetReg(QStringLiteral("WTOP"), 105)));
    m_window.move(m_window.x(), top);
    const int left = WindowPixels(StoredNumber(GetReg(QStringLiteral("WLEFT"), 105)));
    m_window.move(left, m_window.y());
    setOuterWidth(WindowPixels(StoredNumber(GetReg(QStringLiteral("WWidth"), 12735))));
    setOuterHeight(WindowPixels(StoredNumber(GetReg(QStringLiteral("WHeight"), 7560))));
    // A window that would hang past the edge of the screen it starts on (one
    // as large as the screen at a large scale) moves back onto it, so that
    // its frame and the settings panel are all there.
    if (const QScreen* screen = QGuiApplication::screenAt(m_window.pos())) {
        const QRect available = screen->availableGeometry();
        QRect outer(m_window.pos(), m_restoredOuter);
        outer.moveRight(std::min(outer.right(), available.right()));
        outer.moveBottom(std::min(outer.bottom(), available.bottom()));
        outer.moveLeft(std::max(outer.left(), available.left()));
        outer.moveTop(std::max(outer.top(), available.top()));
        m_window.move(outer.topLeft());
    }
}

// The window is still hidden here, so its resize handling runs only when it
// is shown, and a window system answers the corrections it asks for then
// with the size it was shown at. The minimum size that the resize handling
// would restore is therefore applied at once.
//
// A window never starts larger than the screen it is on: at a large scale
// the design size can be wider than the screen itself.
void StartupController::setOuterWidth(int pixels) {
    const int outer = std::min(std::max(pixels, MinimumOuterSize(m_window).width()),
                               m_window.screen()->availableGeometry().width());
    const int frame = m_window.frameGeometry().width() - m_window.width();
    m_window.resize(outer - frame, m_window.height());
    m_restoredOuter.setWidth(outer);
}

void StartupController::setOuterHeight(int pixels) {
    const int outer = std::min(std::max(pixels, MinimumOuterSize(m_window).height()),
                               m_window.screen()->availableGeometry().height());
    const int frame = m_window.frameGeometry().height() - m_window.height();
    m_window.resize(m_window.width(), outer - frame);
    m_restoredOuter.setHeight(outer);
}

void StartupController::finishRestoredSize() {
    // Until the window is shown its frame is unknown, so the restored outer
    // size went to the inside of the window; once the frame is there, the
    // inside is made smaller by it, so that what is stored at the next
    // closing is what was restored and the window does not grow run by run.
    if (!m_restoredOuter.isValid() || !m_window.isVisible()) {
        return;
    }
    const QSize frame = m_window.frameGeometry().size() - m_window.size();
    if (frame.width() == 0 && frame.height() == 0) {
        return;
    }
    const QSize inner = m_restoredOuter - frame;
    m_restoredOuter = QSize();
    if (m_window.windowState() == Qt::WindowNoState) {
        m_window.resize(inner.expandedTo(QSize(0, 0)));
    }
}

QString StartupController::installationDriveRoot() const {
    const QString root = m_ui.Drive1->driveRootOf(m_applicationFolder);
    return root.isEmpty() ? QDir::rootPath() : root;
}

void StartupController::Form_Unload() {
    m_unloaded = true;
    m_restoredOuter = QSize();
    closeOtherWindows();
    // The rectangle as the window reports it, whatever its state.
    const QRect frame = m_window.frameGeometry();
    SetReg(QStringLiteral("WTOP"), PixelsToTwips(frame.top()));
    SetReg(QStringLiteral("WLEFT"), PixelsToTwips(frame.left()));
    SetReg(QStringLiteral("WWidth"), PixelsToTwips(frame.width()));
    SetReg(QStringLiteral("WHeight"), PixelsToTwips(frame.height()));
    SetReg(QStringLiteral("DefPath"), QDir::toNativeSeparators(m_ui.Dir1->path()));
    m_help.closeAll();
}

void StartupController::closeOtherWindows() {
    // The windows the main window owns, newest first (its children are listed
    // in the order they were made, a raised one moving to the end), then any
    // window without an owner. Help windows close last, all together.
    const auto closes = [this](const QWidget* w) {
        return w != &m_window && w->isWindow() && !m_help.isHelpWindow(w) &&
               (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
    };
    QList<QPointer<QWidget>> windows;
    const QObjectList& owned = m_window.children();
    for (auto it = owned.crbegin(); it != owned.crend(); ++it) {
        auto* w = qobject_cast<QWidget*>(*it);
        if (w && closes(w)) {
            windows.append(w);
        }
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->parentWidget() && closes(w)) {
            windows.append(w);
        }
    }
    for (const QPointer<QWidget>& w : std::as_const(windows)) {
        if (w) {
            w->close();
        }
    }
}

}  // namespace tovrin
