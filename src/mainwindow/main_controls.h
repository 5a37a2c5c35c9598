#pragma once

#include <functional>

#include <QCheckBox>

class QAction;
class QDateEdit;
class QFrame;
class QLabel;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimeEdit;
class QToolBar;

namespace tovrin {

class DriveList;
class FileList;
class FolderList;
class PictureBox;

// An option check box whose interlock runs when a mouse button, any of them,
// is released over it, after the box has taken its new state. A toggle from
// the keyboard or from code runs nothing.
class OptionBox : public QCheckBox {
public:
    OptionBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}
    void setMouseUpHandler(std::function<void()> handler) { m_mouseUp = std::move(handler); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> m_mouseUp;
};

// The main window's controls. Each field carries the control's design name,
// which is also its object name, so a reader can look it up in the design;
// the window owns them all through Qt's parent chain.
struct MainControls {
    // Below the menu bar: toolbar, status bar and everything between.
    QWidget* client = nullptr;
    QToolBar* Toolbar = nullptr;
    QStatusBar* stb = nullptr;
    QLabel* stbPanel1 = nullptr;
    // The background of both panels.
    QFrame* frm_MainBack = nullptr;

    // The browsing panel: drive, folder and file lists, thumbnail, readout.
    QFrame* Frame2 = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QLabel* PicBack = nullptr;  // the thumbnail's box
    PictureBox* Image2 = nullptr;
    FileList* File1 = nullptr;
    QLabel* lbl_Back_Image[2] = {nullptr, nullptr};  // heading bands of the two panels
    QLabel* lbl_File_Info = nullptr;
    QPlainTextEdit* txt_Exif_Info = nullptr;

    // The settings panel ("FraSet"). The romanised names: Settei "setting",
    // Ikkatu "all at once", Hoji "keep", Ume "embedded" (the embedded date).
    QFrame* FraSet = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* lbl_Back = nullptr;
    QLabel* lbl_Settei = nullptr;
    QDateEdit* DTPDate = nullptr;
    QTimeEdit* DTPTime = nullptr;
    OptionBox* ChkIkkatu = nullptr;  // every photo of the folder, not the selection
    OptionBox* ChkHoji = nullptr;    // keep each photo's time of day
    OptionBox* ChkUme = nullptr;     // only photos whose embedded date is DTPumeDate
    QDateEdit* DTPumeDate = nullptr;
    QPushButton* CmdExe = nullptr;  // the run button
    // Hidden holding fields: the embedded and file date of the photo read
    // last, and the time of day the run keeps.
    QLabel* lbl_ExifDate = nullptr;
    QLabel* lbl_FileDate = nullptr;
    QLabel* lbl_FileTime = nullptr;

    QAction* mnuEnd = nullptr;
    QAction* mnuPhotoBig = nullptr;
    QAction* mnuHelpHelp = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuShift = nullptr;  // 日時をずらす: move the dates by an offset
    QAction* mnuUndo = nullptr;   // 元に戻す: give back the last run
    // Checked: runs rewrite the three EXIF texts alone and leave the copies
    // of the date (XMP, IPTC, IFD0's own) as they are.
    QAction* mnuExifOnly = nullptr;
    // 実行オプション: a photo without EXIF gets a date of its own (stored),
    // moments a step apart in name order (for this session only).
    QAction* mnuRunOptions = nullptr;
    // ファイル名から日付を設定: each photo's moment from its own file name.
    QAction* mnuFromName = nullptr;
    // Toolbar buttons; each carries its key ("UP", "PhotoBig", "Help",
    // "Close") as its object name.
    QAction* tbUp = nullptr;
    QAction* tbPhotoBig = nullptr;
};

// The toolbar's keys.
inline const QString ToolbarKeyUp = QStringLiteral("UP");
inline const QString ToolbarKeyPhotoBig = QStringLiteral("PhotoBig");
inline const QString ToolbarKeyHelp = QStringLiteral("Help");
inline const QString ToolbarKeyClose = QStringLiteral("Close");
inline const QString ToolbarKeyShift = QStringLiteral("Shift");

// The thumbnail's tooltip while it shows a photo.
inline const QString Image2ToolTip = QStringLiteral("ダブルクリックで写真表示");

// Twips the toolbar and the status bar take at the top and bottom of the client area.
inline constexpr float ToolbarHeight = 600;
inline constexpr float StatusBarHeight = 240;

// Builds every control of the main window at its design rectangle, with its
// menus and toolbar, and sets the focus order. Nothing is connected yet.
MainControls ComposeMainWindow(QMainWindow& window);

// The smallest outer size of the main window in pixels: the design's
// minimum, but never more than the available part of the screen the window
// is on, so that at a large scale the whole window still fits.
QSize MinimumOuterSize(const QWidget& window);

// The face of the design at `points`, bold or not.
QFont DesignFont(double points, bool bold = false);

}  // namespace tovrin
