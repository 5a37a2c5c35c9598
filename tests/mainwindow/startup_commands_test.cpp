#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include "desktop_screen.h"
#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "fonts.h"
#include "frm_main.h"
#include "main_layout.h"
#include "picture_box.h"
#include "scripted_boxes.h"
#include "settings_store.h"

namespace tovrin {

using test::ScriptedBoxes;

namespace {

const QString DriveGoneStart = QStringLiteral("前回､「");
const QString DriveGoneEnd = QStringLiteral(
    "」で終了しましたがドライブが存在しないか参照不可となっている為、\r\n"
    "インストールドライブを初期値として開きます。");

bool WritePhoto(const QString& path) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor(40, 120, 200));
    return picture.save(path, "JPEG");
}

bool WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// A data row of two texts.
void Row(const char* name, const char* first, const char* second) {
    QTest::newRow(name) << QString::fromUtf8(first) << QString::fromUtf8(second);
}

QString Stored(const char* key) {
    return common::GetReg(QString::fromLatin1(key), QStringLiteral("<absent>"));
}

}  // namespace

// Start-up, shutdown and the commands of the main window, on a settings store
// of its own and an installation folder in a temporary folder.
class StartupCommandsTest : public QObject {
    Q_OBJECT

private:
    template <typename T>
    T* control(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    FolderList* dir1() const { return control<FolderList>("Dir1"); }
    DriveList* drive1() const { return control<DriveList>("Drive1"); }
    QCheckBox* box(const QString& name) const {
        return m_window->findChild<QCheckBox*>(QStringLiteral("Chk") + name);
    }

    void makeWindow() {
        m_window = std::make_unique<FrmMain>(m_boxes, m_appFolder->path());
        m_window->setInstanceCheck([this] { return m_secondInstance; });
    }

    // A window as the program starts it.
    void start() {
        makeWindow();
        QVERIFY(m_window->Form_Load());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    QString installRoot() const { return drive1()->DriveRoot(m_appFolder->path()); }
    QString photos(const QString& sub = QString()) const {
        return sub.isEmpty() ? m_photos->path() : m_photos->filePath(sub);
    }

    // Exactly one box was shown: this text and icon, OK, titled "Tovrin".
    void checkOneBox(const QString& text, MsgIcon icon) const {
        QCOMPARE(m_boxes.shown.size(), std::size_t(1));
        const test::ShownBox& shown = m_boxes.shown.front();
        QCOMPARE(QString::fromStdString(shown.text), text);
        QCOMPARE(shown.icon, icon);
        QCOMPARE(shown.buttons, MsgButtons::Ok);
        QCOMPARE(shown.title, std::string("Tovrin"));
    }

    // Closes each modal window that opens meanwhile, noting its caption.
    void closeModals() {
        m_closer = std::make_unique<QTimer>();
        m_closer->setInterval(5);
        connect(m_closer.get(), &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                m_modals << modal->windowTitle();
                modal->close();
            }
        });
        m_closer->start();
    }

    ScriptedBoxes m_boxes;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_appFolder;
    std::unique_ptr<QTemporaryDir> m_photos;
    std::unique_ptr<FrmMain> m_window;
    std::unique_ptr<QTimer> m_closer;
    QStringList m_modals;
    bool m_secondInstance = false;

private slots:
    void initTestCase() {
        QApplication::setApplicationName(QStringLiteral("Tovrin"));
        QApplication::setApplicationVersion(QStringLiteral("1.0.2"));
        RegisterFontSubstitutions();
    }

    void init() {
        m_boxes.clear();
        m_modals.clear();
        m_secondInstance = false;
        m_config = std::make_unique<QTemporaryDir>();
        m_appFolder = std::make_unique<QTemporaryDir>();
        m_photos = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid() && m_appFolder->isValid() && m_photos->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config->path());
        QVERIFY(QDir(photos()).mkdir(QStringLiteral("sub")));
        QVERIFY(WritePhoto(photos(QStringLiteral("sub/a.jpg"))));
        QVERIFY(WritePhoto(photos(QStringLiteral("sub/b.jpg"))));
    }

    void cleanup() {
        m_closer.reset();
        m_window.reset();
        QCOMPARE(m_boxes.unexpected, 0);
        QCOMPARE(m_boxes.unanswered(), std::size_t(0));
        const QWidgetList left = QApplication::topLevelWidgets();
        QVERIFY(
            std::none_of(left.cbegin(), left.cend(), [](QWidget* w) { return w->isVisible(); }));
    }

    // -- Start-up ----------------------------------------------------------------

    void firstRun() {
        makeWindow();
        m_window->setClock([] { return LocalDateTime{2035, 1, 2, 23, 59, 58}; });
        QVERIFY(m_window->Form_Load());
        m_window->show();
        QVERIFY(m_boxes.shown.empty());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tovrin 1.0.2"));
        // 105, 105 twips, 12735 x 7560 twips, outside measure.
        QTRY_COMPARE(m_window->frameGeometry(), QRect(7, 7, 849, 504));
        QCOMPARE(dir1()->Path(), installRoot());
        QCOMPARE(control<FileList>("File1")->Path(), installRoot());
        // The full date of the moment, whatever a two-digit year would make of it.
        QCOMPARE(control<QDateEdit>("DTPDate")->date(), QDate(2035, 1, 2));
        QCOMPARE(control<QTimeEdit>("DTPTime")->time(), QTime(23, 59, 58));
        QCOMPARE(control<QDateEdit>("DTPumeDate")->date(), QDate(2035, 1, 2));
        // The run button's face is the custom button's: its own caption is gone.
        QCOMPARE(control<QPushButton>("CmdExe")->text(), QString());
    }

    void rememberedFolder_data() {
        QTest::addColumn<QString>("defPath");  // "@" is the photo folder
        QTest::addColumn<bool>("message");
        QTest::addColumn<QString>("folder");  // "@", or "root" for the installation drive
        QTest::addColumn<QString>("drive");   // "@", "root" or "first" (the list's first drive)
        const auto row = [](const char* name, const char* defPath, bool message, const char* folder,
                            const char* drive) {
            QTest::newRow(name) << QString::fromLatin1(defPath) << message
                                << QString::fromLatin1(folder) << QString::fromLatin1(drive);
        };
        row("present", "@/sub", false, "@/sub", "@");
        row("deleted", "@/gone", false, "root", "first");
        row("removed card", "/media/tovrin-test-gone/DCIM", true, "root", "root");
        row("unreadable", "@/loop/DCIM", true, "root", "root");
    }

    void rememberedFolder() {
        QFETCH(QString, defPath);
        QFETCH(bool, message);
        QFETCH(QString, folder);
        QFETCH(QString, drive);
        QVERIFY(QFile::link(photos(QStringLiteral("loop")), photos(QStringLiteral("loop"))));
        defPath.replace(QLatin1Char('@'), photos());
        common::SetReg(QStringLiteral("DefPath"), defPath);

        makeWindow();
        const QString firstDrive = drive1()->Drive();
        if (message) {
            m_boxes.answer(MsgAnswer::Ok);
        }
        QVERIFY(m_window->Form_Load());

        if (message) {
            checkOneBox(DriveGoneStart + defPath + DriveGoneEnd, MsgIcon::Exclamation);
        } else {
            QVERIFY(m_boxes.shown.empty());
        }
        const auto expected = [&](const QString& what) {
            if (what == QLatin1String("root")) return installRoot();
            if (what == QLatin1String("first")) return firstDrive;
            if (what == QLatin1String("@")) return drive1()->DriveRoot(photos());
            return QString(what).replace(QLatin1Char('@'), photos());
        };
        QCOMPARE(dir1()->Path(), expected(folder));
        QCOMPARE(drive1()->Drive(), expected(drive));
        QCOMPARE(control<FileList>("File1")->Path(), expected(folder));
        if (folder == QLatin1String("@/sub")) {
            // Its first photo is shown.
            QCOMPARE(control<FileList>("File1")->FileName(), QStringLiteral("a.jpg"));
            QVERIFY(!m_window->exifInfoText().isEmpty());
            QVERIFY(control<PictureBox>("Image2")->hasPicture());
        }
        // The start-up went on to the end.
        QCOMPARE(control<QPushButton>("CmdExe")->text(), QString());
    }

    void storedValueThatIsNoNumber_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("top");  // the top applied before the failure, pixels
        const auto row = [](const char* key, const char* text, const char* message, int top) {
            QTest::newRow(key) << QString::fromLatin1(key) << QString::fromLatin1(text)
                               << QString::fromLatin1(message) << top;
        };
        row("WTOP", "abc", "13", -1);
        row("WLEFT", "", "13", 100);
        row("WWidth", "1e30", "6", 100);
        row("WHeight", "7560twips", "13", 100);
    }

    void storedValueThatIsNoNumber() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, top);
        common::SetReg(QStringLiteral("WTOP"), 1500);
        common::SetReg(QStringLiteral("DefPath"), photos(QStringLiteral("sub")));
        common::SetReg(key, text);
        m_boxes.answer(MsgAnswer::Ok);
        start();
        checkOneBox(message, MsgIcon::Exclamation);
        // The window shows as far as it was prepared: caption and pickers, but
        // not the remembered folder nor the run button's custom face.
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tovrin 1.0.2"));
        QVERIFY(dir1()->Path() != photos(QStringLiteral("sub")));
        QCOMPARE(control<QPushButton>("CmdExe")->text(), QStringLiteral(" 埋込日付設定実行"));
        if (top >= 0) {
            QTRY_COMPARE(m_window->frameGeometry().top(), top);
        }
    }

    void secondInstance() {
        common::SetReg(QStringLiteral("DefPath"), photos(QStringLiteral("sub")));
        common::SetReg(QStringLiteral("WTOP"), 1500);
        m_secondInstance = true;
        makeWindow();
        m_boxes.answer(MsgAnswer::Ok);
        QVERIFY(!m_window->Form_Load());
        checkOneBox(QStringLiteral("すでに起動しています。"), MsgIcon::Information);
        QVERIFY(!m_window->isVisible());
        // Its closing stored its own rectangle, never restored, and the folder
        // its list started on, the working folder.
        const QRect frame = m_window->frameGeometry();
        QCOMPARE(Stored("WTOP"), QString::number(frame.top() * 15));
        QCOMPARE(Stored("WWidth"), QStringLiteral("12735"));
        QCOMPARE(Stored("WHeight"), QStringLiteral("7560"));
        QCOMPARE(Stored("DefPath"), QDir::toNativeSeparators(QDir::currentPath()));
    }

    // -- Shutdown --------------------------------------------------------------------

    void rectangleRoundTrip_data() {
        QTest::addColumn<QRect>("stored");  // twips: left, top, width, height
        QTest::addColumn<QString>("state");
        QTest::newRow("as restored") << QRect(3000, 1500, 15000, 9000) << "normal";
        QTest::newRow("below the minimum") << QRect(150, 150, 9000, 3000) << "normal";
        QTest::newRow("maximized") << QRect(3000, 1500, 15000, 9000) << "maximized";
    }

    void rectangleRoundTrip() {
        QFETCH(QRect, stored);
        QFETCH(QString, state);
        common::SetReg(QStringLiteral("WLEFT"), stored.x());
        common::SetReg(QStringLiteral("WTOP"), stored.y());
        common::SetReg(QStringLiteral("WWidth"), stored.width());
        common::SetReg(QStringLiteral("WHeight"), stored.height());
        common::SetReg(QStringLiteral("DefPath"), photos(QStringLiteral("sub")));
        start();
        const QRect expected(stored.x() / 15, stored.y() / 15,
                             std::max(stored.width() / 15, TwipsToPixels(MinimumOuterWidth)),
                             std::max(stored.height() / 15, TwipsToPixels(MinimumOuterHeight)));
        QTRY_COMPARE(m_window->frameGeometry(), expected);
        if (state == QLatin1String("maximized")) {
            m_window->showMaximized();
            QTRY_VERIFY(m_window->frameGeometry().width() > expected.width());
        }
        dir1()->setPath(photos());
        const QRect reported = m_window->frameGeometry();
        QVERIFY(m_window->close());

        // What the window reported, in twips, and the folder list's folder.
        QCOMPARE(Stored("WLEFT"), QString::number(reported.x() * 15));
        QCOMPARE(Stored("WTOP"), QString::number(reported.y() * 15));
        QCOMPARE(Stored("WWidth"), QString::number(reported.width() * 15));
        QCOMPARE(Stored("WHeight"), QString::number(reported.height() * 15));
        QCOMPARE(Stored("DefPath"), photos());

        // The next start applies it as it is, and the window does not grow.
        m_window.reset();
        start();
        QTRY_COMPARE(m_window->frameGeometry(), reported);
        QVERIFY(!m_window->isMaximized());
        QCOMPARE(dir1()->Path(), photos());
    }

    void shutdownClosesOtherWindowsNewestFirst() {
        start();
        QStringList closed;
        struct Recorder : QObject {
            QStringList* closed;
            bool eventFilter(QObject* watched, QEvent* e) override {
                if (e->type() == QEvent::Close) *closed << watched->objectName();
                return false;
            }
        } recorder;
        recorder.closed = &closed;
        QDialog older(m_window.get());
        QDialog newer(m_window.get());
        QDialog unowned;
        older.setObjectName(QStringLiteral("older"));
        newer.setObjectName(QStringLiteral("newer"));
        unowned.setObjectName(QStringLiteral("unowned"));
        newer.show();  // shown or hidden, each one closes
        for (QDialog* d : {&older, &newer, &unowned}) d->installEventFilter(&recorder);
        m_window->installEventFilter(&recorder);
        QVERIFY(m_window->close());
        QCOMPARE(closed, (QStringList{"FrmMain", "newer", "older", "unowned"}));
        QVERIFY(!newer.isVisible());
    }

    // -- Option interlocks -------------------------------------------------------------

    void interlocks_data() {
        // Steps: L/R/M a mouse click with the left, right or middle button,
        // O a left press released outside the box, K the space bar, + a check
        // in code. State: Ikkatu, Hoji, Ume checked; DTPTime and
        // DTPumeDate enabled.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state");
        Row("start", "", "000 10");
        Row("check ikkatu", "L Ikkatu", "110 00");
        Row("uncheck ikkatu", "L Ikkatu, L Ikkatu", "010 00");
        Row("then uncheck hoji", "L Ikkatu, L Ikkatu, L Hoji", "000 10");
        Row("check ume", "L Ume", "111 01");
        Row("uncheck ume", "L Ume, L Ume", "110 00");
        Row("uncheck hoji under ume", "L Ume, L Hoji", "101 11");
        Row("space on ikkatu", "K Ikkatu", "100 10");
        Row("space on hoji", "K Hoji", "010 10");
        Row("space on ume", "K Ume", "001 10");
        Row("right over checked ikkatu", "L Ikkatu, L Hoji, R Ikkatu", "110 00");
        Row("middle over unchecked ikkatu", "M Ikkatu", "000 10");
        Row("right over hoji checked in code", "+ Hoji, R Hoji", "010 00");
        Row("right over ume checked by key", "K Ume, R Ume", "111 01");
        Row("code runs nothing", "+ Ume, + Ikkatu", "101 10");
        Row("released outside", "O Ikkatu", "000 10");
    }

    void interlocks() {
        QFETCH(QString, steps);
        QFETCH(QString, state);
        start();
        for (const QString& step : steps.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
            QCheckBox* target = box(step.mid(2));
            QVERIFY2(target, qPrintable(step));
            // On the box's indicator.
            const QPoint on(8, target->height() / 2);
            const char how = step.at(0).toLatin1();
            if (how == 'K') {
                QTest::keyClick(target, Qt::Key_Space);
            } else if (how == '+') {
                target->setChecked(true);
            } else if (how == 'O') {
                QTest::mousePress(target, Qt::LeftButton, {}, on);
                QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(-20, -20));
            } else {
                const Qt::MouseButton button = how == 'L'   ? Qt::LeftButton
                                               : how == 'R' ? Qt::RightButton
                                                            : Qt::MiddleButton;
                QTest::mouseClick(target, button, {}, on);
            }
        }
        const auto bit = [](bool on) { return on ? QLatin1Char('1') : QLatin1Char('0'); };
        const QString actual = QString() + bit(box("Ikkatu")->isChecked()) +
                               bit(box("Hoji")->isChecked()) + bit(box("Ume")->isChecked()) +
                               QLatin1Char(' ') + bit(control<QWidget>("DTPTime")->isEnabled()) +
                               bit(control<QWidget>("DTPumeDate")->isEnabled());
        QCOMPARE(actual, state);
    }

    // -- Menus and toolbar -----------------------------------------------------------------

    void commands_data() {
        // How the command is given: "button KEY" clicks the toolbar button,
        // "key KEY" dispatches a key by hand, "menu NAME" triggers the item.
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("outcome");
        Row("up", "button UP", "folder up");
        Row("preview", "button PhotoBig", "modal a.jpg");
        Row("help", "button Help", "help");
        Row("close", "button Close", "closed");
        Row("key in lower case", "key up", "");
        Row("caption instead of key", "key 終了", "");
        Row("empty key", "key ", "");
        Row("menu exit", "menu mnuEnd", "closed");
        Row("menu preview", "menu mnuPhotoBig", "modal a.jpg");
        Row("menu help", "menu mnuHelpHelp", "help");
        Row("menu about", "menu mnuAbout", "modal Tovrinのﾊﾞｰｼﾞｮﾝ情報");
    }

    void commands() {
        QFETCH(QString, command);
        QFETCH(QString, outcome);
        QVERIFY(
            WriteText(m_appFolder->filePath(QStringLiteral("Tovrin.html")),
                      "<html><head><title>Tovrin ヘルプ</title></head><body>help</body></html>"));
        common::SetReg(QStringLiteral("DefPath"), photos(QStringLiteral("sub")));
        start();
        QVERIFY(control<PictureBox>("Image2")->hasPicture());
        closeModals();

        const QString how = command.section(QLatin1Char(' '), 0, 0);
        const QString what = command.section(QLatin1Char(' '), 1);
        if (how == QLatin1String("button")) {
            QToolBar* toolbar = control<QToolBar>("Toolbar");
            QAction* action = toolbar->findChild<QAction*>(what);
            QVERIFY(action);
            QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
        } else if (how == QLatin1String("key")) {
            m_window->Toolbar_ButtonClick(what);
        } else {
            control<QAction>(what.toLatin1().constData())->trigger();
        }

        QStringList seen;
        if (dir1()->Path() == photos()) seen << QStringLiteral("folder up");
        for (const QString& caption : std::as_const(m_modals)) seen << "modal " + caption;
        if (!m_window->helpWindows().windows().isEmpty()) seen << QStringLiteral("help");
        if (!m_window->isVisible()) seen << QStringLiteral("closed");
        QCOMPARE(seen.join(QStringLiteral(", ")), outcome);
        if (outcome == QLatin1String("closed")) {
            // Closing ran the shutdown.
            QCOMPARE(Stored("DefPath"), photos(QStringLiteral("sub")));
        }
        QVERIFY(m_boxes.shown.empty());
    }

    // -- Help ----------------------------------------------------------------------------------

    void helpWindowBesideTheMainWindow() {
        start();
        // No page: nothing opens and nothing is said.
        control<QAction>("mnuHelpHelp")->trigger();
        QVERIFY(m_window->findChildren<QTextBrowser*>().isEmpty());
        QVERIFY(m_boxes.shown.empty());

        QVERIFY(QFile::copy(QStringLiteral(TOVRIN_HELP_PAGE),
                            m_appFolder->filePath(QStringLiteral("Tovrin.html"))));
        m_window->mnuHelpHelp_Click();
        m_window->mnuHelpHelp_Click();
        // Asked for again, the page comes to the front in the same window.
        const QList<QTextBrowser*> help = m_window->helpWindows().windows();
        QCOMPARE(help.size(), 1);
        QTextBrowser* page = help.front();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        QCOMPARE(page->windowTitle(), QStringLiteral("Tovrin ヘルプ"));
        QVERIFY(page->toPlainText().contains(QStringLiteral("埋込日付")));
        // Not modal, owned by the main window, beside it.
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(page->parentWidget(), m_window.get());
        QVERIFY(!page->geometry().intersects(m_window->frameGeometry()));

        QVERIFY(QDir().mkpath(QStringLiteral(TOVRIN_SCREENSHOT_DIR)));
        QVERIFY(page->grab().save(QStringLiteral(TOVRIN_SCREENSHOT_DIR "/help.png")));

        // The shutdown closes it.
        const QPointer<QTextBrowser> watched(page);
        QVERIFY(m_window->close());
        QTRY_VERIFY(!watched);
    }

    // -- Thumbnail ---------------------------------------------------------------------------

    void thumbnailTooltipFollowsTheInformation() {
        common::SetReg(QStringLiteral("DefPath"), photos(QStringLiteral("sub")));
        start();
        auto* image = control<PictureBox>("Image2");
        auto* list = control<FileList>("File1");
        QTRY_VERIFY(image->isVisible());
        image->setToolTip(QString());
        QTest::mouseMove(image, QPoint(5, 5));
        QTRY_COMPARE(image->toolTip(), QStringLiteral("ダブルクリックで写真表示"));

        // Two photos selected: no information, so no tooltip.
        list->setSelected(1, true);
        QCOMPARE(m_window->exifInfoText(), QString());
        image->setToolTip(QStringLiteral("stale"));
        QTest::mouseMove(image, QPoint(7, 7));
        QTRY_COMPARE(image->toolTip(), QString());
    }
};

}  // namespace tovrin

int main(int argc, char* argv[]) {
    const tovrin::test::DesktopScreen screen;
    QApplication app(argc, argv);
    tovrin::StartupCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_commands_test.moc"
