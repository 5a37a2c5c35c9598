#include "mainwindow/frm_main.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimeEdit>
#include <QToolBar>

#include "about/frm_about.h"
#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_browser.h"
#include "browse/folder_list.h"
#include "exif/paths.h"
#include "mainwindow/from_name_dialog.h"
#include "mainwindow/open_request.h"
#include "mainwindow/run_options_dialog.h"
#include "mainwindow/settings_store.h"
#include "mainwindow/shift_dialog.h"
#include "mainwindow/startup_controller.h"
#include "photo/frm_viewer.h"
#include "photo/picture_box.h"
#include "ui/twips.h"
#include "ui/virtual_keys.h"

namespace tovrin {

namespace {

void SetLeft(QWidget* widget, float left) { widget->move(TwipsToPixels(left), widget->y()); }

void SetWidth(QWidget* widget, float width) {
    widget->resize(TwipsToPixels(width), widget->height());
}

void SetHeight(QWidget* widget, float height) {
    widget->resize(widget->width(), TwipsToPixels(height));
}

}  // namespace

FrmMain::FrmMain(MessageBoxes& boxes, const QString& applicationFolder, QWidget* parent)
    : QMainWindow(parent),
      m_boxes(boxes),
      m_applicationFolder(applicationFolder),
      m_ui(ComposeMainWindow(*this)),
      m_help(this),
      m_readout(m_ui, boxes),
      m_runHost(m_ui, m_readout, boxes, applicationFolder),
      m_run(m_runHost) {
    BrowserHooks hooks;
    hooks.readout = [this] { File1_Click(); };
    hooks.clearInformation = [this] { m_readout.clear(); };
    hooks.showFolder = [this](const QString& folder) { m_ui.stbPanel1->setText(folder); };
    hooks.thumbnailShown = [this] { return m_ui.Image2->hasPicture(); };
    hooks.openViewer = [this](const QString& fullPath, const QString&) {
        FrmViewer::openModal(this, fullPath, m_boxes);
    };
    m_browser =
        new FolderBrowser(m_ui.Drive1, m_ui.Dir1, m_ui.File1, m_boxes, std::move(hooks), this);
    // The readout notices a vanished photo inside the list's own click; the
    // lists look for a vanished folder once that click is over.
    m_readout.setListReloaded([this] {
        QMetaObject::invokeMethod(
            m_browser, [browser = m_browser] { browser->followVanishedFolder(); },
            Qt::QueuedConnection);
    });
    m_startup = std::make_unique<StartupController>(*this, m_ui, m_runHost, *m_browser, m_help,
                                                    m_boxes, m_applicationFolder);
    setAcceptDrops(true);
    connectControls();
}

FrmMain::~FrmMain() {
    // The lists go with the window's children; the browser that watches them
    // and the start-up controller are let go first, so no event of a list
    // being torn down reaches them.
    m_ui.File1->setClickHandler({});
    delete m_browser;
    m_browser = nullptr;
    m_startup.reset();
}

void FrmMain::connectControls() {
    m_ui.client->installEventFilter(this);
    connect(m_ui.CmdExe, &QPushButton::clicked, this, &FrmMain::CmdExe_Click);
    connect(m_ui.Image2, &PictureBox::doubleClicked, this, &FrmMain::Image2_DblClick);
    connect(m_ui.Image2, &PictureBox::mouseMoved, this, &FrmMain::Image2_MouseMove);
    m_ui.ChkIkkatu->setMouseUpHandler([this] { ChkIkkatu_MouseUp(); });
    m_ui.ChkHoji->setMouseUpHandler([this] { ChkHoji_MouseUp(); });
    m_ui.ChkUme->setMouseUpHandler([this] { ChkUme_MouseUp(); });

    connect(m_ui.mnuEnd, &QAction::triggered, this, [this] { close(); });
    connect(m_ui.mnuPhotoBig, &QAction::triggered, this, &FrmMain::Image2_DblClick);
    connect(m_ui.mnuShift, &QAction::triggered, this, &FrmMain::mnuShift_Click);
    connect(m_ui.mnuUndo, &QAction::triggered, this, &FrmMain::mnuUndo_Click);
    connect(m_ui.mnuFromName, &QAction::triggered, this, &FrmMain::mnuFromName_Click);
    connect(m_ui.mnuRunOptions, &QAction::triggered, this, &FrmMain::mnuRunOptions_Click);
    // Stored as soon as the user changes it: a start that fails half-way
    // never stores a setting it did not read.
    connect(m_ui.mnuExifOnly, &QAction::triggered, this,
            [](bool checked) { settings::SetReg(settings::ExifOnlyKey, checked ? 1 : 0); });
    connect(m_ui.mnuHelpHelp, &QAction::triggered, this, &FrmMain::mnuHelpHelp_Click);
    connect(m_ui.mnuAbout, &QAction::triggered, this, [this] { ShowAbout(this); });
    connect(m_ui.Toolbar, &QToolBar::actionTriggered, this,
            [this](QAction* button) { Toolbar_ButtonClick(button->objectName()); });
}

void FrmMain::setInstanceCheck(std::function<bool()> anotherInstanceRunning) {
    m_startup->setInstanceCheck(std::move(anotherInstanceRunning));
}

void FrmMain::setClock(std::function<LocalDateTime()> now) { m_startup->setClock(std::move(now)); }

// ---------------------------------------------------------------------------
// Start-up and shutdown

bool FrmMain::Form_Load() { return m_startup->Form_Load(); }

void FrmMain::Form_Unload() { m_startup->Form_Unload(); }

void FrmMain::setStartPaths(const QStringList& paths) { m_startup->setStartPaths(paths); }

void FrmMain::comeForward(const QStringList& paths) {
    // A box or the viewer open over the window stays in front of it; the
    // paths wait for the user, who is busy with it, and so does a run.
    QWidget* front = QApplication::activeModalWidget();
    if (!front) {
        front = this;
        if (!paths.isEmpty() && !m_runInProgress) {
            m_startup->openPaths(paths);
        }
    }
    if (isMinimized()) {
        showNormal();
    }
    front->raise();
    front->activateWindow();
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_runInProgress && !LocalPathsOf(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void FrmMain::dropEvent(QDropEvent* event) {
    // The folder stays where a run works.
    const QStringList paths = LocalPathsOf(event->mimeData());
    if (m_runInProgress || paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_startup->openPaths(paths);
}

void FrmMain::closeEvent(QCloseEvent* event) {
    // A run lets pending events through between photos; the window must
    // outlive the run that is working in it. Closing asks whether to stop,
    // and the window closes once the run has ended.
    if (m_runInProgress) {
        event->ignore();
        m_runHost.requestStop(true);
        return;
    }
    if (!m_startup->unloaded()) {
        Form_Unload();
    }
    event->accept();
}

void FrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    applyMinimumSize();
    m_startup->finishRestoredSize();
}

void FrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    applyMinimumSize();
    m_startup->finishRestoredSize();
}

void FrmMain::applyMinimumSize() {
    // The window system keeps the minimum itself, so a drag never goes below
    // it; correcting a smaller size afterwards loses against a window manager
    // that answers with the dragged size again. The minimum counts the frame,
    // which the window system's minimum does not.
    const QSize frame = frameGeometry().size() - size();
    setMinimumSize(MinimumOuterSize(*this) - frame);
}

// ---------------------------------------------------------------------------
// Layout

float FrmMain::clientWidthTwips() const { return PixelsToTwips(m_ui.client->width()); }

float FrmMain::clientHeightTwips() const { return PixelsToTwips(m_ui.client->height()); }

void FrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void FrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.client && event->type() == QEvent::Resize) {
        alignBars();
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::alignBars() {
    const int width = m_ui.client->width();
    const int toolbarHeight = TwipsToPixels(ToolbarHeight);
    const int statusHeight = TwipsToPixels(StatusBarHeight);
    m_ui.Toolbar->setGeometry(0, 0, width, toolbarHeight);
    m_ui.stb->setGeometry(0, m_ui.client->height() - statusHeight, width, statusHeight);
    // Room is left at the right for the size grip.
    m_ui.stbPanel1->setGeometry(0, 0, std::max(0, width - statusHeight), statusHeight);
}

void FrmMain::Form_Resize() {
    applyMinimumSize();
    const float outerWidth = PixelsToTwips(frameGeometry().width());
    const float outerHeight = PixelsToTwips(frameGeometry().height());
    const QSize minimum = MinimumOuterSize(*this);
    ResizeAction action =
        DecideResize(isMinimized(), outerWidth, outerHeight, PixelsToTwips(minimum.width()),
                     PixelsToTwips(minimum.height()));
    const bool corrects = action == ResizeAction::SetHeight || action == ResizeAction::SetWidth;
    // A maximized window cannot be made larger, and a window system that put
    // the window back at the size it was corrected from will do so again:
    // either way the window is laid out as it is.
    if (corrects && (isMaximized() || isFullScreen() || size() == m_correctedFrom)) {
        action = ResizeAction::Layout;
    }
    const int frameWidth = frameGeometry().width() - width();
    const int frameHeight = frameGeometry().height() - height();
    switch (action) {
        case ResizeAction::SetHeight:
            m_correctedFrom = size();
            resize(width(), minimum.height() - frameHeight);
            return;
        case ResizeAction::SetWidth:
            m_correctedFrom = size();
            resize(minimum.width() - frameWidth, height());
            return;
        case ResizeAction::Layout:
            m_correctedFrom = QSize();
            alignBars();
            applyLayout(
                ComputeMainLayout(clientWidthTwips(), clientHeightTwips(), [this](float requested) {
                    SetHeight(m_ui.File1, requested);
                    return PixelsToTwips(m_ui.File1->height());
                }));
            m_readout.show();
            break;
        case ResizeAction::EnableOnly:
            break;
    }
    // Every layout, and minimizing, enables the preview button.
    m_ui.tbPhotoBig->setEnabled(true);
}

void FrmMain::applyLayout(const MainLayout& l) {
    SetWidth(m_ui.Frame2, l.frame2Width);
    SetHeight(m_ui.Frame2, l.frame2Height);
    SetHeight(m_ui.FraSet, l.fraSetHeight);
    SetLeft(m_ui.FraSet, l.fraSetLeft);
    SetLeft(m_ui.File1, l.file1Left);
    // The file list's height was set while the layout was computed.
    SetHeight(m_ui.txt_Exif_Info, l.txtExifInfoHeight);
    SetLeft(m_ui.txt_Exif_Info, l.infoColumnLeft);
    SetLeft(m_ui.lbl_File_Info, l.infoColumnLeft);
    SetLeft(m_ui.lbl_Back_Image[0], l.infoColumnLeft);
    SetWidth(m_ui.Drive1, l.leftColumnWidth);
    SetWidth(m_ui.Dir1, l.leftColumnWidth);
    SetWidth(m_ui.PicBack, l.leftColumnWidth);
    SetHeight(m_ui.PicBack, l.picBackHeight);
    // Hidden until the readout fits it into the new box.
    m_ui.Image2->hide();
    SetWidth(m_ui.frm_MainBack, l.mainBackWidth);
    SetHeight(m_ui.frm_MainBack, l.mainBackHeight);
}

// ---------------------------------------------------------------------------
// Event handlers

void FrmMain::File1_Click() { m_runHost.readoutFromList(); }

void FrmMain::CmdExe_Click() {
    runExclusively([this] {
        m_run.SetDates();
        m_ui.lbl_FileTime->setText(QString::fromStdString(m_run.lastFileTime()));
    });
}

// The run lets pending events through; a second click meanwhile, or a shift
// or an undo, must not start a run inside the run.
template <typename Work>
void FrmMain::runExclusively(Work work) {
    if (m_runInProgress) {
        return;
    }
    {
        // Lowered however the work ends, a throw included, and before a
        // close asked for during the run.
        struct Exclusive {
            bool& flag;
            explicit Exclusive(bool& f) : flag(f) { flag = true; }
            ~Exclusive() { flag = false; }
        } exclusive(m_runInProgress);
        work();
    }
    if (m_runHost.closeAfterRun()) {
        close();
    }
}

void FrmMain::mnuShift_Click() {
    runExclusively([this] {
        // The preview reads the run's own targets with its day filter, so it
        // lists what the run will move; a cancelled reading shifts nothing.
        auto photos = ReadShiftPreview(this, FolderPath(m_runHost.folder()), m_run.TargetNames(),
                                       m_run.FilterDay(), m_runHost.exifOnlyChecked());
        if (!photos) {
            return;
        }
        ShiftDialog dialog(std::move(*photos), this);
        if (dialog.exec() != QDialog::Accepted || dialog.offsetSeconds() == 0) {
            return;
        }
        m_run.ShiftDates(dialog.offsetSeconds());
    });
}

void FrmMain::mnuFromName_Click() {
    runExclusively([this] {
        // The targets are taken once, by name: the preview and the run see
        // the same photos, whatever the list does meanwhile.
        const std::vector<std::string> names = m_run.TargetNames();
        auto photos = ReadFromNamePreview(this, FolderPath(m_runHost.folder()), names);
        if (!photos) {
            return;
        }
        FromNameDialog dialog(std::move(*photos), m_runHost.dateChoice(),
                              m_runHost.runOptions().addMissing, m_runHost.now(), this);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        // The box in the dialog is the run option itself, shown where it matters.
        RunHost::RunOptions options = m_runHost.runOptions();
        if (options.addMissing != dialog.addMissing()) {
            options.addMissing = dialog.addMissing();
            setRunOptions(options);
        }
        m_run.SetDatesFrom(dialog.source(), names);
        m_ui.lbl_FileTime->setText(QString::fromStdString(m_run.lastFileTime()));
    });
}

void FrmMain::mnuRunOptions_Click() {
    // Disabled while a run works; nothing else must reach it then either.
    if (m_runInProgress) {
        return;
    }
    RunOptionsDialog dialog(m_runHost.runOptions(), this);
    if (dialog.exec() == QDialog::Accepted) {
        setRunOptions(dialog.options());
    }
}

void FrmMain::setRunOptions(const RunHost::RunOptions& options) {
    m_runHost.setRunOptions(options);
    // Stored as soon as the user changes it, as the EXIF-only setting is.
    settings::SetReg(settings::AddMissingKey, options.addMissing ? 1 : 0);
}

void FrmMain::mnuUndo_Click() {
    runExclusively([this] { m_run.UndoRecordedRun(); });
}

void FrmMain::Image2_DblClick() { m_browser->File1_DblClick(); }

void FrmMain::Image2_MouseMove() {
    // A notice in place of the picture (a movie) opens no viewer, so it promises none.
    const bool opens = !m_ui.txt_Exif_Info->toPlainText().isEmpty() && m_ui.Image2->hasPicture();
    m_ui.Image2->setToolTip(opens ? Image2ToolTip : QString());
}

void FrmMain::Toolbar_ButtonClick(const QString& key) {
    if (key == ToolbarKeyUp) {
        // The folder stays where a run works, whoever asks.
        if (!m_runHost.running()) {
            m_browser->Dir1_KeyPress(keys::Backspace);
        }
    } else if (key == ToolbarKeyPhotoBig) {
        Image2_DblClick();
    } else if (key == ToolbarKeyShift) {
        mnuShift_Click();
    } else if (key == ToolbarKeyHelp) {
        mnuHelpHelp_Click();
    } else if (key == ToolbarKeyClose) {
        close();
    }
}

void FrmMain::mnuHelpHelp_Click() {
    // Beside the program in a build folder; <prefix>/share/tovrin when installed.
    const QString beside = m_applicationFolder + QStringLiteral("/Tovrin.html");
    m_help.open(QFileInfo::exists(beside)
                    ? beside
                    : m_applicationFolder + QStringLiteral("/../share/tovrin/Tovrin.html"));
}

// The interlocks read each box as it is when the mouse button comes up; the
// boxes they set in code run no interlock of their own.
void FrmMain::ChkIkkatu_MouseUp() {
    if (m_ui.ChkIkkatu->isChecked()) {
        m_ui.ChkHoji->setChecked(true);
        m_ui.DTPTime->setEnabled(false);
    }
}

void FrmMain::ChkHoji_MouseUp() { m_ui.DTPTime->setEnabled(!m_ui.ChkHoji->isChecked()); }

void FrmMain::ChkUme_MouseUp() {
    if (m_ui.ChkUme->isChecked()) {
        m_ui.ChkIkkatu->setChecked(true);
        m_ui.ChkHoji->setChecked(true);
        m_ui.DTPTime->setEnabled(false);
        m_ui.DTPumeDate->setEnabled(true);
    } else {
        m_ui.DTPumeDate->setEnabled(false);
    }
}

}  // namespace tovrin
