#include "mainwindow/main_controls.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include <QAction>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QFrame>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTextCharFormat>
#include <QTimeEdit>
#include <QToolBar>

#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_list.h"
#include "button/run_button_icon.h"
#include "mainwindow/artwork.h"
#include "mainwindow/main_layout.h"
#include "photo/picture_box.h"
#include "ui/fonts.h"
#include "ui/twips.h"

namespace tovrin {

namespace {

struct DesignRect {
    std::string_view name;
    TwipsRect rect;
};

// Every control's design rectangle (left, top, width, height in twips,
// relative to its container), by object name. Only the controls that follow
// the window are moved later, by the layout.
constexpr DesignRect DesignRects[] = {
    {"frm_MainBack", {-45, 450, 13900, 6270}},
    {"Frame2", {45, 180, 8880, 5880}},
    {"Drive1", {45, 135, 2895, 300}},
    {"Dir1", {45, 450, 2895, 2820}},
    {"PicBack", {45, 3330, 2895, 2415}},
    {"Image2", {90, 3330, 2895, 2415}},
    {"File1", {2970, 135, 2895, 5610}},
    {"lbl_Back_Image(0)", {5895, 135, 2895, 270}},
    {"lbl_File_Info", {5940, 180, 1545, 240}},
    {"txt_Exif_Info", {5895, 405, 2895, 5340}},
    {"FraSet", {9000, 180, 3705, 5880}},
    {"lbl_Back_Image(1)", {0, 90, 4245, 270}},
    {"Label1", {90, 135, 1230, 195}},
    {"Line1", {0, 360, 3690, 15}},  // a line from (0, 360) to (3690, 360)
    {"lbl_Back", {90, 540, 3510, 480}},
    {"lbl_Settei", {180, 690, 780, 240}},
    {"DTPDate", {990, 615, 1335, 330}},
    {"DTPTime", {2430, 615, 1095, 330}},
    {"ChkIkkatu", {285, 1170, 1935, 375}},
    {"ChkHoji", {270, 1620, 1815, 255}},
    {"ChkUme", {270, 2010, 3270, 375}},
    {"DTPumeDate", {585, 2385, 1455, 330}},
    {"CmdExe", {180, 2880, 3330, 540}},
    {"lbl_ExifDate", {180, 3780, 3255, 240}},
    {"lbl_FileDate", {180, 4050, 3255, 240}},
    {"lbl_FileTime", {270, 4455, 3075, 870}},
};

constexpr TwipsRect RectOf(std::string_view name) {
    for (const DesignRect& entry : DesignRects) {
        if (entry.name == name) {
            return entry.rect;
        }
    }
    return {};
}

constexpr double HeadingFontPoints = 9.75;
// The pickers' fields are narrow for the substitute face's wider digits.
constexpr double PickerFontPoints = 8.0;

const QString DateFormat = QStringLiteral("yyyy/MM/dd");
const QString TimeFormat = QStringLiteral("H:mm:ss");

// A control named `name`, the child of `parent`.
template <typename Control, typename... Args>
Control* Make(QWidget* parent, const char* name, Args&&... args) {
    auto* control = new Control(std::forward<Args>(args)..., parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

QLabel* TransparentLabel(const QString& text, QWidget* parent, const char* name) {
    auto* label = Make<QLabel>(parent, name, text);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    return label;
}

QLabel* HeadingBandLabel(QWidget* parent, const char* name) {
    auto* label = Make<QLabel>(parent, name);
    const TwipsRect rect = RectOf(name);
    label->setPixmap(HeadingBand(TwipsToPixels(rect.width), TwipsToPixels(rect.height)));
    return label;
}

QFrame* PlainFrame(QWidget* parent, const char* name) {
    auto* frame = Make<QFrame>(parent, name);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
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

// A click on a picker's text selects the field under the mouse (year,
// month, day; hours, minutes, seconds), so digits typed next replace that
// field, as in the date pickers users know. Left alone, the click only puts
// the caret inside the field, and a digit typed there makes a number the
// field cannot hold, so nothing happens.
class FieldUnderMouse : public QObject {
public:
    explicit FieldUnderMouse(QDateTimeEdit* picker) : QObject(picker), m_picker(picker) {
        picker->findChild<QLineEdit*>()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            auto* edit = static_cast<QLineEdit*>(watched);
            const int at =
                edit->cursorPositionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            // The fields are runs of digits; the separators before the
            // caret count the fields before it.
            const QString before = edit->text().left(at);
            const auto separators =
                std::count_if(before.cbegin(), before.cend(), [](QChar c) { return !c.isDigit(); });
            const int field = std::min(int(separators), m_picker->sectionCount() - 1);
            const bool handled = QObject::eventFilter(watched, event);
            m_picker->setSelectedSection(m_picker->sectionAt(field));
            return handled;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QDateTimeEdit* m_picker;
};

// The pickers pass Tab on to the next control, as the design's focus order
// wants; their fields are reached with the arrow keys.
// Typing a date as it is written ("2008/10/22", "2008-1-5") must land each
// number in its part: the separator moves to the next part, unless the last
// digit already filled the part and moved on by itself. `lastDigitSection`
// remembers the part the last digit went into. True when the key was taken.
bool PartSeparatorTyped(QDateTimeEdit& edit, const QKeyEvent& event, int& lastDigitSection) {
    const QString text = event.text();
    if (text.size() == 1 && text[0].isDigit()) {
        lastDigitSection = edit.currentSectionIndex();
        return false;
    }
    if (text != QLatin1String("/") && text != QLatin1String("-") && text != QLatin1String(":") &&
        text != QLatin1String("."))
        return false;
    const int section = edit.currentSectionIndex();
    if (section == lastDigitSection && section + 1 < edit.sectionCount()) {
        edit.setCurrentSectionIndex(section + 1);
        edit.setSelectedSection(edit.sectionAt(section + 1));
    }
    lastDigitSection = -1;
    return true;
}

class DatePicker : public QDateEdit {
public:
    explicit DatePicker(QWidget* parent) : QDateEdit(parent) {
        // The drop-down button leaves the text a few pixels short of a full
        // date at the design width; the edit's own side margins give them.
        lineEdit()->setTextMargins(-2, 0, -2, 0);
        setDisplayFormat(DateFormat);
        setCalendarPopup(true);
        setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
        setFont(DesignFont(PickerFontPoints));
        new FieldUnderMouse(this);
        // Saturday blue and Sunday red, as Japanese calendars show them.
        QTextCharFormat saturday = calendarWidget()->weekdayTextFormat(Qt::Saturday);
        saturday.setForeground(QColor(Qt::blue));
        calendarWidget()->setWeekdayTextFormat(Qt::Saturday, saturday);
        QTextCharFormat sunday = calendarWidget()->weekdayTextFormat(Qt::Sunday);
        sunday.setForeground(QColor(Qt::red));
        calendarWidget()->setWeekdayTextFormat(Qt::Sunday, sunday);
    }

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
    void keyPressEvent(QKeyEvent* event) override {
        if (PartSeparatorTyped(*this, *event, m_lastDigitSection)) return;
        QDateEdit::keyPressEvent(event);
    }

private:
    int m_lastDigitSection = -1;
};

class TimePicker : public QTimeEdit {
public:
    explicit TimePicker(QWidget* parent) : QTimeEdit(parent) {
        setDisplayFormat(TimeFormat);
        setFont(DesignFont(PickerFontPoints));
        new FieldUnderMouse(this);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (PartSeparatorTyped(*this, *event, m_lastDigitSection)) return;
        QTimeEdit::keyPressEvent(event);
    }

private:
    int m_lastDigitSection = -1;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

void ComposeBrowsingPanel(MainControls& c, const QPalette& palette) {
    c.Frame2 = PlainFrame(c.frm_MainBack, "Frame2");
    c.Drive1 = Make<DriveList>(c.Frame2, "Drive1");
    c.Dir1 = Make<FolderList>(c.Frame2, "Dir1");

    // The thumbnail box, in the colour of button text, with the picture above it.
    c.PicBack = Make<QLabel>(c.Frame2, "PicBack");
    FillBackground(c.PicBack, palette.color(QPalette::ButtonText));
    c.Image2 = Make<PictureBox>(c.Frame2, "Image2");
    c.Image2->setStretch(true);
    c.Image2->setToolTip(Image2ToolTip);

    c.File1 = Make<FileList>(c.Frame2, "File1");

    c.lbl_Back_Image[0] = HeadingBandLabel(c.Frame2, "lbl_Back_Image(0)");
    c.lbl_File_Info = TransparentLabel(QStringLiteral(" ファイル情報"), c.Frame2, "lbl_File_Info");
    c.lbl_File_Info->setFont(DesignFont(HeadingFontPoints));
    SetTextColor(c.lbl_File_Info, Qt::white);

    c.txt_Exif_Info = Make<QPlainTextEdit>(c.Frame2, "txt_Exif_Info");
    // The information is a readout of the photo; editing it would change nothing.
    c.txt_Exif_Info->setReadOnly(true);
    // The column is narrower than its longest texts (the no-information
    // line, a long model name): they wrap, and the box never scrolls sideways.
    c.txt_Exif_Info->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    c.txt_Exif_Info->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    c.txt_Exif_Info->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void ComposeSettingsPanel(MainControls& c) {
    c.FraSet = PlainFrame(c.frm_MainBack, "FraSet");
    c.lbl_Back_Image[1] = HeadingBandLabel(c.FraSet, "lbl_Back_Image(1)");
    c.Label1 = TransparentLabel(QStringLiteral("埋込日付設定"), c.FraSet, "Label1");
    SetTextColor(c.Label1, Qt::white);

    c.Line1 = Make<QFrame>(c.FraSet, "Line1");
    c.Line1->setFrameShape(QFrame::HLine);
    c.Line1->setFrameShadow(QFrame::Plain);
    c.Line1->setLineWidth(1);

    c.lbl_Back = Make<QLabel>(c.FraSet, "lbl_Back");
    FillBackground(c.lbl_Back, QColor(255, 255, 192));
    c.lbl_Settei = TransparentLabel(QStringLiteral("設定日時"), c.FraSet, "lbl_Settei");

    c.DTPDate = Make<DatePicker>(c.FraSet, "DTPDate");
    c.DTPTime = Make<TimePicker>(c.FraSet, "DTPTime");
    c.ChkIkkatu = Make<OptionBox>(c.FraSet, "ChkIkkatu", QStringLiteral("フォルダ内一括処理"));
    c.ChkHoji = Make<OptionBox>(c.FraSet, "ChkHoji", QStringLiteral("時分秒は保持する"));
    c.ChkUme =
        Make<OptionBox>(c.FraSet, "ChkUme", QStringLiteral("指定した埋込日付の写真全てを対象"));
    c.DTPumeDate = Make<DatePicker>(c.FraSet, "DTPumeDate");
    c.DTPumeDate->setEnabled(false);

    c.CmdExe = Make<QPushButton>(c.FraSet, "CmdExe", QStringLiteral(" 埋込日付設定実行"));
    c.CmdExe->setAutoDefault(false);
    c.CmdExe->setIcon(RunButtonIcon());
    c.CmdExe->setIconSize(QSize(32, 32));

    const auto holder = [&c](const QString& text, const char* name) {
        auto* label = Make<QLabel>(c.FraSet, name, text);
        label->hide();
        return label;
    };
    c.lbl_ExifDate = holder(QStringLiteral("埋込日付"), "lbl_ExifDate");
    c.lbl_FileDate = holder(QStringLiteral("ファイル日付"), "lbl_FileDate");
    c.lbl_FileTime = holder(QStringLiteral("時分秒を保持する為の一時場所"), "lbl_FileTime");
}

void ComposeBars(MainControls& c) {
    c.Toolbar = Make<QToolBar>(c.client, "Toolbar");
    c.Toolbar->setMovable(false);
    c.Toolbar->setFloatable(false);
    c.Toolbar->setIconSize(QSize(16, 16));
    c.Toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    c.Toolbar->setFocusPolicy(Qt::NoFocus);
    // The background frame's top edge runs behind the toolbar; drawn over, it
    // would cut through the captions.
    c.Toolbar->setAutoFillBackground(true);

    c.stb = Make<QStatusBar>(c.client, "stb");
    // The one panel is placed by hand: the bar's own item layout leaves too
    // little of its 16 pixels for a line of text.
    c.stbPanel1 = Make<QLabel>(c.stb, "stbPanel1");
    c.stbPanel1->setFrameShape(QFrame::Panel);
    c.stbPanel1->setFrameShadow(QFrame::Sunken);

    // The bars lie above the background frame, which runs under both.
    c.Toolbar->raise();
    c.stb->raise();
}

void ComposeMenusAndButtons(QMainWindow& window, MainControls& c) {
    const auto item = [](QMenu* menu, const QString& caption, const char* name) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    QMenu* mnuFile = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    c.mnuEnd = item(mnuFile, QStringLiteral("終了(&X)"), "mnuEnd");
    c.mnuPhotoBig = item(mnuFile, QStringLiteral("画像プレビュー(&P)"), "mnuPhotoBig");

    QMenu* mnuEdit = window.menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    c.mnuShift = item(mnuEdit, QStringLiteral("日時をずらす(&S)..."), "mnuShift");
    c.mnuFromName = item(mnuEdit, QStringLiteral("ファイル名から日付を設定(&N)..."), "mnuFromName");
    c.mnuUndo = item(mnuEdit, QStringLiteral("元に戻す(&U)"), "mnuUndo");
    c.mnuUndo->setShortcut(QKeySequence::Undo);
    // A setting of the runs above, not a command: it stays checked until
    // unchecked, across starts too.
    mnuEdit->addSeparator();
    c.mnuExifOnly = item(mnuEdit, QStringLiteral("EXIF の日付だけを書き換える(&X)"), "mnuExifOnly");
    c.mnuExifOnly->setCheckable(true);
    c.mnuRunOptions = item(mnuEdit, QStringLiteral("実行オプション(&O)..."), "mnuRunOptions");

    QMenu* mnuHelp = window.menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    c.mnuHelpHelp = item(mnuHelp, QStringLiteral("ヘルプ(&H)"), "mnuHelpHelp");
    c.mnuHelpHelp->setShortcut(QKeySequence::HelpContents);
    c.mnuAbout = item(mnuHelp, QStringLiteral("バージョン情報(&A)"), "mnuAbout");

    // The toolbar's buttons carry their keys as object names; the caption is
    // the tooltip as well.
    const auto button = [&window, &c](const QString& key, QStyle::StandardPixmap icon,
                                      const QString& caption) {
        QAction* action = c.Toolbar->addAction(window.style()->standardIcon(icon), caption);
        action->setObjectName(key);
        action->setToolTip(caption);
        return action;
    };
    c.tbUp = button(ToolbarKeyUp, QStyle::SP_FileDialogToParent, QStringLiteral("上へ"));
    c.tbPhotoBig = button(ToolbarKeyPhotoBig, QStyle::SP_FileDialogContentsView,
                          QStringLiteral("画像プレビュー"));
    button(ToolbarKeyShift, QStyle::SP_BrowserReload, QStringLiteral("日時をずらす"));
    button(ToolbarKeyHelp, QStyle::SP_DialogHelpButton, QStringLiteral("ヘルプ"));
    button(ToolbarKeyClose, QStyle::SP_DialogCloseButton, QStringLiteral("終了"));
}

void SetFocusOrder(QMainWindow& window, const MainControls& c) {
    QWidget* const order[] = {c.Dir1,      c.File1,   c.DTPDate,      c.DTPTime,
                              c.ChkIkkatu, c.ChkHoji, c.ChkUme,       c.DTPumeDate,
                              c.CmdExe,    c.Drive1,  c.txt_Exif_Info};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        window.setTabOrder(order[i - 1], order[i]);
    }
    c.Dir1->setFocus(Qt::OtherFocusReason);
}

}  // namespace

void OptionBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool over = rect().contains(event->position().toPoint());
    QCheckBox::mouseReleaseEvent(event);
    if (over && m_mouseUp) {
        m_mouseUp();
    }
}

QSize MinimumOuterSize(const QWidget& window) {
    const QSize design(TwipsToPixels(MinimumOuterWidth), TwipsToPixels(MinimumOuterHeight));
    const QScreen* screen = window.screen();
    return screen ? design.boundedTo(screen->availableGeometry().size()) : design;
}

QFont DesignFont(double points, bool bold) {
    QFont font(MsPGothicFamily());
    font.setBold(bold);
    font.setPointSizeF(points);
    return font;
}

MainControls ComposeMainWindow(QMainWindow& window) {
    MainControls c;
    window.setObjectName(QStringLiteral("FrmMain"));
    window.setWindowTitle(QStringLiteral("Tovrin"));
    window.setWindowIcon(ApplicationIcon());
    window.setFont(DesignFont(DesignFacePoints));
    // The client area holds the toolbar and the status bar as well, so the
    // design coordinates of every control count from just below the menu bar.
    c.client = Make<QWidget>(&window, "ClientArea");
    window.setCentralWidget(c.client);

    // Background of both panels; it reaches past the left, right and bottom
    // edges, so only its top border shows, under the toolbar.
    c.frm_MainBack = Make<QFrame>(c.client, "frm_MainBack");
    c.frm_MainBack->setFrameShape(QFrame::Box);
    c.frm_MainBack->setFrameShadow(QFrame::Sunken);

    ComposeBrowsingPanel(c, window.palette());
    ComposeSettingsPanel(c);
    ComposeBars(c);
    ComposeMenusAndButtons(window, c);

    for (const DesignRect& entry : DesignRects) {
        auto* control = c.client->findChild<QWidget*>(
            QLatin1String(entry.name.data(), qsizetype(entry.name.size())));
        const TwipsRect& r = entry.rect;
        control->setGeometry(TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
                             TwipsToPixels(r.height));
    }
    window.resize(TwipsToPixels(MinimumOuterWidth), TwipsToPixels(MinimumOuterHeight));
    SetFocusOrder(window, c);
    return c;
}

}  // namespace tovrin
