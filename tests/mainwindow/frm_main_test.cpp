#include "frm_main.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include "desktop_screen.h"
#include "file_list.h"
#include "folder_list.h"
#include "fonts.h"
#include "local_time.h"
#include "picture_box.h"
#include "reader.h"
#include "run_log.h"
#include "scripted_boxes.h"
#include "test_files.h"

namespace tovrin {

using test::ScriptedBoxes;

namespace {

// Photos of the corpus with full EXIF data that the writer changes; listed in
// the order the file list sorts them.
const QStringList FullPhotos{QStringLiteral("11-tests.jpg"), QStringLiteral("Canon IXUS.jpg"),
                             QStringLiteral("DSCN0010.jpg")};

// A fixed file time, so the readout's file-date line is known.
const QDateTime KnownFileTime(QDate(2010, 2, 3), QTime(4, 5, 6));

QString CorpusPhotos() { return QString::fromStdString(test::CorpusPhotos()); }

QJsonObject ManifestEntry(const QString& name) {
    QFile file(QString::fromStdString(test::CorpusDir()) + QStringLiteral("/manifest.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll())
        .object()
        .value(QStringLiteral("files"))
        .toObject()
        .value(name)
        .toObject()
        .value(QStringLiteral("expected"))
        .toObject();
}

QStringList Lines(const QString& crlfText) { return crlfText.split(QStringLiteral("\r\n")); }

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int PixelsOf(float twips) { return TwipsToPixels(twips); }

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private:
    template <typename T>
    T* control(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    FileList* file1() const { return control<FileList>("File1"); }
    PictureBox* image2() const { return control<PictureBox>("Image2"); }
    QPlainTextEdit* txt() const { return control<QPlainTextEdit>("txt_Exif_Info"); }

    // A window as the program builds it, its lists on `folder`.
    void openWindow(const QString& folder = QString()) {
        m_window = std::make_unique<FrmMain>(m_boxes, m_appFolder->path());
        QVERIFY(m_window->Form_Load());
        if (!folder.isEmpty()) {
            control<FolderList>("Dir1")->setPath(folder);
            QCOMPARE(file1()->Path(), QDir::cleanPath(folder));
        }
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // Copies corpus photos into the photo folder with a known file time.
    bool copyPhotos(const QStringList& names) {
        for (const QString& name : names) {
            const QString target = m_photos->filePath(name);
            if (!QFile::copy(CorpusPhotos() + name, target)) {
                return false;
            }
            QFile file(target);
            if (!file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
                !file.open(QIODevice::ReadWrite) ||
                !file.setFileTime(KnownFileTime, QFileDevice::FileModificationTime)) {
                return false;
            }
        }
        return true;
    }

    QString photo(const QString& name) const { return m_photos->filePath(name); }

    std::string engineFolder() const {
        return QFile::encodeName(m_photos->path() + '/').toStdString();
    }

    PhotoInfo read(const QString& name) const {
        PhotoInfo info;
        ReadPhotoInfo(engineFolder(), QFile::encodeName(name).toStdString(), info);
        return info;
    }

    // The lines of today's run log.
    QStringList logLines() const {
        QFile file(m_appFolder->filePath(QString::fromStdString(LogFileName(Now()))));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }

    void chooseMoment(QDate date, QTime time) {
        control<QDateEdit>("DTPDate")->setDate(date);
        control<QTimeEdit>("DTPTime")->setTime(time);
    }

    ScriptedBoxes m_boxes;
    // The settings store of every test, never the user's own.
    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_photos;
    std::unique_ptr<QTemporaryDir> m_appFolder;
    std::unique_ptr<FrmMain> m_window;

private slots:
    void initTestCase() {
        QApplication::setApplicationName(QStringLiteral("Tovrin"));
        QApplication::setApplicationVersion(QStringLiteral("1.0.2"));
        RegisterFontSubstitutions();
        QVERIFY(m_config.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    }

    void init() {
        m_boxes.clear();
        m_photos = std::make_unique<QTemporaryDir>();
        m_appFolder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_photos->isValid());
        QVERIFY(m_appFolder->isValid());
    }

    void cleanup() {
        m_window.reset();
        QCOMPARE(m_boxes.unexpected, 0);
        QCOMPARE(m_boxes.unanswered(), std::size_t(0));
        const QWidgetList left = QApplication::topLevelWidgets();
        QVERIFY(
            std::none_of(left.cbegin(), left.cend(), [](QWidget* w) { return w->isVisible(); }));
        m_photos.reset();
        m_appFolder.reset();
    }

    // -- Composition ---------------------------------------------------------

    void composition_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("design");  // twips
        const auto row = [](const char* name, const char* container, const char* kind, int left,
                            int top, int width, int height) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                                << QString::fromLatin1(kind) << QRect(left, top, width, height);
        };
        row("frm_MainBack", "ClientArea", "QFrame", -45, 450, 13900, 6270);
        row("Frame2", "frm_MainBack", "QFrame", 45, 180, 8880, 5880);
        row("Drive1", "Frame2", "tovrin::DriveList", 45, 135, 2895, 300);
        row("Dir1", "Frame2", "tovrin::FolderList", 45, 450, 2895, 2820);
        row("PicBack", "Frame2", "QLabel", 45, 3330, 2895, 2415);
        row("Image2", "Frame2", "tovrin::PictureBox", 90, 3330, 2895, 2415);
        row("File1", "Frame2", "tovrin::FileList", 2970, 135, 2895, 5610);
        row("lbl_Back_Image(0)", "Frame2", "QLabel", 5895, 135, 2895, 270);
        row("lbl_File_Info", "Frame2", "QLabel", 5940, 180, 1545, 240);
        row("txt_Exif_Info", "Frame2", "QPlainTextEdit", 5895, 405, 2895, 5340);
        row("FraSet", "frm_MainBack", "QFrame", 9000, 180, 3705, 5880);
        row("lbl_Back_Image(1)", "FraSet", "QLabel", 0, 90, 4245, 270);
        row("Label1", "FraSet", "QLabel", 90, 135, 1230, 195);
        row("lbl_Back", "FraSet", "QLabel", 90, 540, 3510, 480);
        row("lbl_Settei", "FraSet", "QLabel", 180, 690, 780, 240);
        row("DTPDate", "FraSet", "QDateEdit", 990, 615, 1335, 330);
        row("DTPTime", "FraSet", "QTimeEdit", 2430, 615, 1095, 330);
        row("ChkIkkatu", "FraSet", "QCheckBox", 285, 1170, 1935, 375);
        row("ChkHoji", "FraSet", "QCheckBox", 270, 1620, 1815, 255);
        row("ChkUme", "FraSet", "QCheckBox", 270, 2010, 3270, 375);
        row("DTPumeDate", "FraSet", "QDateEdit", 585, 2385, 1455, 330);
        row("CmdExe", "FraSet", "QPushButton", 180, 2880, 3330, 540);
        row("lbl_ExifDate", "FraSet", "QLabel", 180, 3780, 3255, 240);
        row("lbl_FileDate", "FraSet", "QLabel", 180, 4050, 3255, 240);
        row("lbl_FileTime", "FraSet", "QLabel", 270, 4455, 3075, 870);
    }

    void composition() {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, kind);
        QFETCH(QRect, design);
        // Unshown, nothing has been laid out yet: every control is at its design place.
        m_window = std::make_unique<FrmMain>(m_boxes, m_appFolder->path());
        auto* widget = m_window->findChild<QWidget*>(name);
        QVERIFY(widget);
        QVERIFY(widget->inherits(kind.toLatin1().constData()));
        QCOMPARE(widget->parentWidget()->objectName(), container);
        const QRect expected(PixelsOf(design.x()), PixelsOf(design.y()), PixelsOf(design.width()),
                             PixelsOf(design.height()));
        QCOMPARE(widget->geometry(), expected);
    }

    void captionsAndLook() {
        m_window = std::make_unique<FrmMain>(m_boxes, m_appFolder->path());
        QCOMPARE(control<QPushButton>("CmdExe")->text(), QStringLiteral(" 埋込日付設定実行"));
        QCOMPARE(control<QCheckBox>("ChkIkkatu")->text(), QStringLiteral("フォルダ内一括処理"));
        QCOMPARE(control<QCheckBox>("ChkHoji")->text(), QStringLiteral("時分秒は保持する"));
        QCOMPARE(control<QCheckBox>("ChkUme")->text(),
                 QStringLiteral("指定した埋込日付の写真全てを対象"));
        QCOMPARE(control<QLabel>("lbl_File_Info")->text(), QStringLiteral(" ファイル情報"));
        QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("埋込日付設定"));
        QCOMPARE(control<QLabel>("lbl_Settei")->text(), QStringLiteral("設定日時"));
        QCOMPARE(image2()->toolTip(), QStringLiteral("ダブルクリックで写真表示"));
        QVERIFY(txt()->isReadOnly());
        QCOMPARE(control<QLabel>("lbl_Back")->palette().color(QPalette::Window),
                 QColor(255, 255, 192));
        QCOMPARE(control<QLabel>("PicBack")->palette().color(QPalette::Window),
                 m_window->palette().color(QPalette::ButtonText));
        QCOMPARE(control<QLabel>("lbl_File_Info")->palette().color(QPalette::WindowText),
                 QColor(Qt::white));
        QCOMPARE(control<QLabel>("lbl_Back_Image(0)")->pixmap().size(), QSize(193, 18));
        QCOMPARE(control<QLabel>("lbl_Back_Image(1)")->pixmap().size(), QSize(283, 18));
        for (const char* holder : {"lbl_ExifDate", "lbl_FileDate", "lbl_FileTime"}) {
            QVERIFY2(control<QLabel>(holder)->isHidden(), holder);
        }
        QCOMPARE(control<QLabel>("lbl_FileTime")->text(),
                 QStringLiteral("時分秒を保持する為の一時場所"));
    }

    void menusAndToolbar() {
        m_window = std::make_unique<FrmMain>(m_boxes, m_appFolder->path());
        QStringList menus;
        for (QAction* a : m_window->menuBar()->actions()) {
            menus << a->text();
            for (QAction* item : a->menu()->actions()) {
                menus << QStringLiteral("  ") + item->text();
            }
        }
        QCOMPARE(menus, (QStringList{"ファイル(&F)", "  終了(&X)", "  画像プレビュー(&P)",
                                     "ヘルプ(&H)", "  ヘルプ(&H)", "  バージョン情報(&A)"}));
        QStringList buttons;
        for (QAction* a : control<QToolBar>("Toolbar")->actions()) {
            QCOMPARE(a->toolTip(), a->text());
            QVERIFY(!a->icon().isNull());
            buttons << a->objectName() + QLatin1Char('=') + a->text();
        }
        QCOMPARE(buttons,
                 (QStringList{"UP=上へ", "PhotoBig=画像プレビュー", "Help=ヘルプ", "Close=終了"}));
    }

    void startsWithFirstValues() {
        const QDateTime before = QDateTime::currentDateTime();
        openWindow();
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tovrin 1.0.2"));
        const QDate date = control<QDateEdit>("DTPDate")->date();
        QVERIFY(date == before.date() || date == after.date());
        const QDateTime chosen(date, control<QTimeEdit>("DTPTime")->time());
        QVERIFY(chosen >= before.addSecs(-1) && chosen <= after);
        QCOMPARE(control<QDateEdit>("DTPumeDate")->date(), date);
        QVERIFY(!control<QDateEdit>("DTPumeDate")->isEnabled());
        QVERIFY(control<QTimeEdit>("DTPTime")->isEnabled());
        for (const char* box : {"ChkIkkatu", "ChkHoji", "ChkUme"}) {
            QVERIFY2(!control<QCheckBox>(box)->isChecked(), box);
        }
        QCOMPARE(control<QLabel>("lbl_FileTime")->text(), QString());

        // Fonts: the design face at 9 points, the run button bold, the heading 9.75.
        for (const char* name : {"Drive1", "Dir1", "File1", "txt_Exif_Info", "lbl_Settei",
                                 "ChkIkkatu", "ChkHoji", "ChkUme"}) {
            const QFont font = control<QWidget>(name)->font();
            QCOMPARE(font.family(), MsPGothicFamily());
            QCOMPARE(font.pointSizeF(), 9.0);
            QVERIFY2(!font.bold(), name);
        }
        QVERIFY(control<QPushButton>("CmdExe")->font().bold());
        QCOMPARE(control<QLabel>("lbl_File_Info")->font().pointSizeF(), 9.75);
    }

    void focusOrder() {
        openWindow();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>("Dir1"));
        // Enable the one disabled picker so the whole chain takes the Tab key.
        control<QWidget>("DTPumeDate")->setEnabled(true);
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 9; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            // The pickers pass the focus to their inner line edit.
            while (focus && focus->objectName().isEmpty()) {
                focus = focus->parentWidget();
            }
            QVERIFY(focus);
            visited << focus->objectName();
        }
        QCOMPARE(visited, (QStringList{"Dir1", "File1", "DTPDate", "DTPTime", "ChkIkkatu",
                                       "ChkHoji", "ChkUme", "DTPumeDate", "CmdExe", "Drive1"}));
    }

    // -- Layout --------------------------------------------------------------

    void barsFollowTheClientArea() {
        openWindow();
        QWidget* client = m_window->centralWidget();
        const QRect toolbar = control<QToolBar>("Toolbar")->geometry();
        const QRect status = control<QStatusBar>("stb")->geometry();
        QCOMPARE(toolbar, QRect(0, 0, client->width(), 40));
        QCOMPARE(status, QRect(0, client->height() - 16, client->width(), 16));
    }

    void layoutFollowsTheClientArea_data() {
        QTest::addColumn<QSize>("windowSize");
        QTest::newRow("small") << QSize(849, 504);
        QTest::newRow("wide") << QSize(1200, 504);
        QTest::newRow("tall") << QSize(849, 900);
        QTest::newRow("large") << QSize(1500, 950);
    }

    void layoutFollowsTheClientArea() {
        QFETCH(QSize, windowSize);
        openWindow();
        m_window->resize(windowSize);
        QTRY_COMPARE(m_window->size(), windowSize);
        QWidget* client = m_window->centralWidget();
        QTRY_COMPARE(control<QFrame>("frm_MainBack")->width(), client->width() + 7);

        const float sw = m_window->clientWidthTwips();
        const float sh = m_window->clientHeightTwips();
        const QRect frame2 = control<QWidget>("Frame2")->geometry();
        const QRect fraSet = control<QWidget>("FraSet")->geometry();
        const QRect list = control<QWidget>("File1")->geometry();
        const QRect info = control<QWidget>("txt_Exif_Info")->geometry();
        const QRect picBack = control<QWidget>("PicBack")->geometry();

        QCOMPARE(frame2.width(), PixelsOf(sw - 3730));
        QCOMPARE(frame2.height(), PixelsOf(sh - 1020));
        QCOMPARE(fraSet.height(), PixelsOf(sh - 1020));
        QCOMPARE(fraSet.x(), PixelsOf(sw - 3730 + 60));
        // The list and the information column keep their distance to the
        // browsing panel's right edge, and the settings panel stays at the
        // window's right edge, at any size.
        QVERIFY(std::abs(frame2.width() - list.x() - 393) <= 1);
        QVERIFY(std::abs(frame2.width() - info.x() - 198) <= 1);
        QVERIFY(std::abs(client->width() - (fraSet.x() - 3 + fraSet.width())) <= 1);
        QCOMPARE(control<QWidget>("Drive1")->width(), list.x() - 6);
        QCOMPARE(control<QWidget>("Dir1")->width(), list.x() - 6);
        QCOMPARE(picBack.width(), list.x() - 6);
        // Text box and thumbnail box follow the height the list took.
        QCOMPARE(info.height(), PixelsOf(PixelsToTwips(list.height()) - 270));
        QCOMPARE(picBack.height(), PixelsOf(PixelsToTwips(list.height()) - 3190));
        QCOMPARE(control<QWidget>("frm_MainBack")->height(), PixelsOf(sh + 100));
        // Unmoved: the settings panel's width and the list's width.
        QCOMPARE(fraSet.width(), PixelsOf(3705));
        QCOMPARE(list.width(), PixelsOf(2895));
        QVERIFY(control<QAction>("PhotoBig")->isEnabled());
    }

    void tooSmallSpringsBackHeightFirst() {
        openWindow();
        QList<QSize> sizes;
        struct Recorder : QObject {
            QList<QSize>* sizes;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Resize) {
                    sizes->append(static_cast<QResizeEvent*>(e)->size());
                }
                return false;
            }
        } recorder;
        recorder.sizes = &sizes;
        m_window->installEventFilter(&recorder);
        const QSize margins = m_window->frameGeometry().size() - m_window->size();
        m_window->resize(600, 300);
        QTRY_COMPARE(m_window->frameGeometry().size(), QSize(849, 504));
        m_window->removeEventFilter(&recorder);
        QVERIFY(sizes.size() >= 3);
        QCOMPARE(sizes.at(0), QSize(600, 300));
        QCOMPARE(sizes.at(1), QSize(600, 504) - QSize(0, margins.height()));
        QCOMPARE(sizes.at(2), QSize(849, 504) - margins);
        // The corrected size is laid out.
        QTRY_COMPARE(control<QWidget>("Frame2")->width(),
                     PixelsOf(m_window->clientWidthTwips() - 3730));
    }

    void exactMinimumIsKept() {
        openWindow();
        const QSize inner = QSize(849, 504) - (m_window->frameGeometry().size() - m_window->size());
        m_window->resize(inner);
        QTRY_COMPARE(m_window->size(), inner);
        QTest::qWait(0);
        QCOMPARE(m_window->size(), inner);
        QCOMPARE(m_window->outerWidthTwips(), 12735.0f);
        QCOMPARE(m_window->outerHeightTwips(), 7560.0f);
    }

    void maximizedLaysOutTheWholeScreen() {
        openWindow();
        m_window->showMaximized();
        const QRect available = m_window->screen()->availableGeometry();
        QVERIFY2(available.width() >= 849 && available.height() >= 504,
                 "the test screen is smaller than the minimum window");
        QTRY_COMPARE(m_window->frameGeometry().size(), available.size());
        QWidget* client = m_window->centralWidget();
        QTRY_COMPARE(control<QWidget>("Frame2")->width(),
                     PixelsOf(PixelsToTwips(client->width()) - 3730));
        const QRect fraSet = control<QWidget>("FraSet")->geometry();
        QVERIFY(std::abs(client->width() - (fraSet.x() - 3 + fraSet.width())) <= 1);
        QCOMPARE(control<QWidget>("File1")->height(),
                 PixelsOf(PixelsToTwips(client->height()) - 1020 - 200));
    }

    void minimizingMovesNothingAndEnablesPreview() {
        openWindow();
        m_window->resize(1000, 700);
        QTRY_COMPARE(m_window->size(), QSize(1000, 700));
        const QRect frame2 = control<QWidget>("Frame2")->geometry();
        QAction* preview = control<QAction>("PhotoBig");
        preview->setEnabled(false);
        m_window->showMinimized();
        QTRY_VERIFY(preview->isEnabled());
        QVERIFY(m_window->isMinimized());
        QCOMPARE(control<QWidget>("Frame2")->geometry(), frame2);
    }

    // -- Readout -------------------------------------------------------------

    void readoutOfAFullPhoto() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());

        // Changing the folder selected its first photo and showed it.
        QCOMPARE(file1()->FileName(), FullPhotos.first());
        for (const QString& name : FullPhotos) {
            file1()->setListIndex(int(FullPhotos.indexOf(name)));
            const QJsonObject e = ManifestEntry(name);
            const QString expected = QStringList{QStringLiteral("サイズ(横×縦)"),
                                                 QStringLiteral("%1×%2")
                                                     .arg(e.value("PixelXDimension").toInt())
                                                     .arg(e.value("PixelYDimension").toInt()),
                                                 QString(),
                                                 QStringLiteral("埋込日付(撮影日時)"),
                                                 e.value("DateTimeOriginal").toString(),
                                                 QString(),
                                                 QStringLiteral("ファイル日付"),
                                                 QStringLiteral("2010/02/03 04:05:06"),
                                                 QString(),
                                                 QStringLiteral("メーカー名"),
                                                 e.value("Make").toString(),
                                                 QString(),
                                                 QStringLiteral("モデル名"),
                                                 e.value("Model").toString()}
                                         .join(QStringLiteral("\r\n"));
            QCOMPARE(m_window->exifInfoText(), expected);
            QVERIFY(image2()->hasPicture());
            QVERIFY(image2()->isVisible());
            // Fitted inside the thumbnail box.
            const QRect box = control<QWidget>("PicBack")->geometry();
            QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(image2()->geometry()), qPrintable(name));
            QCOMPARE(m_window->photoInfo().Model, e.value("Model").toString().toStdString());
        }
    }

    void readoutOfAPhotoWithoutExif() {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor(200, 120, 40));
        QVERIFY(picture.save(photo(QStringLiteral("plain.jpg")), "JPEG"));
        openWindow(m_photos->path());
        QCOMPARE(file1()->FileName(), QStringLiteral("plain.jpg"));
        QCOMPARE(m_window->exifInfoText(), QStringLiteral("ファイルの日付情報が取得できません"));
        QVERIFY(image2()->hasPicture());
        QCOMPARE(image2()->naturalSize(), QSize(64, 48));
    }

    void multipleSelectionShowsNothing() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        QVERIFY(!m_window->exifInfoText().isEmpty());
        QVERIFY(image2()->hasPicture());

        file1()->setSelected(2, true);
        QCOMPARE(m_window->exifInfoText(), QString());
        QVERIFY(!image2()->hasPicture());
        QCOMPARE(image2()->toolTip(), QString());

        // Back to one photo: its information again.
        file1()->setListIndex(1);
        QVERIFY(m_window->exifInfoText().contains(
            ManifestEntry(FullPhotos[1]).value("Model").toString()));
        QVERIFY(image2()->hasPicture());
    }

    void vanishedPhotoReloadsTheList() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        QCOMPARE(file1()->ListCount(), 3);
        QVERIFY(QFile::remove(photo(FullPhotos[1])));

        m_boxes.answer(MsgAnswer::Ok);
        file1()->setListIndex(1);
        QCOMPARE(m_boxes.shown.size(), std::size_t(1));
        QCOMPARE(
            m_boxes.shown[0].text,
            std::string("フォルダ内の情報が変更された可能性が有る為、最新の情報へ更新します。"));
        QCOMPARE(m_boxes.shown[0].icon, MsgIcon::Information);
        QCOMPARE(m_boxes.shown[0].buttons, MsgButtons::Ok);
        QCOMPARE(m_boxes.shown[0].title, std::string("Tovrin"));
        QCOMPARE(file1()->ListCount(), 2);
        QCOMPARE(file1()->List(1), FullPhotos[2]);
    }

    void undecodablePhotoAfterAClickIsReportedAndClears() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos({FullPhotos[0]}));
        // Sorted after the good photo, so the first readout succeeds.
        QFile broken(photo(QStringLiteral("zz-broken.jpg")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
        broken.close();
        openWindow(m_photos->path());
        QVERIFY(image2()->hasPicture());

        m_boxes.answer(MsgAnswer::Ok);
        QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {},
                          file1()->visualRect(file1()->model()->index(1, 0)).center());
        QCOMPARE(file1()->FileName(), QStringLiteral("zz-broken.jpg"));
        QCOMPARE(m_boxes.shown.size(), std::size_t(1));
        QCOMPARE(m_boxes.shown[0].text, std::string("実行時エラー:481:ピクチャが不正です。:"));
        QCOMPARE(m_boxes.shown[0].title, std::string("Tovrin"));
        QCOMPARE(m_window->exifInfoText(), QString());
        QVERIFY(!image2()->hasPicture());

        // The program goes on: the good photo shows again.
        file1()->setListIndex(0);
        QVERIFY(m_window->exifInfoText().startsWith(QStringLiteral("サイズ")));
        QVERIFY(image2()->hasPicture());
    }

    void readoutErrorInsideARunIsTheRunsError() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos({FullPhotos[0]}));
        openWindow(m_photos->path());
        // A photo that cannot be decoded appears first in the list.
        QFile broken(photo(QStringLiteral("00-broken.jpg")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
        broken.close();
        file1()->Refresh();
        QCOMPARE(file1()->List(0), QStringLiteral("00-broken.jpg"));

        // A whole-folder run selects it in code; the readout's failure ends the
        // run with the run's own error box, and no second box.
        const QByteArray before = FileBytes(photo(FullPhotos[0]));
        control<QCheckBox>("ChkIkkatu")->setChecked(true);
        control<QCheckBox>("ChkHoji")->setChecked(true);
        chooseMoment(QDate(2007, 1, 23), QTime(9, 5, 0));
        m_boxes.answer(MsgAnswer::Ok);
        QTest::mouseClick(control<QPushButton>("CmdExe"), Qt::LeftButton);
        QCOMPARE(m_boxes.shown.size(), std::size_t(1));
        QCOMPARE(m_boxes.shown[0].text,
                 std::string("Error\r\n実行時エラー:481:ピクチャが不正です。:"));
        QCOMPARE(m_boxes.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(FileBytes(photo(FullPhotos[0])), before);
    }

    void doubleClicksOpenTheViewerOnlyOverAPicture() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        file1()->setListIndex(1);

        // Each opening is modal; the timer looks at the viewer and closes it.
        QStringList captions;
        QTimer closer;
        closer.setInterval(5);
        connect(&closer, &QTimer::timeout, this, [&captions] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                captions << modal->windowTitle();
                modal->close();
            }
        });
        closer.start();
        QTest::mouseDClick(image2(), Qt::LeftButton);
        // A double-click reaches the list as a click and then the double-click.
        const QPoint entry = file1()->visualRect(file1()->model()->index(1, 0)).center();
        QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {}, entry);
        QTest::mouseDClick(file1()->viewport(), Qt::LeftButton, {}, entry);
        QCOMPARE(captions, (QStringList{FullPhotos[1], FullPhotos[1]}));

        // Several photos selected: no picture, so nothing opens.
        file1()->setSelected(2, true);
        QVERIFY(!image2()->hasPicture());
        m_window->openViewer();
        closer.stop();
        QCOMPARE(captions.size(), 2);
    }

    // -- The run through the real window --------------------------------------

    void wholeFolderRunWithConfirmation() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        const QList<std::string> datesBefore{read(FullPhotos[0]).DateTimeOriginal,
                                             read(FullPhotos[1]).DateTimeOriginal,
                                             read(FullPhotos[2]).DateTimeOriginal};

        QTest::mouseClick(control<QCheckBox>("ChkIkkatu"), Qt::LeftButton);
        QVERIFY(control<QCheckBox>("ChkIkkatu")->isChecked());
        control<QCheckBox>("ChkHoji")->setChecked(false);
        chooseMoment(QDate(2007, 1, 23), QTime(9, 5, 0));
        m_boxes.answer(MsgAnswer::Ok);  // confirmation
        m_boxes.answer(MsgAnswer::Ok);  // summary
        QTest::mouseClick(control<QPushButton>("CmdExe"), Qt::LeftButton);

        QCOMPARE(m_boxes.shown.size(), std::size_t(2));
        QCOMPARE(
            m_boxes.shown[0].text,
            std::string("フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？"));
        QCOMPARE(m_boxes.shown[0].buttons, MsgButtons::OkCancel);
        QCOMPARE(m_boxes.shown[0].icon, MsgIcon::None);
        QCOMPARE(m_boxes.shown[0].title, std::string("Tovrin"));
        QCOMPARE(m_boxes.shown[1].text, std::string("対象のファイル、 3件を処理が完了しました。"));
        QCOMPARE(m_boxes.shown[1].icon, MsgIcon::Information);
        QCOMPARE(m_boxes.shown[1].title, std::string("処理完了"));

        const LocalDateTime chosen{2007, 1, 23, 9, 5, 0};
        QStringList lines = logLines();
        QCOMPARE(lines.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const PhotoInfo info = read(FullPhotos[i]);
            QCOMPARE(info.DateTimeOriginal, std::string("2007:01:23 09:05:00"));
            QCOMPARE(info.DateTime, std::string("2007:01:23 09:05:00"));
            QVERIFY(LastWriteTime(QFile::encodeName(photo(FullPhotos[i])).toStdString()) == chosen);
            // The log keeps the dates from before the change, one line a photo, in list order.
            QVERIFY2(lines[i].endsWith(QStringLiteral("ExifData> [パス-") + photo(FullPhotos[i]) +
                                       QStringLiteral("] [埋込日付-") +
                                       QString::fromStdString(datesBefore[i]) +
                                       QStringLiteral("] [ファイル日付-2010/02/03 4:05:06]")),
                     qPrintable(lines[i]));
        }
        // The selection grew to the whole list, so the readout shows nothing.
        QCOMPARE(file1()->SelectedCount(), 3);
        QCOMPARE(m_window->exifInfoText(), QString());
        QVERIFY(!m_window->dateSettingRun().DateWritten());
        QCOMPARE(control<QLabel>("lbl_FileTime")->text(), QStringLiteral("04:05:06"));
    }

    void cancelledConfirmationChangesNothing() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        const QByteArray before = FileBytes(photo(FullPhotos[0]));
        control<QCheckBox>("ChkIkkatu")->setChecked(true);
        chooseMoment(QDate(2007, 1, 23), QTime(9, 5, 0));
        m_boxes.answer(MsgAnswer::Cancel);
        QTest::mouseClick(control<QPushButton>("CmdExe"), Qt::LeftButton);
        QCOMPARE(m_boxes.shown.size(), std::size_t(1));
        QCOMPARE(FileBytes(photo(FullPhotos[0])), before);
        QVERIFY(logLines().isEmpty());
    }

    void oneSelectedPhotoNeedsNoSummary() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        const QByteArray first = FileBytes(photo(FullPhotos[0]));
        const QByteArray third = FileBytes(photo(FullPhotos[2]));

        QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {},
                          file1()->visualRect(file1()->model()->index(1, 0)).center());
        QCOMPARE(file1()->FileName(), FullPhotos[1]);
        QCOMPARE(file1()->SelectedCount(), 1);
        chooseMoment(QDate(2007, 1, 23), QTime(9, 5, 0));
        QTest::mouseClick(control<QPushButton>("CmdExe"), Qt::LeftButton);

        // No box at all: the readout already shows the new dates.
        QCOMPARE(m_boxes.shown.size(), std::size_t(0));
        const QStringList lines = Lines(m_window->exifInfoText());
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[4], QStringLiteral("2007:01:23 09:05:00"));
        QCOMPARE(lines[7], QStringLiteral("2007/01/23 09:05:00"));
        QVERIFY(image2()->hasPicture());
        QCOMPARE(logLines().size(), 1);
        QCOMPARE(FileBytes(photo(FullPhotos[0])), first);
        QCOMPARE(FileBytes(photo(FullPhotos[2])), third);
        QVERIFY(m_window->dateSettingRun().DateWritten() == false);
    }

    // -- Screenshot ----------------------------------------------------------

    void screenshot() {
        if (CorpusPhotos().isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(copyPhotos(FullPhotos));
        openWindow(m_photos->path());
        m_window->resize(960, 600);
        QTRY_COMPARE(m_window->size(), QSize(960, 600));
        file1()->setListIndex(0);
        QVERIFY(image2()->hasPicture());
        QVERIFY(QDir().mkpath(QStringLiteral(TOVRIN_SCREENSHOT_DIR)));
        const QString path = QStringLiteral(TOVRIN_SCREENSHOT_DIR "/main.png");
        QVERIFY(m_window->grab().save(path));
        QVERIFY(QFileInfo(path).size() > 0);
    }
};

}  // namespace tovrin

int main(int argc, char* argv[]) {
    const tovrin::test::DesktopScreen screen;
    QApplication app(argc, argv);
    tovrin::FrmMainTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_main_test.moc"
