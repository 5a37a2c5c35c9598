#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QSize>
#include <QString>

#include "run/date_setting_run.h"
#include "mainwindow/help_windows.h"
#include "exif/local_time.h"
#include "mainwindow/main_layout.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "run/run_host.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimeEdit;
class QToolBar;
class QVariant;

namespace tovrin {

class CommandButtonCT;
class DriveList;
class FileList;
class FolderBrowser;
class FolderList;
class MessageBoxes;
class PictureBox;

// The main window. It owns every control, the record of the photo read last
// and the hidden holding fields, links the drive, folder and file lists, shows
// the selected photo's information and thumbnail, and is the host of the
// date-setting run behind the run button.
//
// Every control carries its design name as its object name ("File1",
// "txt_Exif_Info", "lbl_Back_Image(0)", ...). Geometry is worked out in twips
// and applied at 15 twips per pixel.
class FrmMain : public QMainWindow, public RunHost {
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

    // Start-up: the single-instance guard, fonts, first values, caption, the
    // remembered window rectangle and folder, and the run button's face.
    // Returns whether the window is to be shown: a second instance has closed
    // itself by then. A failure shows its box and leaves the window as far
    // as it was prepared.
    bool Form_Load();
    // Shutdown, run once when the window closes: the other windows close, the
    // rectangle and the folder are stored, the help windows close.
    void Form_Unload();

    // The settings store, as the shared routines' pair in `common`.
    static QString GetReg(const QString& key, const QVariant& defaultValue);
    static void SetReg(const QString& key, const QVariant& value);

    // A toolbar button's click, dispatched by its key ("UP", "PhotoBig",
    // "Help", "Close", exactly and with case); another key does nothing.
    void Toolbar_ButtonClick(const QString& key);
    // Shows the help page beside the window; a missing page shows nothing.
    void mnuHelpHelp_Click();
    const HelpWindows& helpWindows() const { return m_help; }

    // The resize handling: minimum size, the layout of the controls that
    // follow the window, the readout, the preview button.
    void Form_Resize();

    // The photo information readout for the file list's current entry. An
    // error while reading or decoding propagates to the caller.
    void File1_Click() override;
    // The same for a readout nobody else reports: an error shows a box, the
    // information and the thumbnail are cleared, and the program goes on.
    void showReadout();

    // The run button's click: the date-setting run.
    void CmdExe_Click();

    // Opens the viewer on the current entry while the thumbnail shows a picture.
    void openViewer();

    // txt_Exif_Info's text, with CR LF line breaks.
    QString exifInfoText() const;
    // The record of the photo read last.
    const PhotoInfo& photoInfo() const { return m_photoInfo; }
    const DateSettingRun& dateSettingRun() const { return m_run; }
    FolderBrowser& browser() const { return *m_browser; }

    // The client area (below the menu bar; toolbar and status bar included) in twips.
    float clientWidthTwips() const;
    float clientHeightTwips() const;
    // The outer size (frame, caption and menu bar included) in twips.
    float outerWidthTwips() const;
    float outerHeightTwips() const;

    // RunHost
    std::string folder() const override;
    int fileCount() const override;
    std::string fileName(int index) const override;
    bool isSelected(int index) const override;
    void selectInCode(int index) override;
    void reloadFileList() override;
    void selectFirstEntry() override;
    DateChoice dateChoice() const override;
    bool ChkIkkatu() const override;
    void setExifInfoText(const std::string& text) override;
    void clearThumbnail() override;
    void FitThumbnail(const std::string& fullPath) override;
    MessageBoxes& messageBoxes() override { return m_boxes; }
    std::string applicationFolder() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void composeControls();
    void composeBrowsingPanel();
    void composeSettingsPanel();
    void createActions();
    void connectActions();
    void updateActions();
    // One step of Form_Load; returns the step to run next.
    int runStartupStep(int step);
    void restoreWindowRectangle();
    void setOuterWidth(int pixels);
    void setOuterHeight(int pixels);
    void finishRestoredSize();
    QString installationDriveRoot() const;
    void closeOtherWindows();
    void Image2_MouseMove();
    void ChkIkkatu_MouseUp();
    void ChkHoji_MouseUp();
    void ChkUme_MouseUp();
    void setFocusOrder();
    void alignBars();
    void applyLayout(const MainLayout& layout);
    void setInformation(const QString& crlfText);
    void reportReadoutError(const RuntimeError& failure);
    // Runs `select` with the readouts it raises deferred: a readout's error is
    // kept until the selecting call has returned and is then thrown to the
    // caller, so it never unwinds through the list's own code.
    template <typename Select>
    void selectPropagatingReadoutErrors(Select select);
    void readoutFromList();

    MessageBoxes& m_boxes;
    QString m_applicationFolder;
    std::function<bool()> m_anotherInstanceRunning;
    std::function<LocalDateTime()> m_now;
    // The remembered folder, held while the window starts.
    QString m_DefPath;
    // The outer size start-up restored, in pixels, until the window frame is
    // known and the inner size can be made to match it.
    QSize m_restoredOuter;
    HelpWindows m_help;
    PhotoInfo m_photoInfo;
    DateSettingRun m_run;
    bool m_runInProgress = false;
    bool m_unloaded = false;
    // Set while code selects entries for the run; the first readout error
    // raised meanwhile waits here for the selecting call to return.
    bool m_deferReadoutErrors = false;
    std::exception_ptr m_deferredReadoutError;
    // The size the last minimum-size correction was asked from; a window
    // system that keeps the window there is not asked again.
    QSize m_correctedFrom;

    QWidget* m_client = nullptr;
    QToolBar* m_Toolbar = nullptr;
    QStatusBar* m_stb = nullptr;
    QLabel* m_stbPanel1 = nullptr;
    QFrame* m_frm_MainBack = nullptr;

    QFrame* m_Frame2 = nullptr;
    DriveList* m_Drive1 = nullptr;
    FolderList* m_Dir1 = nullptr;
    QLabel* m_PicBack = nullptr;
    PictureBox* m_Image2 = nullptr;
    FileList* m_File1 = nullptr;
    QLabel* m_lbl_Back_Image[2] = {nullptr, nullptr};
    QLabel* m_lbl_File_Info = nullptr;
    QPlainTextEdit* m_txt_Exif_Info = nullptr;

    QFrame* m_FraSet = nullptr;
    QLabel* m_Label1 = nullptr;
    QFrame* m_Line1 = nullptr;
    QLabel* m_lbl_Back = nullptr;
    QLabel* m_lbl_Settei = nullptr;
    QDateEdit* m_DTPDate = nullptr;
    QTimeEdit* m_DTPTime = nullptr;
    QCheckBox* m_ChkIkkatu = nullptr;
    QCheckBox* m_ChkHoji = nullptr;
    QCheckBox* m_ChkUme = nullptr;
    QDateEdit* m_DTPumeDate = nullptr;
    QPushButton* m_CmdExe = nullptr;
    QLabel* m_lbl_ExifDate = nullptr;
    QLabel* m_lbl_FileDate = nullptr;
    QLabel* m_lbl_FileTime = nullptr;

    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuEnd = nullptr;
    QAction* m_mnuPhotoBig = nullptr;
    QMenu* m_mnuHelp = nullptr;
    QAction* m_mnuHelpHelp = nullptr;
    QAction* m_mnuAbout = nullptr;
    // Toolbar buttons, by their keys "UP", "PhotoBig", "Help", "Close".
    QAction* m_tbUp = nullptr;
    QAction* m_tbPhotoBig = nullptr;
    QAction* m_tbHelp = nullptr;
    QAction* m_tbClose = nullptr;

    FolderBrowser* m_browser = nullptr;
    std::unique_ptr<CommandButtonCT> m_cmdControl;
};

}  // namespace tovrin
