#include "mainwindow/frm_main.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <new>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTimeEdit>
#include <QToolBar>
#include <QVariant>

#include "about/about_model.h"
#include "mainwindow/artwork.h"
#include "button/command_button_ct.h"
#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_browser.h"
#include "browse/folder_list.h"
#include "button/fonts.h"
#include "about/frm_about.h"
#include "photo/frm_viewer.h"
#include "button/graphical_button.h"
#include "mainwindow/information_text.h"
#include "browse/list_keys.h"
#include "run/message_boxes.h"
#include "exif/paths.h"
#include "button/picture.h"
#include "photo/picture_box.h"
#include "photo/picture_size_edit.h"
#include "button/run_button_icon.h"
#include "exif/runtime_error.h"
#include "mainwindow/settings_store.h"
#include "mainwindow/startup_folder.h"

namespace tovrin {

namespace {

// Design rectangles (left, top, width, height in twips, relative to the
// container). Only the controls that follow the window are moved later.
constexpr TwipsRect MainBackRect{-45, 450, 13900, 6270};
constexpr TwipsRect Frame2Rect{45, 180, 8880, 5880};
constexpr TwipsRect Drive1Rect{45, 135, 2895, 300};
constexpr TwipsRect Dir1Rect{45, 450, 2895, 2820};
constexpr TwipsRect PicBackRect{45, 3330, 2895, 2415};
constexpr TwipsRect Image2Rect{90, 3330, 2895, 2415};
constexpr TwipsRect File1Rect{2970, 135, 2895, 5610};
constexpr TwipsRect BackImage0Rect{5895, 135, 2895, 270};
constexpr TwipsRect FileInfoRect{5940, 180, 1545, 240};
constexpr TwipsRect ExifInfoRect{5895, 405, 2895, 5340};
constexpr TwipsRect FraSetRect{9000, 180, 3705, 5880};
constexpr TwipsRect BackImage1Rect{0, 90, 4245, 270};
constexpr TwipsRect Label1Rect{90, 135, 1230, 195};
constexpr TwipsRect Line1Rect{0, 360, 3690, 15};  // a line from (0, 360) to (3690, 360)
constexpr TwipsRect BackRect{90, 540, 3510, 480};
constexpr TwipsRect SetteiRect{180, 690, 780, 240};
constexpr TwipsRect DTPDateRect{990, 615, 1335, 330};
constexpr TwipsRect DTPTimeRect{2430, 615, 1095, 330};
constexpr TwipsRect IkkatuRect{285, 1170, 1935, 375};
constexpr TwipsRect HojiRect{270, 1620, 1815, 255};
constexpr TwipsRect UmeRect{270, 2010, 3270, 375};
constexpr TwipsRect DTPumeDateRect{585, 2385, 1455, 330};
constexpr TwipsRect CmdExeRect{180, 2880, 3330, 540};
constexpr TwipsRect ExifDateRect{180, 3780, 3255, 240};
constexpr TwipsRect FileDateRect{180, 4050, 3255, 240};
constexpr TwipsRect FileTimeRect{270, 4455, 3075, 870};

constexpr float ToolbarHeight = 600;
constexpr float StatusBarHeight = 240;

constexpr double DesignFontPoints = 9.0;
constexpr double HeadingFontPoints = 9.75;
// The pickers' fields are narrow for the substitute face's wider digits.
constexpr double PickerFontPoints = 8.0;

const QString DateFormat = QStringLiteral("yyyy/MM/dd");
const QString TimeFormat = QStringLiteral("H:mm:ss");

void Place(QWidget* widget, const TwipsRect& r) {
    widget->setGeometry(TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
                        TwipsToPixels(r.height));
}

void SetLeft(QWidget* widget, float left) { widget->move(TwipsToPixels(left), widget->y()); }

void SetWidth(QWidget* widget, float width) {
    widget->resize(TwipsToPixels(width), widget->height());
}

void SetHeight(QWidget* widget, float height) {
    widget->resize(widget->width(), TwipsToPixels(height));
}

QFont DesignFont(double points, bool bold = false) {
    QFont font(MsPGothicFamily());
    font.setBold(bold);
    font.setPointSizeF(points);
    return font;
}

QLabel* TransparentLabel(const QString& text, QWidget* parent, const QString& name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    return label;
}

void SetTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

void FillBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The pickers pass Tab on to the next control, as the design's focus order
// wants; their fields are reached with the arrow keys.
class DatePicker : public QDateEdit {
public:
    explicit DatePicker(QWidget* parent) : QDateEdit(parent) {
        // The drop-down button leaves the text a few pixels short of a full
        // date at the design width; the edit's own side margins give them.
        lineEdit()->setTextMargins(-2, 0, -2, 0);
    }

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

class TimePicker : public QTimeEdit {
public:
    using QTimeEdit::QTimeEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

// An option check box whose interlock runs when a mouse button, any of them,
// is released over it, after the box has taken its new state. A toggle from
// the keyboard or from code runs nothing.
class OptionBox : public QCheckBox {
public:
    OptionBox(const QString& caption, QWidget* parent, std::function<void()> mouseUp)
        : QCheckBox(caption, parent), m_mouseUp(std::move(mouseUp)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool over = rect().contains(event->position().toPoint());
        QCheckBox::mouseReleaseEvent(event);
        if (over) {
            m_mouseUp();
        }
    }

private:
    std::function<void()> m_mouseUp;
};

// Texts of the start-up messages.
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
// is an overflow, as it would be for the classic window.
int WindowPixels(float twips) {
    const double pixels = std::round(double(twips) / 15.0);
    if (!(std::abs(pixels) <= QWIDGETSIZE_MAX)) {
        throw RuntimeError(error::Overflow);
    }
    return static_cast<int>(pixels);
}

// The toolbar's keys.
const QString KeyUp = QStringLiteral("UP");
const QString KeyPhotoBig = QStringLiteral("PhotoBig");
const QString KeyHelp = QStringLiteral("Help");
const QString KeyClose = QStringLiteral("Close");

// Start-up steps that the failure handling can run again or skip to.
enum StartupStep {
    FontsStep = 2,
    RectangleStep = 7,
    DefPathStep = 8,
    FolderCheckStep = 10,
    OpenDefPathStep = 11,
    FileListStep = 12,
    CustomButtonStep = 13,
    StartupDone = 14,
};

// Paths go to the engine as its path text: on Windows UTF-8 with backslashes
// (QFile::encodeName would give the ANSI code page, which loses Japanese
// names), elsewhere the file system's own bytes.
std::string Encoded(const QString& path) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString Decoded(const std::string& path) {
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(QString::fromStdString(path));
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

CalendarDate FromQDate(const QDate& d) { return CalendarDate{d.year(), d.month(), d.day()}; }

}  // namespace

FrmMain::FrmMain(MessageBoxes& boxes, const QString& applicationFolder, QWidget* parent)
    : QMainWindow(parent),
      m_boxes(boxes),
      m_applicationFolder(applicationFolder),
      m_now(Now),
      m_help(this),
      m_run(*this) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Tovrin"));
    setWindowIcon(ApplicationIcon());
    setFont(DesignFont(DesignFontPoints));
    composeControls();
    createActions();
    setFocusOrder();

    BrowserHooks hooks;
    hooks.readout = [this] { readoutFromList(); };
    hooks.clearInformation = [this] {
        setInformation(QString());
        m_Image2->clearPicture();
    };
    hooks.showFolder = [this](const QString& folder) { m_stbPanel1->setText(folder); };
    hooks.thumbnailShown = [this] { return m_Image2->hasPicture(); };
    hooks.openViewer = [this](const QString& fullPath, const QString&) {
        FrmViewer::openModal(this, fullPath, m_boxes);
    };
    m_browser = new FolderBrowser(m_Drive1, m_Dir1, m_File1, m_boxes, std::move(hooks), this);

    connect(m_CmdExe, &QPushButton::clicked, this, &FrmMain::CmdExe_Click);
    connect(m_Image2, &PictureBox::doubleClicked, this, &FrmMain::openViewer);
    connect(m_Image2, &PictureBox::mouseMoved, this, &FrmMain::Image2_MouseMove);
    connectActions();
}

void FrmMain::setInstanceCheck(std::function<bool()> anotherInstanceRunning) {
    m_anotherInstanceRunning = std::move(anotherInstanceRunning);
}

void FrmMain::setClock(std::function<LocalDateTime()> now) { m_now = std::move(now); }

FrmMain::~FrmMain() {
    // The lists go with the window's children; the browser that watches them
    // and the button object that drives CmdExe are let go first, so no event
    // of a list or button being torn down reaches them.
    m_File1->setClickHandler({});
    delete m_browser;
    m_browser = nullptr;
    m_cmdControl.reset();
}

// ---------------------------------------------------------------------------
// Composition

void FrmMain::composeControls() {
    // The client area holds the toolbar and the status bar as well, so the
    // design coordinates of every control count from just below the menu bar.
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    // Background of both panels; it reaches past the left, right and bottom
    // edges, so only its top border shows, under the toolbar.
    m_frm_MainBack = new QFrame(m_client);
    m_frm_MainBack->setObjectName(QStringLiteral("frm_MainBack"));
    m_frm_MainBack->setFrameShape(QFrame::Box);
    m_frm_MainBack->setFrameShadow(QFrame::Sunken);
    Place(m_frm_MainBack, MainBackRect);

    composeBrowsingPanel();
    composeSettingsPanel();

    m_Toolbar = new QToolBar(m_client);
    m_Toolbar->setObjectName(QStringLiteral("Toolbar"));
    m_Toolbar->setMovable(false);
    m_Toolbar->setFloatable(false);
    m_Toolbar->setIconSize(QSize(16, 16));
    m_Toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_Toolbar->setFocusPolicy(Qt::NoFocus);

    m_stb = new QStatusBar(m_client);
    m_stb->setObjectName(QStringLiteral("stb"));
    // The one panel is placed by hand: the bar's own item layout leaves too
    // little of its 16 pixels for a line of text.
    m_stbPanel1 = new QLabel(m_stb);
    m_stbPanel1->setObjectName(QStringLiteral("stbPanel1"));
    m_stbPanel1->setFrameShape(QFrame::Panel);
    m_stbPanel1->setFrameShadow(QFrame::Sunken);

    // The bars lie above the background frame, which runs under both.
    m_Toolbar->raise();
    m_stb->raise();

    resize(TwipsToPixels(MinimumOuterWidth), TwipsToPixels(MinimumOuterHeight));
}

void FrmMain::composeBrowsingPanel() {
    m_Frame2 = new QFrame(m_frm_MainBack);
    m_Frame2->setObjectName(QStringLiteral("Frame2"));
    m_Frame2->setFrameShape(QFrame::NoFrame);
    Place(m_Frame2, Frame2Rect);

    m_Drive1 = new DriveList(m_Frame2);
    m_Drive1->setObjectName(QStringLiteral("Drive1"));
    Place(m_Drive1, Drive1Rect);

    m_Dir1 = new FolderList(m_Frame2);
    m_Dir1->setObjectName(QStringLiteral("Dir1"));
    Place(m_Dir1, Dir1Rect);

    // The thumbnail box, in the colour of button text, with the picture above it.
    m_PicBack = new QLabel(m_Frame2);
    m_PicBack->setObjectName(QStringLiteral("PicBack"));
    FillBackground(m_PicBack, palette().color(QPalette::ButtonText));
    Place(m_PicBack, PicBackRect);

    m_Image2 = new PictureBox(m_Frame2);
    m_Image2->setObjectName(QStringLiteral("Image2"));
    m_Image2->setStretch(true);
    m_Image2->setToolTip(QStringLiteral("ダブルクリックで写真表示"));
    Place(m_Image2, Image2Rect);

    m_File1 = new FileList(m_Frame2);
    m_File1->setObjectName(QStringLiteral("File1"));
    Place(m_File1, File1Rect);

    m_lbl_Back_Image[0] = new QLabel(m_Frame2);
    m_lbl_Back_Image[0]->setObjectName(QStringLiteral("lbl_Back_Image(0)"));
    m_lbl_Back_Image[0]->setPixmap(
        HeadingBand(TwipsToPixels(BackImage0Rect.width), TwipsToPixels(BackImage0Rect.height)));
    Place(m_lbl_Back_Image[0], BackImage0Rect);

    m_lbl_File_Info = TransparentLabel(QStringLiteral(" ファイル情報"), m_Frame2,
                                       QStringLiteral("lbl_File_Info"));
    m_lbl_File_Info->setFont(DesignFont(HeadingFontPoints));
    SetTextColor(m_lbl_File_Info, Qt::white);
    Place(m_lbl_File_Info, FileInfoRect);

    m_txt_Exif_Info = new QPlainTextEdit(m_Frame2);
    m_txt_Exif_Info->setObjectName(QStringLiteral("txt_Exif_Info"));
    // The information is a readout of the photo; editing it would change nothing.
    m_txt_Exif_Info->setReadOnly(true);
    m_txt_Exif_Info->setLineWrapMode(QPlainTextEdit::NoWrap);
    Place(m_txt_Exif_Info, ExifInfoRect);
}

void FrmMain::composeSettingsPanel() {
    m_FraSet = new QFrame(m_frm_MainBack);
    m_FraSet->setObjectName(QStringLiteral("FraSet"));
    m_FraSet->setFrameShape(QFrame::NoFrame);
    Place(m_FraSet, FraSetRect);

    m_lbl_Back_Image[1] = new QLabel(m_FraSet);
    m_lbl_Back_Image[1]->setObjectName(QStringLiteral("lbl_Back_Image(1)"));
    m_lbl_Back_Image[1]->setPixmap(
        HeadingBand(TwipsToPixels(BackImage1Rect.width), TwipsToPixels(BackImage1Rect.height)));
    Place(m_lbl_Back_Image[1], BackImage1Rect);

    m_Label1 = TransparentLabel(QStringLiteral("埋込日付設定"), m_FraSet, QStringLiteral("Label1"));
    SetTextColor(m_Label1, Qt::white);
    Place(m_Label1, Label1Rect);

    m_Line1 = new QFrame(m_FraSet);
    m_Line1->setObjectName(QStringLiteral("Line1"));
    m_Line1->setFrameShape(QFrame::HLine);
    m_Line1->setFrameShadow(QFrame::Plain);
    m_Line1->setLineWidth(1);
    Place(m_Line1, Line1Rect);

    m_lbl_Back = new QLabel(m_FraSet);
    m_lbl_Back->setObjectName(QStringLiteral("lbl_Back"));
    FillBackground(m_lbl_Back, QColor(255, 255, 192));
    Place(m_lbl_Back, BackRect);

    m_lbl_Settei =
        TransparentLabel(QStringLiteral("設定日時"), m_FraSet, QStringLiteral("lbl_Settei"));
    Place(m_lbl_Settei, SetteiRect);

    const auto datePicker = [this](const QString& name, const TwipsRect& rect) {
        auto* picker = new DatePicker(m_FraSet);
        picker->setObjectName(name);
        picker->setDisplayFormat(DateFormat);
        picker->setCalendarPopup(true);
        picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
        picker->setFont(DesignFont(PickerFontPoints));
        Place(picker, rect);
        return picker;
    };
    m_DTPDate = datePicker(QStringLiteral("DTPDate"), DTPDateRect);

    m_DTPTime = new TimePicker(m_FraSet);
    m_DTPTime->setObjectName(QStringLiteral("DTPTime"));
    m_DTPTime->setDisplayFormat(TimeFormat);
    m_DTPTime->setFont(DesignFont(PickerFontPoints));
    Place(m_DTPTime, DTPTimeRect);

    const auto checkBox = [this](const QString& caption, const QString& name, const TwipsRect& rect,
                                 void (FrmMain::*mouseUp)()) {
        auto* box = new OptionBox(caption, m_FraSet, [this, mouseUp] { (this->*mouseUp)(); });
        box->setObjectName(name);
        Place(box, rect);
        return box;
    };
    m_ChkIkkatu = checkBox(QStringLiteral("フォルダ内一括処理"), QStringLiteral("ChkIkkatu"),
                           IkkatuRect, &FrmMain::ChkIkkatu_MouseUp);
    m_ChkHoji = checkBox(QStringLiteral("時分秒は保持する"), QStringLiteral("ChkHoji"), HojiRect,
                         &FrmMain::ChkHoji_MouseUp);
    m_ChkUme = checkBox(QStringLiteral("指定した埋込日付の写真全てを対象"),
                        QStringLiteral("ChkUme"), UmeRect, &FrmMain::ChkUme_MouseUp);

    m_DTPumeDate = datePicker(QStringLiteral("DTPumeDate"), DTPumeDateRect);
    m_DTPumeDate->setEnabled(false);

    m_CmdExe = new QPushButton(QStringLiteral(" 埋込日付設定実行"), m_FraSet);
    m_CmdExe->setObjectName(QStringLiteral("CmdExe"));
    m_CmdExe->setAutoDefault(false);
    SetGraphicalStyle(*m_CmdExe, true);
    SetButtonPicture(*m_CmdExe, CreatePicture(MakeIconHandle(RunButtonIcon()),
                                              static_cast<int>(PictureType::Icon)));
    Place(m_CmdExe, CmdExeRect);

    const auto holder = [this](const QString& text, const QString& name, const TwipsRect& rect) {
        auto* label = new QLabel(text, m_FraSet);
        label->setObjectName(name);
        Place(label, rect);
        label->hide();
        return label;
    };
    m_lbl_ExifDate =
        holder(QStringLiteral("埋込日付"), QStringLiteral("lbl_ExifDate"), ExifDateRect);
    m_lbl_FileDate =
        holder(QStringLiteral("ファイル日付"), QStringLiteral("lbl_FileDate"), FileDateRect);
    m_lbl_FileTime = holder(QStringLiteral("時分秒を保持する為の一時場所"),
                            QStringLiteral("lbl_FileTime"), FileTimeRect);
}

void FrmMain::createActions() {
    m_mnuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuEnd = m_mnuFile->addAction(QStringLiteral("終了(&X)"));
    m_mnuEnd->setObjectName(QStringLiteral("mnuEnd"));
    m_mnuPhotoBig = m_mnuFile->addAction(QStringLiteral("画像プレビュー(&P)"));
    m_mnuPhotoBig->setObjectName(QStringLiteral("mnuPhotoBig"));

    m_mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    m_mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m_mnuHelpHelp = m_mnuHelp->addAction(QStringLiteral("ヘルプ(&H)"));
    m_mnuHelpHelp->setObjectName(QStringLiteral("mnuHelpHelp"));
    m_mnuAbout = m_mnuHelp->addAction(QStringLiteral("バージョン情報(&A)"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    // The toolbar's buttons carry their keys as object names; the caption is
    // the tooltip as well.
    const auto button = [this](const QString& key, QStyle::StandardPixmap icon,
                               const QString& caption) {
        QAction* action = m_Toolbar->addAction(style()->standardIcon(icon), caption);
        action->setObjectName(key);
        action->setToolTip(caption);
        return action;
    };
    m_tbUp = button(KeyUp, QStyle::SP_FileDialogToParent, QStringLiteral("上へ"));
    m_tbPhotoBig =
        button(KeyPhotoBig, QStyle::SP_FileDialogContentsView, QStringLiteral("画像プレビュー"));
    m_tbHelp = button(KeyHelp, QStyle::SP_DialogHelpButton, QStringLiteral("ヘルプ"));
    m_tbClose = button(KeyClose, QStyle::SP_DialogCloseButton, QStringLiteral("終了"));
}

void FrmMain::connectActions() {
    connect(m_mnuEnd, &QAction::triggered, this, [this] { close(); });
    connect(m_mnuPhotoBig, &QAction::triggered, this, &FrmMain::openViewer);
    connect(m_mnuHelpHelp, &QAction::triggered, this, &FrmMain::mnuHelpHelp_Click);
    connect(m_mnuAbout, &QAction::triggered, this, [this] { ShowAbout(this); });
    connect(m_Toolbar, &QToolBar::actionTriggered, this,
            [this](QAction* button) { Toolbar_ButtonClick(button->objectName()); });
}

void FrmMain::updateActions() {
    // Every layout, and minimizing, enables the preview button.
    m_tbPhotoBig->setEnabled(true);
}

void FrmMain::setFocusOrder() {
    QWidget* const order[] = {m_Dir1,      m_File1,   m_DTPDate,      m_DTPTime,
                              m_ChkIkkatu, m_ChkHoji, m_ChkUme,       m_DTPumeDate,
                              m_CmdExe,    m_Drive1,  m_txt_Exif_Info};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    m_Dir1->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

bool FrmMain::Form_Load() {
    if (m_anotherInstanceRunning && m_anotherInstanceRunning()) {
        m_boxes.show(AlreadyRunningText, MsgButtons::Ok, MsgIcon::Information, AppTitle);
        // Closing runs the shutdown, as for any other closing of the window.
        close();
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
            step = runStartupStep(step);
            continue;
        } catch (const RuntimeError& e) {
            number = e.number();
        } catch (const std::bad_alloc&) {
            number = 7;
        } catch (const std::exception&) {
            number = error::InvalidCall;
        }
        if (IsDriveFailure(number) && !fellBackToInstallationDrive) {
            m_boxes.show(DriveGoneText(m_DefPath), MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
            m_DefPath = installationDriveRoot();
            fellBackToInstallationDrive = true;
            continue;
        }
        m_boxes.show(std::to_string(number), MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
        break;
    }
    return true;
}

int FrmMain::runStartupStep(int step) {
    switch (step) {
        case FontsStep: {
            // The fonts in the order the design lists them; the run button's
            // own face later draws its caption in a font of its own.
            for (QWidget* w :
                 std::initializer_list<QWidget*>{m_Drive1, m_Dir1, m_File1, m_txt_Exif_Info,
                                                 m_lbl_Settei, m_ChkIkkatu, m_ChkHoji, m_ChkUme}) {
                w->setFont(DesignFont(DesignFontPoints));
            }
            m_CmdExe->setFont(DesignFont(DesignFontPoints, true));

            // One moment gives both first values, so they never straddle
            // midnight; the pickers get the full date, so no year is lost to
            // a two-digit form.
            const LocalDateTime now = m_now();
            const AppIdentity app = ApplicationIdentity();
            setWindowTitle(QStringLiteral("%1 %2.%3.%4")
                               .arg(QString::fromStdString(AppTitle))
                               .arg(app.major)
                               .arg(app.minor)
                               .arg(app.revision));
            m_lbl_FileTime->setText(QString());
            const QDate today(now.year, now.month, now.day);
            m_DTPDate->setDate(today);
            m_DTPTime->setTime(QTime(now.hour, now.minute, now.second));
            m_DTPumeDate->setDate(today);
            return RectangleStep;
        }
        case RectangleStep:
            restoreWindowRectangle();
            return DefPathStep;
        case DefPathStep:
            m_DefPath = GetReg(QStringLiteral("DefPath"), QString());
            if (m_DefPath.isEmpty()) {
                m_DefPath = installationDriveRoot();
            }
            return FolderCheckStep;
        case FolderCheckStep:
            switch (ExamineFolder(m_DefPath, m_Drive1->DriveRoot(m_DefPath))) {
                case FolderState::VolumeGone:
                    throw RuntimeError(error::BadFileName);
                case FolderState::Missing:
                    // The folder list alone moves; the drive list keeps its drive.
                    m_Dir1->setPath(installationDriveRoot());
                    return FileListStep;
                case FolderState::Folder:
                    break;
            }
            return OpenDefPathStep;
        case OpenDefPathStep:
            m_Drive1->setDrive(m_Drive1->DriveRoot(m_DefPath));
            m_Dir1->setPath(m_DefPath);
            return FileListStep;
        case FileListStep:
            m_browser->File1_PathChange();
            return CustomButtonStep;
        case CustomButtonStep:
            m_cmdControl = std::make_unique<CommandButtonCT>();
            m_cmdControl->Load(m_CmdExe);
            m_cmdControl->setPicturePosition(1);
            return StartupDone;
        default:
            return StartupDone;
    }
}

void FrmMain::restoreWindowRectangle() {
    // Each value is applied as soon as it is read, top first; the outer size
    // includes the frame, caption and menu bar.
    const int top = WindowPixels(StoredNumber(GetReg(QStringLiteral("WTOP"), 105)));
    move(x(), top);
    const int left = WindowPixels(StoredNumber(GetReg(QStringLiteral("WLEFT"), 105)));
    move(left, y());
    setOuterWidth(WindowPixels(StoredNumber(GetReg(QStringLiteral("WWidth"), 12735))));
    setOuterHeight(WindowPixels(StoredNumber(GetReg(QStringLiteral("WHeight"), 7560))));
}

// The window is still hidden here, so its resize handling runs only when it
// is shown, and a window system answers the corrections it asks for then
// with the size it was shown at. The minimum size that the resize handling
// would restore is therefore applied at once.
void FrmMain::setOuterWidth(int pixels) {
    const int outer = std::max(pixels, TwipsToPixels(MinimumOuterWidth));
    const int frame = frameGeometry().width() - width();
    resize(outer - frame, height());
    m_restoredOuter.setWidth(outer);
}

void FrmMain::setOuterHeight(int pixels) {
    const int outer = std::max(pixels, TwipsToPixels(MinimumOuterHeight));
    const int frame = frameGeometry().height() - height();
    resize(width(), outer - frame);
    m_restoredOuter.setHeight(outer);
}

void FrmMain::finishRestoredSize() {
    // Until the window is shown its frame is unknown, so the restored outer
    // size went to the inside of the window; once the frame is there, the
    // inside is made smaller by it, so that what is stored at the next
    // closing is what was restored and the window does not grow run by run.
    if (!m_restoredOuter.isValid() || !isVisible()) {
        return;
    }
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() == 0 && frame.height() == 0) {
        return;
    }
    const QSize inner = m_restoredOuter - frame;
    m_restoredOuter = QSize();
    if (windowState() == Qt::WindowNoState) {
        resize(inner.expandedTo(QSize(0, 0)));
    }
}

void FrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    finishRestoredSize();
}

void FrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    finishRestoredSize();
}

QString FrmMain::installationDriveRoot() const {
    const QString root = m_Drive1->DriveRoot(m_applicationFolder);
    return root.isEmpty() ? QDir::rootPath() : root;
}

void FrmMain::Form_Unload() {
    m_unloaded = true;
    m_restoredOuter = QSize();
    closeOtherWindows();
    // The rectangle as the window reports it, whatever its state.
    const QRect frame = frameGeometry();
    SetReg(QStringLiteral("WTOP"), PixelsToTwips(frame.top()));
    SetReg(QStringLiteral("WLEFT"), PixelsToTwips(frame.left()));
    SetReg(QStringLiteral("WWidth"), PixelsToTwips(frame.width()));
    SetReg(QStringLiteral("WHeight"), PixelsToTwips(frame.height()));
    SetReg(QStringLiteral("DefPath"), QDir::toNativeSeparators(m_Dir1->Path()));
    m_help.closeAll();
}

void FrmMain::closeOtherWindows() {
    // The windows the main window owns, newest first (its children are listed
    // in the order they were made, a raised one moving to the end), then any
    // window without an owner. Help windows close last, all together.
    const auto closes = [this](const QWidget* w) {
        return w != this && w->isWindow() && !m_help.isHelpWindow(w) &&
               (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
    };
    QList<QPointer<QWidget>> windows;
    const QObjectList& owned = children();
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

QString FrmMain::GetReg(const QString& key, const QVariant& defaultValue) {
    return common::GetReg(key, defaultValue);
}

void FrmMain::SetReg(const QString& key, const QVariant& value) { common::SetReg(key, value); }

void FrmMain::closeEvent(QCloseEvent* event) {
    // A run lets pending events through while it shows each photo; the window
    // must outlive the run that is working in it.
    if (m_runInProgress) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        Form_Unload();
    }
    event->accept();
}

// ---------------------------------------------------------------------------
// Layout

float FrmMain::clientWidthTwips() const { return PixelsToTwips(m_client->width()); }

float FrmMain::clientHeightTwips() const { return PixelsToTwips(m_client->height()); }

float FrmMain::outerWidthTwips() const { return PixelsToTwips(frameGeometry().width()); }

float FrmMain::outerHeightTwips() const { return PixelsToTwips(frameGeometry().height()); }

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
    if (watched == m_client && event->type() == QEvent::Resize) {
        alignBars();
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::alignBars() {
    const int width = m_client->width();
    const int toolbarHeight = TwipsToPixels(ToolbarHeight);
    const int statusHeight = TwipsToPixels(StatusBarHeight);
    m_Toolbar->setGeometry(0, 0, width, toolbarHeight);
    m_stb->setGeometry(0, m_client->height() - statusHeight, width, statusHeight);
    // Room is left at the right for the size grip.
    m_stbPanel1->setGeometry(0, 0, std::max(0, width - statusHeight), statusHeight);
}

void FrmMain::Form_Resize() {
    ResizeAction action = DecideResize(isMinimized(), outerWidthTwips(), outerHeightTwips());
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
            resize(width(), TwipsToPixels(MinimumOuterHeight) - frameHeight);
            return;
        case ResizeAction::SetWidth:
            m_correctedFrom = size();
            resize(TwipsToPixels(MinimumOuterWidth) - frameWidth, height());
            return;
        case ResizeAction::Layout:
            m_correctedFrom = QSize();
            alignBars();
            applyLayout(
                ComputeMainLayout(clientWidthTwips(), clientHeightTwips(), [this](float requested) {
                    SetHeight(m_File1, requested);
                    return PixelsToTwips(m_File1->height());
                }));
            showReadout();
            break;
        case ResizeAction::EnableOnly:
            break;
    }
    updateActions();
}

void FrmMain::applyLayout(const MainLayout& l) {
    SetWidth(m_Frame2, l.frame2Width);
    SetHeight(m_Frame2, l.frame2Height);
    SetHeight(m_FraSet, l.fraSetHeight);
    SetLeft(m_FraSet, l.fraSetLeft);
    SetLeft(m_File1, l.file1Left);
    // The file list's height was set while the layout was computed.
    SetHeight(m_txt_Exif_Info, l.txtExifInfoHeight);
    SetLeft(m_txt_Exif_Info, l.infoColumnLeft);
    SetLeft(m_lbl_File_Info, l.infoColumnLeft);
    SetLeft(m_lbl_Back_Image[0], l.infoColumnLeft);
    SetWidth(m_Drive1, l.leftColumnWidth);
    SetWidth(m_Dir1, l.leftColumnWidth);
    SetWidth(m_PicBack, l.leftColumnWidth);
    SetHeight(m_PicBack, l.picBackHeight);
    // Hidden until the readout fits it into the new box.
    m_Image2->hide();
    SetWidth(m_frm_MainBack, l.mainBackWidth);
    SetHeight(m_frm_MainBack, l.mainBackHeight);
}

// ---------------------------------------------------------------------------
// Photo information readout

void FrmMain::File1_Click() {
    const QString name = m_File1->FileName();
    QString folderPath = m_File1->Path();
    if (!folderPath.endsWith(QLatin1Char('/'))) {
        folderPath += QLatin1Char('/');
    }
    if (!name.isEmpty() && !QFileInfo(folderPath + name).isFile()) {
        m_boxes.show("フォルダ内の情報が変更された可能性が有る為、最新の情報へ更新します。",
                     MsgButtons::Ok, MsgIcon::Information, AppTitle);
        m_File1->Refresh();
        return;
    }

    setInformation(QString());
    if (name.isEmpty()) {
        return;
    }
    const int current = m_File1->ListIndex();
    const int others = m_File1->SelectedCount() - (m_File1->Selected(current) ? 1 : 0);
    if (others > 0) {
        // Nothing is shown for several photos at once.
        if (m_Image2->hasPicture()) {
            m_Image2->clearPicture();
            m_Image2->setToolTip(QString());
        }
        return;
    }

    const std::string enginePath = Encoded(folderPath);
    const std::string engineName = Encoded(name);
    const std::int32_t status = ReadPhotoInfo(enginePath, engineName, m_photoInfo);
    m_lbl_ExifDate->setText(QString::fromLatin1(m_photoInfo.DateTimeOriginal.data(),
                                                qsizetype(m_photoInfo.DateTimeOriginal.size())));
    m_lbl_FileDate->setText(QString::fromStdString(m_photoInfo.FileDateText));

    const QString fullPath = folderPath + name;
    if (status == 0) {
        tovrin::FitThumbnail(*m_Image2, *m_PicBack, fullPath);
        QCoreApplication::processEvents();
        setInformation(NoDateInformationText);
        return;
    }
    const LocalDateTime lastWrite = LastWriteTime(enginePath + engineName);
    setInformation(InformationText(m_photoInfo, lastWrite));
    tovrin::FitThumbnail(*m_Image2, *m_PicBack, fullPath);
    QCoreApplication::processEvents();
}

void FrmMain::showReadout() {
    try {
        File1_Click();
    } catch (const RuntimeError& e) {
        reportReadoutError(e.number(), e.description());
    } catch (const std::bad_alloc&) {
        reportReadoutError(7, "メモリが不足しています。");
    } catch (const std::exception&) {
        reportReadoutError(error::InvalidCall, ErrorDescription(error::InvalidCall));
    }
}

void FrmMain::reportReadoutError(int number, const std::string& description) {
    // Cleared before the box shows, so the window never pairs the failed
    // photo's name with another photo's information.
    setInformation(QString());
    m_Image2->clearPicture();
    m_Image2->hide();
    m_boxes.show("実行時エラー:" + std::to_string(number) + ":" + description + ":", MsgButtons::Ok,
                 MsgIcon::Exclamation, AppTitle);
}

void FrmMain::readoutFromList() {
    if (!m_deferReadoutErrors) {
        showReadout();
        return;
    }
    try {
        File1_Click();
    } catch (...) {
        if (!m_deferredReadoutError) {
            m_deferredReadoutError = std::current_exception();
        }
    }
}

template <typename Select>
void FrmMain::selectPropagatingReadoutErrors(Select select) {
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

void FrmMain::setInformation(const QString& crlfText) {
    m_txt_Exif_Info->setPlainText(ToDisplayLines(crlfText));
}

QString FrmMain::exifInfoText() const { return FromDisplayLines(m_txt_Exif_Info->toPlainText()); }

void FrmMain::openViewer() { m_browser->File1_DblClick(); }

// ---------------------------------------------------------------------------
// Commands

void FrmMain::Toolbar_ButtonClick(const QString& key) {
    if (key == KeyUp) {
        m_browser->Dir1_KeyPress(keys::Backspace);
    } else if (key == KeyPhotoBig) {
        openViewer();
    } else if (key == KeyHelp) {
        mnuHelpHelp_Click();
    } else if (key == KeyClose) {
        close();
    }
}

void FrmMain::mnuHelpHelp_Click() {
    m_help.open(m_applicationFolder + QStringLiteral("/Tovrin.html"));
}

void FrmMain::Image2_MouseMove() {
    m_Image2->setToolTip(m_txt_Exif_Info->toPlainText().isEmpty()
                             ? QString()
                             : QStringLiteral("ダブルクリックで写真表示"));
}

// The interlocks read each box as it is when the mouse button comes up; the
// boxes they set in code run no interlock of their own.
void FrmMain::ChkIkkatu_MouseUp() {
    if (m_ChkIkkatu->isChecked()) {
        m_ChkHoji->setChecked(true);
        m_DTPTime->setEnabled(false);
    }
}

void FrmMain::ChkHoji_MouseUp() { m_DTPTime->setEnabled(!m_ChkHoji->isChecked()); }

void FrmMain::ChkUme_MouseUp() {
    if (m_ChkUme->isChecked()) {
        m_ChkIkkatu->setChecked(true);
        m_ChkHoji->setChecked(true);
        m_DTPTime->setEnabled(false);
        m_DTPumeDate->setEnabled(true);
    } else {
        m_DTPumeDate->setEnabled(false);
    }
}

// ---------------------------------------------------------------------------
// The date-setting run

void FrmMain::CmdExe_Click() {
    // The run lets pending events through; a second click meanwhile must not
    // start a run inside the run.
    if (m_runInProgress) {
        return;
    }
    m_runInProgress = true;
    m_run.CmdExe_Click();
    m_runInProgress = false;
    m_lbl_FileTime->setText(QString::fromStdString(m_run.lbl_FileTime()));
}

std::string FrmMain::folder() const { return Encoded(m_File1->Path()); }

int FrmMain::fileCount() const { return m_File1->ListCount(); }

std::string FrmMain::fileName(int index) const { return Encoded(m_File1->List(index)); }

bool FrmMain::isSelected(int index) const { return m_File1->Selected(index); }

void FrmMain::selectInCode(int index) {
    selectPropagatingReadoutErrors([this, index] { m_File1->setSelected(index, true); });
}

void FrmMain::reloadFileList() {
    selectPropagatingReadoutErrors([this] { m_File1->Refresh(); });
}

void FrmMain::selectFirstEntry() {
    selectPropagatingReadoutErrors([this] {
        if (m_File1->ListCount() > 0) {
            m_File1->setListIndex(0);
        }
    });
}

DateChoice FrmMain::dateChoice() const {
    DateChoice choice;
    choice.date = FromQDate(m_DTPDate->date());
    const QTime t = m_DTPTime->time();
    choice.time = TimeOfDay{t.hour(), t.minute(), t.second()};
    choice.keepTime = m_ChkHoji->isChecked();
    choice.filterOn = m_ChkUme->isChecked();
    choice.filterDate = FromQDate(m_DTPumeDate->date());
    return choice;
}

bool FrmMain::ChkIkkatu() const { return m_ChkIkkatu->isChecked(); }

void FrmMain::setExifInfoText(const std::string& text) {
    setInformation(QString::fromStdString(text));
}

void FrmMain::clearThumbnail() { m_Image2->clearPicture(); }

void FrmMain::FitThumbnail(const std::string& fullPath) {
    tovrin::FitThumbnail(*m_Image2, *m_PicBack, Decoded(fullPath));
}

std::string FrmMain::applicationFolder() const { return Encoded(m_applicationFolder); }

}  // namespace tovrin
