#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>

#include "exif/local_time.h"
#include "mainwindow/help_windows.h"
#include "mainwindow/main_controls.h"
#include "mainwindow/main_layout.h"
#include "mainwindow/main_run_host.h"
#include "mainwindow/photo_readout.h"
#include "run/date_setting_run.h"

namespace tovrin {

class FolderBrowser;
class MessageBoxes;
class StartupController;

// The main window. It owns every control (composed by ComposeMainWindow), the
// photo readout, the host side of the date-setting run behind the run button,
// and the start-up and shutdown; its event handlers, under their form's
// names, call into those.
//
// Every control carries its design name as its object name ("File1",
// "txt_Exif_Info", "lbl_Back_Image(0)", ...). Geometry is worked out in twips
// and applied at 15 twips per pixel.
class FrmMain : public QMainWindow {
    Q_OBJECT

public:
    // Messages go to `boxes`. `applicationFolder` is the installation
    // folder: the daily logs and the help page live there, and its volume is
    // where the lists open when the remembered folder cannot be used.
    FrmMain(MessageBoxes& boxes, const QString& applicationFolder, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Whether another instance of the program is running; asked once, at the
    // start of Form_Load. Unset, the window starts as the only instance.
    void setInstanceCheck(std::function<bool()> anotherInstanceRunning);
    // The moment of start-up for the pickers; the local clock unless set.
    void setClock(std::function<LocalDateTime()> now);
    // Folders or photos to open at start-up instead of the remembered folder:
    // the folder of the first one that exists, with the photos given selected.
    void setStartPaths(const QStringList& paths);
    // A second start asked for the window: it comes to the front (or the box
    // or viewer open over it does) and opens `paths` as dropped ones would.
    void comeForward(const QStringList& paths);

    // Start-up: the single-instance guard, fonts, first values, caption, the
    // remembered window rectangle and folder, and the run button's face.
    // Returns whether the window is to be shown: a second instance has closed
    // itself by then. A failure shows its box and leaves the window as far
    // as it was prepared.
    bool Form_Load();
    // Shutdown, run once when the window closes: the other windows close, the
    // rectangle and the folder are stored, the help windows close.
    void Form_Unload();

    // A toolbar button's click, dispatched by its key ("UP", "PhotoBig",
    // "Help", "Close", exactly and with case); another key does nothing.
    void Toolbar_ButtonClick(const QString& key);
    // Shows the help page beside the window; a missing page shows nothing.
    void mnuHelpHelp_Click();
    void mnuShift_Click();
    void mnuUndo_Click();
    // 実行オプション: the options of the next runs; the one that is kept
    // across starts is stored at once.
    void mnuRunOptions_Click();
    // ファイル名から日付を設定: each target photo's date from its file name.
    void mnuFromName_Click();
    template <typename Work>
    void runExclusively(Work work);
    const HelpWindows& helpWindows() const { return m_help; }

    // The resize handling: minimum size, the layout of the controls that
    // follow the window, the readout, the preview button.
    void Form_Resize();
    // The file list's click: the photo information readout of its current entry.
    void File1_Click();
    // The run button's click: the date-setting run.
    void CmdExe_Click();
    // Opens the viewer on the current entry while the thumbnail shows a picture.
    void Image2_DblClick();

    // txt_Exif_Info's text, with CR LF line breaks.
    QString exifInfoText() const { return m_readout.text(); }

    // The client area (below the menu bar; toolbar and status bar included) in twips.
    float clientWidthTwips() const;
    float clientHeightTwips() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Photos or a folder dropped on the window open there, unless a run is on.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void Image2_MouseMove();
    void ChkIkkatu_MouseUp();
    void ChkHoji_MouseUp();
    void ChkUme_MouseUp();
    void alignBars();
    void applyMinimumSize();
    void applyLayout(const MainLayout& layout);
    void setRunOptions(const RunHost::RunOptions& options);

    MessageBoxes& m_boxes;
    QString m_applicationFolder;
    MainControls m_ui;
    HelpWindows m_help;
    PhotoReadout m_readout;
    MainRunHost m_runHost;
    DateSettingRun m_run;
    FolderBrowser* m_browser = nullptr;
    std::unique_ptr<StartupController> m_startup;
    bool m_runInProgress = false;
    // The size the last minimum-size correction was asked from; a window
    // system that keeps the window there is not asked again.
    QSize m_correctedFrom;
};

}  // namespace tovrin
