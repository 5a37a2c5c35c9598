// The main window as the program runs it: its wiring and layout, start-up and
// shutdown, the option interlocks, the commands, the readout, and runs on
// copies of corpus photos. Every test has its own settings store, installation
// folder and photo folder (holding sub/a.jpg and sub/b.jpg, without EXIF data).

#include "mainwindow/frm_main.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QtTest>
#include <QtWidgets>

#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_list.h"
#include "jpeg_builder.h"
#include "mainwindow/from_name_dialog.h"
#include "mainwindow/settings_store.h"
#include "mainwindow/shift_dialog.h"
#include "mainwindow/shift_preview_model.h"
#include "photo/picture_box.h"
#include "run/run_log.h"
#include "ui/fonts.h"

namespace tovrin {
namespace {

// Corpus photos with full EXIF data, in the order the file list sorts them.
const QStringList Full{"11-tests.jpg", "Canon IXUS.jpg", "DSCN0010.jpg"};
// Empty when the photos are not there, so the tests that need them skip.
const QString Corpus = [] {
    const QString dir = qEnvironmentVariable("TOVRIN_CORPUS_DIR");
    return QFileInfo(dir + "/photos").isDir() ? dir : QString();
}();
const QString BadPicture = QStringLiteral("実行時エラー:481:ピクチャが不正です。:");

QString Stored(const char* key) { return settings::GetReg(key, QStringLiteral("<absent>")); }

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The two text columns of a data-driven test and its rows {tag, first, second}.
void Rows(const char* first, const char* second,
          std::initializer_list<std::array<const char*, 3>> rows) {
    QTest::addColumn<QString>(first);
    QTest::addColumn<QString>(second);
    for (const auto& [tag, a, b] : rows) QTest::newRow(tag) << QString(a) << QString(b);
}

// A row of a data-driven test: its tag, then a value for each column in turn.
template <typename... Values>
void Row(const char* tag, const Values&... values) {
    (QTest::newRow(tag) << ... << values);
}

// Copies of a photo's date outside EXIF, as an editor leaves them: in XMP
// the capture moment (+09:00) and a day of its own (2006-05-03, which no
// shift moves), in IPTC the capture date and time.
std::vector<test::Bytes> CopiesOfTheDate() {
    return {test::XmpSegment("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description"
                             " xmlns:xmp='http://ns.adobe.com/xap/1.0/'"
                             " xmp:CreateDate='2006-05-04T10:11:12+09:00'"
                             " xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'"
                             " photoshop:DateCreated='2006-05-03'/></rdf:RDF></x:xmpmeta>"),
            test::IptcSegment({{55, "20060504"}, {60, "101112+0900"}})};
}

// The runs of one test alone: while it lives, the user's state folder, where
// the undo journals go, is a folder of its own.
class OwnStateFolder {
public:
    OwnStateFolder() {
        for (const char* name : Names) {
            m_before.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                               : std::nullopt);
            qputenv(name, QDir::toNativeSeparators(m_folder.path()).toLocal8Bit());
        }
    }
    ~OwnStateFolder() {
        for (std::size_t i = 0; i < std::size(Names); ++i) {
            if (m_before[i]) {
                qputenv(Names[i], *m_before[i]);
            } else {
                qunsetenv(Names[i]);
            }
        }
    }

private:
    static constexpr const char* Names[] = {"XDG_STATE_HOME", "LOCALAPPDATA"};
    QTemporaryDir m_folder;
    std::vector<std::optional<QByteArray>> m_before;
};

}  // namespace

class WindowTest : public QObject, public MessageBoxes {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_config, m_appFolder, m_photos;
    QString m_store;  // the settings' scratch key on Windows
    std::unique_ptr<FrmMain> m_window;
    QStringList m_boxes;                 // each box shown, "text|buttons|icon|title"
    MsgAnswer m_answer = MsgAnswer::Ok;  // of an OK/Cancel box
    QList<MsgAnswer> m_answers;          // of the next OK/Cancel boxes, before m_answer
    QStringList m_modals;                // captions of the modal windows closed meanwhile
    QTimer m_closer;
    bool m_secondInstance = false;
    QStringList m_startPaths;  // the folders or photos the window is started with

    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        static const char* const icons[] = {"", "Information", "Exclamation", "Critical"};
        const bool ok = buttons == MsgButtons::Ok;
        m_boxes << QString::fromStdString(text) + (ok ? "|Ok|" : "|OkCancel|") + icons[int(icon)] +
                       '|' + QString::fromStdString(title);
        if (ok) return MsgAnswer::Ok;
        return m_answers.isEmpty() ? m_answer : m_answers.takeFirst();
    }
    QStringList takeBoxes() { return std::exchange(m_boxes, {}); }

    template <typename T = QWidget>
    T* control(const QString& name) const {
        return m_window->findChild<T*>(name);
    }
    FileList* file1() const { return control<FileList>("File1"); }
    FolderList* dir1() const { return control<FolderList>("Dir1"); }
    PictureBox* image2() const { return control<PictureBox>("Image2"); }
    QCheckBox* chk(const QString& name) const { return control<QCheckBox>("Chk" + name); }
    QString photo(const QString& name) const { return m_photos->filePath(name); }
    QString status() const { return control<QLabel>("stbPanel1")->text(); }

    // A photo the thumbnail can show (Qt's own JPEG) carrying the EXIF block
    // of `exif`, by default a camera's with the date 2006:05:04 10:11:12,
    // and the `segments` after it.
    void writeCameraPhoto(const QString& name, test::Jpeg exif = test::CameraPhoto(),
                          const std::vector<test::Bytes>& segments = {}) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QByteArray jfif;
        QBuffer buffer(&jfif);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPG"));
        // SOI, APP0, the rest: the EXIF block goes in after the APP0.
        QCOMPARE(quint8(jfif[3]), quint8(0xE0));
        const int app0End = 4 + (quint8(jfif[4]) << 8 | quint8(jfif[5]));
        exif.before = {test::Bytes(jfif.begin() + 2, jfif.begin() + app0End)};
        exif.after = test::Bytes(jfif.begin() + app0End, jfif.end());
        for (auto at = segments.rbegin(); at != segments.rend(); ++at)
            exif.after.insert(exif.after.begin(), at->begin(), at->end());
        const test::Bytes bytes = exif.build();
        QVERIFY(QDir().mkpath(QFileInfo(photo(name)).path()));
        QFile file(photo(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())),
                 qint64(bytes.size()));
    }

    // Runs `action` once, from inside a run, when the status bar first shows
    // a text starting with `progress`; a run lets timers through as it goes.
    void whenStatus(const QString& progress, std::function<void()> action) {
        auto* watch = new QTimer(m_window.get());
        connect(watch, &QTimer::timeout, watch, [this, watch, progress, action] {
            if (!status().startsWith(progress)) return;
            watch->stop();
            watch->deleteLater();
            action();
        });
        watch->start(0);
    }
    // Whether each control a run locks is enabled, as "name=0/1" words.
    QString lockState() const {
        QStringList states;
        for (const char* name : {"File1", "Dir1", "Drive1", "DTPDate", "DTPTime", "ChkIkkatu",
                                 "ChkHoji", "ChkUme", "DTPumeDate", "CmdExe"}) {
            states << QString(name) + '=' + QString::number(control(name)->isEnabled());
        }
        states << "UP=" + QString::number(control<QAction>("UP")->isEnabled());
        for (const char* name : {"mnuExifOnly", "mnuRunOptions"})
            states << QString(name) + '=' + QString::number(control<QAction>(name)->isEnabled());
        return states.join(' ');
    }

    // A window as the program starts it, its lists then moved to `folder`.
    void start(const QString& folder = {}) {
        m_window = std::make_unique<FrmMain>(*this, m_appFolder->path());
        m_window->setInstanceCheck([this] { return m_secondInstance; });
        m_window->setClock([] { return LocalDateTime{2035, 1, 2, 23, 59, 58}; });
        m_window->setStartPaths(m_startPaths);
        QVERIFY(m_window->Form_Load() != m_secondInstance);
        if (!folder.isEmpty()) dir1()->setPath(folder);
        if (m_secondInstance) return;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    // Starts on writable copies of the corpus photos with a known file time.
    void startOnCopies() {
        for (const QString& name : Full) {
            QFile file(photo(name));
            QVERIFY(QFile::copy(Corpus + "/photos/" + name, file.fileName()) &&
                    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                    file.open(QIODevice::ReadWrite) &&
                    file.setFileTime({{2010, 2, 3}, {4, 5, 6}}, QFileDevice::FileModificationTime));
        }
        start(m_photos->path());
    }
    PhotoInfo read(const QString& name) const {
        PhotoInfo info;
        ReadPhotoInfo(m_photos->path().toStdString() + '/', name.toStdString(), info);
        return info;
    }
    void clickEntry(int row) {
        QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {},
                          file1()->visualRect(file1()->model()->index(row, 0)).center());
    }
    // "folder|current entry|selected entries" of the file list.
    QString openedAt() const {
        QStringList selected;
        for (int i = 0; i < file1()->entryCount(); ++i) {
            if (file1()->isSelected(i)) selected << file1()->entry(i);
        }
        return file1()->path() + '|' + file1()->currentFileName() + '|' + selected.join(' ');
    }
    void runAt2007() {
        control<QDateEdit>("DTPDate")->setDate(QDate(2007, 1, 23));
        control<QTimeEdit>("DTPTime")->setTime(QTime(9, 5, 0));
        QTest::mouseClick(control<QPushButton>("CmdExe"), Qt::LeftButton);
    }
    // Answers the shift's preview once it is up: `hours` set, its rows
    // ("name|place|before|after") kept in `rows` and the count of the copies
    // of the date under them in `copies` ("" when hidden), then OK. The
    // closer of modal windows would cancel it first, so it rests meanwhile.
    QTimer* whenPreview(QStringList& rows, int hours, QString* copies = nullptr) {
        m_closer.stop();
        auto* watch = new QTimer(m_window.get());
        connect(watch, &QTimer::timeout, watch, [watch, &rows, hours, copies] {
            auto* dialog = qobject_cast<ShiftDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            watch->stop();
            watch->deleteLater();
            dialog->setOffset(0, hours, 0, 0);
            const ShiftPreviewModel& model = dialog->preview();
            for (int row = 0; row < model.rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < model.columnCount(); ++column)
                    cells << model.index(row, column).data().toString();
                rows << cells.join('|');
            }
            if (copies) {
                const QLabel* label = dialog->copiesLabel();
                *copies = label->isHidden() ? QString() : label->text();
            }
            dialog->accept();
        });
        watch->start(0);
        return watch;
    }

    // Answers the modal dialog named `name` once it is up; the closer of
    // modal windows would cancel it first, so it rests meanwhile.
    void whenDialog(const QString& name, std::function<void(QDialog&)> answer) {
        m_closer.stop();
        auto* watch = new QTimer(m_window.get());
        connect(watch, &QTimer::timeout, watch, [watch, name, answer] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != name) return;
            watch->stop();
            watch->deleteLater();
            answer(*dialog);
        });
        watch->start(0);
    }

private slots:
    void initTestCase() {
        QApplication::setApplicationName(QStringLiteral("Tovrin"));
        QApplication::setApplicationVersion(QStringLiteral("1.0.2"));
        RegisterFontSubstitutions();
        connect(&m_closer, &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                m_modals << modal->windowTitle();
                // The list of runs to give back is answered with the run it offers.
                auto* undo = qobject_cast<QDialog*>(modal);
                if (undo && modal->objectName() == QLatin1String("UndoDialog")) {
                    undo->accept();
                } else {
                    modal->close();
                }
            }
        });
        m_closer.start(5);
    }

    void init() {
        m_closer.start(5);
        m_modals.clear();
        m_answer = MsgAnswer::Ok;
        m_answers.clear();
        m_secondInstance = false;
        m_startPaths.clear();
        m_config = std::make_unique<QTemporaryDir>();
        m_appFolder = std::make_unique<QTemporaryDir>();
        m_photos = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config->path());
#ifdef Q_OS_WIN
        // The registry holds the settings there: a scratch key of the test's
        // own, never the user's.
        m_store = QStringLiteral("HKEY_CURRENT_USER\\Software\\Tovrin tests\\") +
                  QUuid::createUuid().toString(QUuid::WithoutBraces);
        settings::UseStore(m_store);
#endif
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(QDir(m_photos->path()).mkdir("sub") && picture.save(photo("sub/a.jpg")) &&
                picture.save(photo("sub/b.jpg")));
    }

    void cleanup() {
        m_window.reset();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(takeBoxes().join('\n')));
        const QWidgetList all = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(all.cbegin(), all.cend(), [](QWidget* w) { return w->isVisible(); }));
    }

    // -- Wiring and layout -------------------------------------------------------------------

    void wiring() {
        m_window = std::make_unique<FrmMain>(*this, m_appFolder->path());
        QCOMPARE(control("Image2")->parentWidget(), control("Frame2"));
        QCOMPARE(control("DTPumeDate")->parentWidget(), control("FraSet"));
        QStringList texts;
        for (const char* name : {"lbl_File_Info", "Label1", "lbl_Settei", "ChkIkkatu", "ChkHoji",
                                 "ChkUme", "CmdExe"}) {
            texts << control(name)->property("text").toString();
        }
        for (QAction* menu : m_window->menuBar()->actions()) {
            texts << menu->text();
            for (QAction* item : menu->menu()->actions())
                texts << (item->isSeparator() ? QStringLiteral("  --") : "  " + item->text());
        }
        for (QAction* a : control("Toolbar")->actions()) {
            texts << a->objectName() + '=' + a->toolTip();
        }
        QCOMPARE(texts, (QStringList{" ファイル情報",
                                     "埋込日付設定",
                                     "設定日時",
                                     "フォルダ内一括処理",
                                     "時分秒は保持する",
                                     "指定した埋込日付の写真全てを対象",
                                     " 埋込日付設定実行",
                                     "ファイル(&F)",
                                     "  終了(&X)",
                                     "  画像プレビュー(&P)",
                                     "編集(&E)",
                                     "  日時をずらす(&S)...",
                                     "  ファイル名から日付を設定(&N)...",
                                     "  元に戻す(&U)",
                                     "  --",
                                     "  EXIF の日付だけを書き換える(&X)",
                                     "  実行オプション(&O)...",
                                     "ヘルプ(&H)",
                                     "  ヘルプ(&H)",
                                     "  バージョン情報(&A)",
                                     "UP=上へ",
                                     "PhotoBig=画像プレビュー",
                                     "Shift=日時をずらす",
                                     "Help=ヘルプ",
                                     "Close=終了"}));
    }

    void layoutFollowsTheClientArea_data() {
        QTest::addColumn<QSize>("size");  // empty: maximized
        QTest::newRow("too small springs back") << QSize(600, 300);
        QTest::newRow("large") << QSize(1500, 950);
        QTest::newRow("maximized") << QSize();
    }

    void layoutFollowsTheClientArea() {
        QFETCH(QSize, size);
        start();
        const QSize margins = m_window->frameGeometry().size() - m_window->size();
        size.isEmpty() ? m_window->showMaximized() : m_window->resize(size);
        QTRY_COMPARE(m_window->frameGeometry().size(),
                     size.isEmpty() ? m_window->screen()->availableGeometry().size()
                                    : (size + margins).expandedTo({849, 504}));
        QWidget* client = m_window->centralWidget();
        QTRY_COMPARE(control("frm_MainBack")->width(), client->width() + 7);
        const float sw = m_window->clientWidthTwips(), sh = m_window->clientHeightTwips();
        const QRect frame2 = control("Frame2")->geometry(), fraSet = control("FraSet")->geometry();
        const QRect list = control("File1")->geometry(),
                    info = control("txt_Exif_Info")->geometry();
        QCOMPARE(frame2.size(), QSize(TwipsToPixels(sw - 3730), TwipsToPixels(sh - 1020)));
        // The list and the information keep their distance to the browsing panel's
        // right edge; the settings panel stays at the client area's right edge.
        QVERIFY(std::abs(frame2.width() - list.x() - 393) <= 1);
        QVERIFY(std::abs(frame2.width() - info.x() - 198) <= 1);
        QVERIFY(std::abs(client->width() - (fraSet.x() - 3 + fraSet.width())) <= 1);
        QCOMPARE(info.height(), TwipsToPixels(PixelsToTwips(list.height()) - 270));
        QCOMPARE(control("Toolbar")->width(), client->width());
        QCOMPARE(control("stb")->geometry().bottom(), client->height() - 1);
    }

    // -- Start-up and shutdown ---------------------------------------------------------------

    void startUpAndTheRememberedFolder_data() {
        // "@": the photo folder; "root": the installation drive's root.
        Rows("defPath", "folder",
             {{"present", "@/sub", "@/sub"},
              {"deleted", "@/gone", "root"},
#ifdef Q_OS_WIN
              // A drive letter no drive answers to.
              { "volume gone",
                "Q:/tovrin-test-gone/DCIM",
                "root" }});
#else
              {"volume gone", "/media/tovrin-test-gone/DCIM", "root"}});
#endif
    }

    void startUpAndTheRememberedFolder() {
        QFETCH(QString, defPath);
        QFETCH(QString, folder);
        const bool volumeGone = defPath.contains("tovrin-test-gone");
        if (!defPath.isEmpty()) settings::SetReg("DefPath", defPath.replace('@', m_photos->path()));
        start();
        if (volumeGone) {
            QCOMPARE(takeBoxes(),
                     QStringList{"前回､「" + QDir::toNativeSeparators(defPath) +
                                 "」で終了しましたがドライブが存在しないか参照不可となっている為、"
                                 "\r\nインストールドライブを初期値として開きます。|Ok|Exclamation|"
                                 "Tovrin"});
        }
        folder = folder == "root" ? control<DriveList>("Drive1")->driveRootOf(m_appFolder->path())
                                  : folder.replace('@', m_photos->path());
        QCOMPARE(dir1()->path() + ' ' + file1()->path(), folder + ' ' + folder);
        // Its first photo is shown.
        QCOMPARE(m_window->exifInfoText().isEmpty(), folder != photo("sub"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tovrin 1.0.2"));
        QCOMPARE(m_window->isVisible(), true);
        QTRY_COMPARE(m_window->frameGeometry(), QRect(7, 7, 849, 504));
        // The full date of the moment, whatever a two-digit year would make of it.
        QCOMPARE(control<QDateEdit>("DTPDate")->date(), QDate(2035, 1, 2));
        QCOMPARE(control<QTimeEdit>("DTPTime")->time(), QTime(23, 59, 58));
        QCOMPARE(control<QDateEdit>("DTPumeDate")->date(), QDate(2035, 1, 2));
        QVERIFY(!control("DTPumeDate")->isEnabled());
        // The start-up went on to the end: the run button has the custom face.
        QCOMPARE(control<QPushButton>("CmdExe")->text(), QString());
    }

    void firstStartOpensThePictures_data() {
        // Where the desktop puts the pictures ("@": the photo folder, which is
        // also the home folder here); the folder a first start opens.
        Rows("pictures", "folder",
#ifdef Q_OS_WIN
             {{"the installation drive", "@/sub", "root"}});
#else
             {{"the pictures folder", "@/sub", "@/sub"}, {"none there: home", "@/gone", "@"}});
#endif
    }

    void firstStartOpensThePictures() {
        QFETCH(QString, pictures);
        QFETCH(QString, folder);
        const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            qputenv("XDG_CONFIG_HOME", config);
        });
        qputenv("HOME", m_photos->path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
        QFile dirs(m_config->filePath("user-dirs.dirs"));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_PICTURES_DIR=\"" + pictures.replace('@', m_photos->path()).toUtf8() +
                   "\"\n");
        dirs.close();
        start();
        folder = folder == "root" ? control<DriveList>("Drive1")->driveRootOf(m_appFolder->path())
                                  : folder.replace('@', m_photos->path());
        QCOMPARE(dir1()->path() + ' ' + file1()->path(), folder + ' ' + folder);
        QCOMPARE(file1()->currentFileName(), folder == photo("sub") ? "a.jpg" : "");
    }

    void startedWithFoldersOrPhotos_data() {
        // The remembered folder; the paths given ("," between them); the folder
        // opened, its current entry and its selected entries; the box shown.
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("paths");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("box");
        const auto row = Row<const char*, const char*, const char*, const char*>;
        row("a folder over the remembered one", "@", "@/sub", "@/sub|a.jpg|a.jpg", "");
        row("a photo", "@", "@/sub/b.jpg", "@/sub|b.jpg|b.jpg", "");
        row("photos, the first given current", "", "@/sub/b.jpg,@/sub/a.jpg",
            "@/sub|b.jpg|a.jpg b.jpg", "");
        row("a photo of another folder is left out", "", "@/sub/b.jpg,@/x/c.jpg",
            "@/sub|b.jpg|b.jpg", "");
        row("missing: as if not given", "@/sub", "@/gone.jpg,@/gone", "@/sub|a.jpg|a.jpg",
            "指定されたファイルまたはフォルダが見つかりません。\r\n@/gone.jpg\r\n@/gone");
        row("missing first, then a photo", "", "@/gone.jpg,@/sub/b.jpg", "@/sub|b.jpg|b.jpg",
            "指定されたファイルまたはフォルダが見つかりません。\r\n@/gone.jpg");
    }

    void startedWithFoldersOrPhotos() {
        QFETCH(QString, remembered);
        QFETCH(QString, paths);
        QFETCH(QString, opened);
        QFETCH(QString, box);
        writeCameraPhoto("x/c.jpg");
        const QString at = m_photos->path();
        if (!remembered.isEmpty()) settings::SetReg("DefPath", remembered.replace('@', at));
        m_startPaths = paths.replace('@', at).split(',');
        start();
        if (!box.isEmpty()) {
            box = QDir::toNativeSeparators(box.replace('@', at));
            QCOMPARE(takeBoxes(), QStringList{box + "|Ok|Exclamation|Tovrin"});
        }
        QCOMPARE(openedAt(), opened.replace('@', at));
        // One photo shows its information; several at once show none, as when picked by hand.
        QCOMPARE(m_window->exifInfoText().isEmpty(), opened.section('|', 2).contains(' '));
    }

    void droppedFoldersAndPhotosOpen() {
        for (const char* name : {"run/p1.jpg", "run/p2.jpg"}) writeCameraPhoto(name);
        start(photo("run"));
        const auto drop = [this](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(m_window.get(), &enter);
            QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(m_window.get(), &drop);
            return enter.isAccepted() && drop.isAccepted();
        };
        QVERIFY(!drop({QUrl("https://example.org/sub/b.jpg")}));
        QVERIFY(!drop({QUrl::fromLocalFile(photo("sub/b.jpg")), QUrl("https://example.org/")}));
        // A run keeps its folder.
        bool duringRun = true;
        whenStatus("処理中 1/2", [&] { duringRun = drop({QUrl::fromLocalFile(photo("sub"))}); });
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton, {}, QPoint(8, 8));
        runAt2007();
        QCOMPARE(takeBoxes(),
                 QStringList{"対象のファイル、 2件を処理が完了しました。|Ok|Information|処理完了"});
        QVERIFY(!duringRun);
        QCOMPARE(dir1()->path(), photo("run"));

        QVERIFY(drop({QUrl::fromLocalFile(photo("sub/b.jpg"))}));
        QCOMPARE(openedAt(), photo("sub") + "|b.jpg|b.jpg");
        // The same folder again: only what was dropped is selected.
        QVERIFY(drop({QUrl::fromLocalFile(photo("sub/a.jpg"))}));
        QCOMPARE(openedAt(), photo("sub") + "|a.jpg|a.jpg");
        QVERIFY(drop({QUrl::fromLocalFile(photo("run"))}));
        QCOMPARE(openedAt(), photo("run") + "|p1.jpg|p1.jpg");
        QVERIFY(takeBoxes().isEmpty());
    }

    void longNamesShowInFullAsTooltips() {
        const QString name = QString("二〇〇六年 家族旅行 北海道 ").repeated(3) + "0001.jpg";
        writeCameraPhoto("long/a.jpg");
        writeCameraPhoto("long/" + name);
        start(photo("long"));
        const auto tip = [this](int row) {
            const QPoint at = file1()->visualRect(file1()->model()->index(row, 0)).center();
            QHelpEvent help(QEvent::ToolTip, at, file1()->viewport()->mapToGlobal(at));
            QApplication::sendEvent(file1()->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tip(0), QString());
        QCOMPARE(tip(1), name);
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // Also run at twice the scale, where the screen is smaller than the design's minimum.
    void minimumFitsTheScreen() {
        start();
        const QSize available = m_window->screen()->availableGeometry().size();
        const QSize minimum = QSize(849, 504).boundedTo(available);
        const QSize frame = m_window->frameGeometry().size() - m_window->size();
        QCOMPARE(m_window->minimumSize() + frame, minimum);
        QVERIFY(m_window->frameGeometry().width() <= available.width() &&
                m_window->frameGeometry().height() <= available.height());
        m_window->resize(300, 200);
        QTRY_COMPARE(m_window->frameGeometry().size(), minimum);
        // The run button, the settings panel's rightmost control, is inside the window.
        auto* run = control("CmdExe");
        QTRY_VERIFY(m_window->rect().contains(
            QRect(run->mapTo(m_window.get(), QPoint(0, 0)), run->size())));
    }

    void storedTopThatIsNoNumber() {
        settings::SetReg("WTOP", "abc");
        settings::SetReg("DefPath", photo("sub"));
        start();
        QCOMPARE(takeBoxes(), QStringList{"13|Ok|Exclamation|Tovrin"});
        // The window shows as far as it was prepared: not the remembered folder
        // nor the run button's custom face.
        QVERIFY(dir1()->path() != photo("sub"));
        QCOMPARE(control<QPushButton>("CmdExe")->text(), QStringLiteral(" 埋込日付設定実行"));
    }

    void secondInstanceClosesItself() {
        // As the running instance stores it: in the system's own form.
        settings::SetReg("DefPath", QDir::toNativeSeparators(photo("sub")));
        m_secondInstance = true;
        start();
        QCOMPARE(takeBoxes(), QStringList{"すでに起動しています。|Ok|Information|Tovrin"});
        QVERIFY(!m_window->isVisible());
        // It stored nothing: what the running instance stores stays.
        QStringList stored;
        for (const char* key : {"WTOP", "WLEFT", "WWidth", "WHeight", "DefPath"}) {
            stored << Stored(key);
        }
        QCOMPARE(stored, (QStringList{"<absent>", "<absent>", "<absent>", "<absent>",
                                      QDir::toNativeSeparators(photo("sub"))}));
    }

    void rectangleRoundTrip_data() {
        QTest::addColumn<QRect>("stored");  // twips
        QTest::addColumn<bool>("maximized");
        QTest::newRow("as restored") << QRect(3000, 1500, 15000, 9000) << false;
        QTest::newRow("below the minimum") << QRect(150, 150, 9000, 3000) << false;
        QTest::newRow("maximized") << QRect(3000, 1500, 15000, 9000) << true;
    }

    void rectangleRoundTrip() {
        QFETCH(QRect, stored);
        QFETCH(bool, maximized);
        const char* const keys[] = {"WLEFT", "WTOP", "WWidth", "WHeight"};
        const int twips[] = {stored.x(), stored.y(), stored.width(), stored.height()};
        for (int i = 0; i < 4; ++i) settings::SetReg(keys[i], twips[i]);
        start();
        const QRect restored(stored.topLeft() / 15, (stored.size() / 15).expandedTo({849, 504}));
        QTRY_COMPARE(m_window->frameGeometry(), restored);
        if (maximized) m_window->showMaximized();
        QTRY_VERIFY(!maximized || m_window->frameGeometry().width() > restored.width());
        dir1()->setPath(photo("sub"));
        const QRect r = m_window->frameGeometry();
        const int reported[] = {r.x(), r.y(), r.width(), r.height()};
        QVERIFY(m_window->close());
        // What the window reported, in twips, and the folder list's folder.
        for (int i = 0; i < 4; ++i) QCOMPARE(Stored(keys[i]), QString::number(reported[i] * 15));
        QCOMPARE(Stored("DefPath"), QDir::toNativeSeparators(photo("sub")));
        // The next start applies it as it is, and the window does not grow.
        start();
        QTRY_COMPARE(m_window->frameGeometry(), r);
        QCOMPARE(dir1()->path(), photo("sub"));
    }

    // -- Option interlocks and commands ------------------------------------------------------

    void interlocks_data() {
        // Steps: L/R a click with the left or right button, K the space bar, +
        // a check in code.
        // State: Ikkatu, Hoji, Ume checked; DTPTime, DTPumeDate enabled.
        Rows("steps", "state",
             {{"check ikkatu", "L Ikkatu", "110 00"},
              {"uncheck ikkatu", "L Ikkatu, L Ikkatu", "010 00"},
              {"then uncheck hoji", "L Ikkatu, L Ikkatu, L Hoji", "000 10"},
              {"check ume", "L Ume", "111 01"},
              {"uncheck hoji under ume", "L Ume, L Hoji", "101 11"},
              {"space on ikkatu", "K Ikkatu", "100 10"},
              {"right over checked ikkatu", "L Ikkatu, L Hoji, R Ikkatu", "110 00"},
              {"right over hoji checked in code", "+ Hoji, R Hoji", "010 00"},
              {"code runs nothing", "+ Ume, + Ikkatu", "101 10"}});
    }

    void interlocks() {
        QFETCH(QString, steps);
        QFETCH(QString, state);
        start();
        for (const QString& step : steps.split(", ")) {
            QCheckBox* target = chk(step.mid(2));
            const QPoint on(8, target->height() / 2);  // on the box's indicator
            const char how = step.at(0).toLatin1();
            if (how == 'K') {
                QTest::keyClick(target, Qt::Key_Space);
            } else if (how == '+') {
                target->setChecked(true);
            } else {
                QTest::mouseClick(target, how == 'L' ? Qt::LeftButton : Qt::RightButton, {}, on);
            }
        }
        QString actual;
        for (const char* name : {"ChkIkkatu", "ChkHoji", "ChkUme", "DTPTime", "DTPumeDate"}) {
            auto* box = control<QCheckBox>(name);
            actual += (box ? box->isChecked() : control(name)->isEnabled()) ? '1' : '0';
        }
        QCOMPARE(actual.insert(3, ' '), state);
    }

    void commands_data() {
        // "key KEY" dispatches a toolbar key by hand, "do NAME" triggers the
        // toolbar button or menu item of that name.
        Rows("command", "outcome",
             {{"up", "key UP", "folder up"},
              {"preview", "key PhotoBig", "modal a.jpg"},
              {"help", "key Help", "help"},
              {"close", "key Close", "closed"},
              {"key in lower case", "key up", ""},
              {"toolbar button", "do UP", "folder up"},
              {"menu exit", "do mnuEnd", "closed"},
              {"menu about", "do mnuAbout", "modal Tovrinのﾊﾞｰｼﾞｮﾝ情報"}});
    }

    void commands() {
        QFETCH(QString, command);
        QFETCH(QString, outcome);
        QVERIFY(QFile::copy(TOVRIN_HELP_PAGE, m_appFolder->filePath("Tovrin.html")));
        start(photo("sub"));
        const QString what = command.section(' ', 1);
        command.startsWith("key") ? m_window->Toolbar_ButtonClick(what)
                                  : control<QAction>(what)->trigger();
        QStringList seen;
        if (dir1()->path() == m_photos->path()) seen << "folder up";
        for (const QString& caption : std::as_const(m_modals)) seen << "modal " + caption;
        if (!m_window->helpWindows().windows().isEmpty()) seen << "help";
        if (!m_window->isVisible()) seen << "closed";
        QCOMPARE(seen.join(", "), outcome);
        // Closing ran the shutdown.
        if (outcome == "closed")
            QCOMPARE(Stored("DefPath"), QDir::toNativeSeparators(photo("sub")));
    }

    void helpBesideTheWindowUntilShutdown() {
        start();
        // No page: nothing opens and nothing is said.
        m_window->mnuHelpHelp_Click();
        QVERIFY(m_window->helpWindows().windows().isEmpty());
        QVERIFY(QFile::copy(TOVRIN_HELP_PAGE, m_appFolder->filePath("Tovrin.html")));
        // Asked for again, the page comes to the front in the same window.
        m_window->mnuHelpHelp_Click();
        m_window->mnuHelpHelp_Click();
        QCOMPARE(m_window->helpWindows().windows().size(), 1);
        const QPointer<QTextBrowser> page = m_window->helpWindows().windows().front();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        QCOMPARE(page->windowTitle(), QStringLiteral("Tovrin ヘルプ"));
        // Not modal, owned by the main window, beside it.
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(page->parentWidget(), m_window.get());
        QVERIFY(!page->geometry().intersects(m_window->frameGeometry()));
        // Esc and Ctrl+W close it; F1 on the main window opens it.
        QTest::keyClick(page, Qt::Key_Escape);
        QTRY_VERIFY(!page);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_F1);
        QCOMPARE(m_window->helpWindows().windows().size(), 1);
        QPointer<QTextBrowser> again = m_window->helpWindows().windows().front();
        again->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(again));
        QTest::keyClick(again, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!again);
        m_window->mnuHelpHelp_Click();
        const QPointer<QTextBrowser> last = m_window->helpWindows().windows().front();
        // The shutdown closes it.
        QVERIFY(m_window->close());
        QTRY_VERIFY(!last);
    }

    // -- Readout -----------------------------------------------------------------------------

    void readoutOfFullPhotosAndScreenshot() {
        if (Corpus.isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        startOnCopies();
        // Changing the folder selected its first photo and showed it.
        QCOMPARE(file1()->currentFileName(), Full[0]);
        const QJsonDocument manifest = QJsonDocument::fromJson(Bytes(Corpus + "/manifest.json"));
        for (int i = 0; i < 3; ++i) {
            file1()->setCurrentEntry(i);
            const QJsonValue e = manifest["files"][Full[i]]["expected"];
            const QStringList l = m_window->exifInfoText().split("\r\n");
            QCOMPARE(l.value(1), QString("%1×%2")
                                     .arg(e["PixelXDimension"].toInt())
                                     .arg(e["PixelYDimension"].toInt()));
            QCOMPARE(QStringList({l.value(4), l.value(7), l.value(10), l.value(13)}),
                     QStringList({e["DateTimeOriginal"].toString(), "2010/02/03 04:05:06",
                                  e["Make"].toString(), e["Model"].toString()}));
            // Fitted inside the thumbnail box.
            const QRect box = control("PicBack")->geometry().adjusted(-1, -1, 1, 1);
            QVERIFY(image2()->hasPicture() && box.contains(image2()->geometry()));
        }
        QVERIFY(QDir().mkpath(TOVRIN_SCREENSHOT_DIR));
        QVERIFY(m_window->grab().save(TOVRIN_SCREENSHOT_DIR "/main.png"));
    }

    void readoutWithoutExifAndOfSeveralPhotos() {
        start(photo("sub"));
        QCOMPARE(file1()->currentFileName(), QStringLiteral("a.jpg"));
        QCOMPARE(m_window->exifInfoText(), QStringLiteral("ファイルの日付情報が取得できません"));
        QCOMPARE(image2()->naturalSize(), QSize(64, 48));
        // The thumbnail's tooltip is set as the mouse moves over it.
        image2()->setToolTip(QString());
        QTest::mouseMove(image2(), QPoint(5, 5));
        QTRY_COMPARE(image2()->toolTip(), QStringLiteral("ダブルクリックで写真表示"));
        // Two photos selected: no information, no thumbnail, no tooltip.
        file1()->setSelected(1, true);
        QCOMPARE(m_window->exifInfoText(), QString());
        QVERIFY(!image2()->hasPicture());
        QTest::mouseMove(image2(), QPoint(7, 7));
        QTRY_COMPARE(image2()->toolTip(), QString());
    }

    // Files of other kinds in the list: a raw file shows its preview, a movie a notice in the
    // thumbnail box and no error; several selected clear the notice too.
    void readoutOfOtherKinds() {
        if (Corpus.isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        QVERIFY(QDir().mkpath(photo("kinds")));
        for (const char* name : {"QuickTime.mov", "Panasonic.rw2", "PNG.png", "XMP.xmp"}) {
            QFile file(photo("kinds/") + name);
            QVERIFY(QFile::copy(Corpus + "/formats/" + name, file.fileName()) &&
                    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        }
        start(photo("kinds"));
        QCOMPARE(file1()->entryCount(), 3);  // the sidecar is no photo
        QCOMPARE(file1()->entry(2), QStringLiteral("QuickTime.mov"));
        takeBoxes();
        clickEntry(2);
        QCOMPARE(takeBoxes(), QStringList());
        QVERIFY(image2()->isVisible() && image2()->hasNotice() && !image2()->hasPicture());
        QCOMPARE(image2()->notice(), QStringLiteral("動画の縮小表示はありません"));
        // No viewer promised for a notice.
        image2()->setToolTip(QStringLiteral("x"));
        QTest::mouseMove(image2(), QPoint(5, 5));
        QTRY_COMPARE(image2()->toolTip(), QString());
        file1()->setSelected(1, true);
        QVERIFY(!image2()->hasNotice() && !image2()->hasPicture());
        file1()->setCurrentEntry(0);
        QCOMPARE(file1()->entry(0), QStringLiteral("Panasonic.rw2"));
        QVERIFY(image2()->hasPicture() && !image2()->hasNotice());
        QCOMPARE(image2()->naturalSize(), QSize(8, 8));  // its JpgFromRaw
        file1()->setCurrentEntry(1);
        QCOMPARE(image2()->naturalSize(), QSize(16, 16));
        QCOMPARE(takeBoxes(), QStringList());
    }

    void undecodableAndVanishedPhotosAfterAClick() {
        // A file that is no picture at all.
        QVERIFY(QFile::copy(TOVRIN_HELP_PAGE, photo("sub/zz-broken.jpg")));
        start(photo("sub"));
        clickEntry(2);
        QCOMPARE(takeBoxes(), QStringList{BadPicture + "|Ok|Exclamation|Tovrin"});
        QCOMPARE(m_window->exifInfoText(), QString());
        QVERIFY(!image2()->hasPicture());
        // The program goes on.
        file1()->setCurrentEntry(0);
        QVERIFY(image2()->hasPicture());
        QVERIFY(QFile::remove(photo("sub/b.jpg")));
        clickEntry(1);
        QCOMPARE(takeBoxes(), QStringList{"フォルダ内の情報が変更された可能性が有る為、最新の情報へ"
                                          "更新します。|Ok|Information|Tovrin"});
        QCOMPARE(file1()->entryCount(), 2);
    }

    void undecodablePhotoInsideARunIsStillProcessed() {
        // A photo that cannot be decoded comes first; the whole-folder run
        // selects it in code, shows no thumbnail for it and goes on: the
        // engine reports it (no EXIF data) like the other photos here.
        start(photo("sub"));
        QVERIFY(QFile::copy(TOVRIN_HELP_PAGE, photo("sub/00-broken.jpg")));
        file1()->refresh();
        const QByteArray before = Bytes(photo("sub/a.jpg"));
        chk("Ikkatu")->setChecked(true);
        chk("Hoji")->setChecked(true);
        runAt2007();
        const auto failed = [](const QString& name) {
            return "ファイルの日付情報が取得できません\r\n" + name +
                   "の更新に失敗しました|Ok||Tovrin";
        };
        QCOMPARE(takeBoxes(),
                 (QStringList{failed("00-broken.jpg"), failed("a.jpg"), failed("b.jpg"),
                              "変換対象のファイルが存在しませんでした。|Ok|Information|処理完了"}));
        QCOMPARE(Bytes(photo("sub/a.jpg")), before);
    }

    // -- Runs through the real window --------------------------------------------------------

    void runsThroughTheWindow() {
        if (Corpus.isEmpty()) QSKIP("photo corpus not found (TOVRIN_CORPUS_DIR)");
        startOnCopies();
        const auto contents = [this] {
            QStringList all;
            for (const QString& name : Full) all << Bytes(photo(name)).toBase64();
            return all;
        };
        // One photo clicked: no box at all (cleanup checks it), the readout
        // already shows the new dates, the other photos are untouched.
        const QStringList before = contents();
        clickEntry(1);
        runAt2007();
        const QStringList lines = m_window->exifInfoText().split("\r\n");
        QCOMPARE(lines.value(4) + ' ' + lines.value(7),
                 QStringLiteral("2007:01:23 09:05:00 2007/01/23 09:05:00"));
        const QStringList after = contents();
        QVERIFY(after[0] == before[0] && after[2] == before[2]);

        // The whole folder on one moment is confirmed first; cancelled, nothing changes.
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton);
        chk("Hoji")->setChecked(false);  // the click checked it
        QStringList boxes{
            "フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？"
            "|OkCancel||Tovrin"};
        m_answer = MsgAnswer::Cancel;
        runAt2007();
        QCOMPARE(takeBoxes(), boxes);
        QCOMPARE(contents(), after);
        QStringList datesBefore;
        for (const QString& name : Full) datesBefore << read(name).DateTimeOriginal.c_str();
        m_answer = MsgAnswer::Ok;
        runAt2007();
        QCOMPARE(takeBoxes(),
                 boxes << "対象のファイル、 3件を処理が完了しました。|Ok|Information|処理完了");
        // The log is in the system's code page (UTF-8 here, the ANSI code
        // page on Windows) and names each photo in the system's own form.
        const QStringList log =
            QString::fromLocal8Bit(Bytes(m_appFolder->filePath(LogFileName(Now()).c_str())))
                .split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(log.size(), 4);
        for (int i = 0; i < 3; ++i) {
            const PhotoInfo info = read(Full[i]);
            QCOMPARE(info.DateTimeOriginal + ' ' + info.DateTime,
                     std::string("2007:01:23 09:05:00 2007:01:23 09:05:00"));
            QVERIFY(LastWriteTime(photo(Full[i]).toStdString()) ==
                    (LocalDateTime{2007, 1, 23, 9, 5}));
            // The log keeps the dates from before the change, one line a photo, in list order.
            const QString fileDate = i == 1 ? "2007/01/23 9:05:00" : "2010/02/03 4:05:06";
            QVERIFY2(log[i + 1].endsWith("ExifData> [パス-" +
                                         QDir::toNativeSeparators(photo(Full[i])) + "] [埋込日付-" +
                                         datesBefore[i] + "] [ファイル日付-" + fileDate + "]"),
                     qPrintable(log[i + 1]));
        }
        // The selection grew to the whole list, so the readout shows nothing.
        QCOMPARE(m_window->exifInfoText(), QString());
        QCOMPARE(control<QLabel>("lbl_FileTime")->text(), QStringLiteral("04:05:06"));

        // 元に戻す (Ctrl+Z) offers the runs, the whole-folder run first, and gives it back
        // after asking; the undo logs its photos like any run.
        m_modals.clear();
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_modals, QStringList{"元に戻す"});
        QCOMPARE(takeBoxes(),
                 (QStringList{"直前の処理で変更した写真 3件を元に戻します。\r\nよろしいですか？"
                              "|OkCancel|Exclamation|Tovrin",
                              "3件を元に戻しました。|Ok|Information|処理完了"}));
        QCOMPARE(contents(), after);
        QCOMPARE(QString::fromLocal8Bit(Bytes(m_appFolder->filePath(LogFileName(Now()).c_str())))
                     .split("\r\n", Qt::SkipEmptyParts)
                     .size(),
                 log.size() + 3);
        // Given back, the run is no longer the one offered: the one-photo run before it is.
        m_answer = MsgAnswer::Cancel;
        m_window->findChild<QAction*>("mnuUndo")->trigger();
        QCOMPARE(takeBoxes(),
                 QStringList{"直前の処理で変更した写真 1件を元に戻します。\r\nよろしいですか？"
                             "|OkCancel|Exclamation|Tovrin"});
        QCOMPARE(contents(), after);
    }

    // -- While a run works -------------------------------------------------------------------

    void runLocksTheWindowAndCanBeStopped_data() {
        // What happens when the status bar first shows `at`: "esc" (the key),
        // "close" (the window's close box) or "look"; the answers to the
        // question; how many photos the run changed; whether the window closed.
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("at");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<int>("changed");
        QTest::addColumn<bool>("closed");
        const auto row = Row<const char*, const char*, const char*, int, bool>;
        row("look", "look", "処理中 1/3: p1.jpg", "", 3, false);
        row("esc, stop", "esc", "処理中 2/3: p2.jpg", "Ok", 2, false);
        row("esc, go on", "esc", "処理中 1/3", "Cancel", 3, false);
        row("esc at the last photo", "esc", "処理中 3/3", "", 3, false);
        row("close, stop", "close", "処理中 2/3", "Ok", 2, true);
        row("close, go on", "close", "処理中 1/3", "Cancel", 3, false);
        row("close at the last photo", "close", "処理中 3/3", "", 3, true);
    }

    void runLocksTheWindowAndCanBeStopped() {
        QFETCH(QString, what);
        QFETCH(QString, at);
        QFETCH(QString, answers);
        QFETCH(int, changed);
        QFETCH(bool, closed);
        for (const char* name : {"run/p1.jpg", "run/p2.jpg", "run/p3.jpg"}) writeCameraPhoto(name);
        start(photo("run"));
        // The whole folder, each photo keeping its time: no confirmation. The
        // interlock disables the time picker, and the run must leave it so.
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton, {}, QPoint(8, 8));
        const QString before = lockState(), statusBefore = status();
        QVERIFY(before.contains("DTPTime=0 ") && before.contains("DTPumeDate=0 "));
        QString during, progress;
        whenStatus(at, [&] {
            during = lockState();
            progress = status();
            // Neither the toolbar nor the lists' keys move the folder meanwhile.
            m_window->Toolbar_ButtonClick("UP");
            QTest::keyClick(file1(), Qt::Key_Backspace);
            if (what == "esc") QTest::keyClick(m_window.get(), Qt::Key_Escape);
            if (what == "close") QVERIFY(!m_window->close());
        });
        for (const QString& a : answers.split(',', Qt::SkipEmptyParts)) {
            m_answers << (a == "Ok" ? MsgAnswer::Ok : MsgAnswer::Cancel);
        }
        runAt2007();

        QStringList boxes;
        if (!answers.isEmpty()) boxes << "処理を中止しますか?|OkCancel|Exclamation|Tovrin";
        boxes << QString("対象のファイル、 %1件を処理が完了しました。|Ok|Information|処理完了")
                     .arg(changed);
        QCOMPARE(takeBoxes(), boxes);
        QVERIFY(m_answers.isEmpty());
        int rewritten = 0;
        for (const char* name : {"run/p1.jpg", "run/p2.jpg", "run/p3.jpg"}) {
            rewritten += read(name).DateTimeOriginal == "2007:01:23 10:11:12";
        }
        QCOMPARE(rewritten, changed);
        QVERIFY(progress.startsWith(at));
        QCOMPARE(during, QString(before).replace("=1", "=0"));
        QCOMPARE(m_window->isVisible(), !closed);
        if (closed) {
            // The shutdown ran once the run had ended.
            QCOMPARE(Stored("DefPath"), QDir::toNativeSeparators(photo("run")));
            return;
        }
        QCOMPARE(lockState(), before);
        QCOMPARE(status(), statusBefore);
        QCOMPARE(dir1()->path(), photo("run"));
    }

    // -- 日時をずらす ---------------------------------------------------------------------------

    void shiftPreviewsWhatItMoves_data() {
        QTest::addColumn<bool>("filter");         // 指定した埋込日付, 2008/10/22
        QTest::addColumn<QStringList>("listed");  // besides a.jpg's three dates
        QTest::addColumn<QString>("otherDay");    // b.jpg's dates afterwards
        const QString b = "b.jpg|%1|2008:10:21 09:00:00|2008:10:21 08:00:00";
        QTest::newRow("whole folder")
            << false
            << QStringList{b.arg("DateTimeOriginal"), b.arg("DateTimeDigitized"), b.arg("DateTime"),
                           "c.jpg|||(変更なし)"}
            << "2008:10:21 08:00:00";
        QTest::newRow("day filter") << true << QStringList{} << "2008:10:21 09:00:00";
    }

    void shiftPreviewsWhatItMoves() {
        // a.jpg's DateTime is an hour behind its capture date; b.jpg is of
        // another day; c.jpg has EXIF data but no date that names a moment;
        // d.jpg has no EXIF data (the run says so, as it does when setting).
        QFETCH(bool, filter);
        QFETCH(QStringList, listed);
        QFETCH(QString, otherDay);
        test::Jpeg a = test::CameraPhoto(test::Order::II, "2008:10:22 15:18:48");
        a.tiff.ifd0[3] = test::Text(0x0132, "2008:10:22 14:18:48");
        writeCameraPhoto("day/a.jpg", a);
        writeCameraPhoto("day/b.jpg", test::CameraPhoto(test::Order::MM, "2008:10:21 09:00:00"));
        writeCameraPhoto("day/c.jpg", test::CameraPhoto(test::Order::II, "0000:00:00 00:00:00"));
        QVERIFY(QFile::copy(photo("sub/a.jpg"), photo("day/d.jpg")));
        const QByteArray c = Bytes(photo("day/c.jpg")), d = Bytes(photo("day/d.jpg"));
        start(photo("day"));
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton, {}, QPoint(8, 8));
        if (filter) {
            QTest::mouseClick(chk("Ume"), Qt::LeftButton, {}, QPoint(8, 8));
            control<QDateEdit>("DTPumeDate")->setDate(QDate(2008, 10, 22));
        }
        QStringList rows;
        whenPreview(rows, -1);
        control<QAction>("mnuShift")->trigger();

        QCOMPARE(rows,
                 QStringList({"a.jpg|DateTimeOriginal|2008:10:22 15:18:48|2008:10:22 14:18:48",
                              "a.jpg|DateTimeDigitized|2008:10:22 15:18:48|2008:10:22 14:18:48",
                              "a.jpg|DateTime|2008:10:22 14:18:48|2008:10:22 13:18:48"}) +
                     listed);
        // The run moved what the preview listed, and nothing else.
        QCOMPARE(takeBoxes(),
                 (QStringList{
                     "ファイルの日付情報が取得できません\r\nd.jpgの更新に失敗しました|Ok||Tovrin",
                     QString("対象のファイル、 %1件を処理が完了しました。|Ok|Information|処理完了")
                         .arg(filter ? 1 : 2)}));
        const PhotoInfo moved = read("day/a.jpg");
        QCOMPARE(moved.DateTimeOriginal + ' ' + moved.DateTimeDigitized + ' ' + moved.DateTime,
                 std::string("2008:10:22 14:18:48 2008:10:22 14:18:48 2008:10:22 13:18:48"));
        QCOMPARE(QString::fromStdString(read("day/b.jpg").DateTime), otherDay);
        QVERIFY(Bytes(photo("day/c.jpg")) == c && Bytes(photo("day/d.jpg")) == d);
    }

    void cancelledReadingShiftsNothing() {
        writeCameraPhoto("day/a.jpg");
        writeCameraPhoto("day/b.jpg");
        const QByteArray before = Bytes(photo("day/a.jpg")) + Bytes(photo("day/b.jpg"));
        start(photo("day"));
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton, {}, QPoint(8, 8));
        // Should the preview still come up, it would shift by an hour.
        QStringList rows;
        const QPointer<QTimer> preview = whenPreview(rows, 1);
        bool cancelled = false;
        auto* watch = new QTimer(m_window.get());
        connect(watch, &QTimer::timeout, watch, [this, watch, &cancelled] {
            auto* progress = m_window->findChild<QProgressDialog*>();
            if (!progress) return;
            watch->stop();
            watch->deleteLater();
            progress->findChild<QPushButton*>()->click();
            cancelled = true;
        });
        watch->start(0);
        control<QAction>("mnuShift")->trigger();
        delete preview;
        QVERIFY(cancelled);
        QVERIFY(rows.isEmpty());
        QCOMPARE(Bytes(photo("day/a.jpg")) + Bytes(photo("day/b.jpg")), before);
    }

    // -- EXIF の日付だけを書き換える ------------------------------------------------------------

    void exifOnlyReachesTheRunAndIsRemembered_data() {
        // How often the user chooses the menu item, and the photo's XMP
        // capture date once the run has set 2007/01/23 09:05:00.
        QTest::addColumn<int>("choices");
        QTest::addColumn<QString>("xmpAfter");
        QTest::newRow("never: the copies follow") << 0 << "2007-01-23T09:05:00+09:00";
        QTest::newRow("once: EXIF alone") << 1 << "2006-05-04T10:11:12+09:00";
        QTest::newRow("twice: the copies follow again") << 2 << "2007-01-23T09:05:00+09:00";
    }

    void exifOnlyReachesTheRunAndIsRemembered() {
        QFETCH(int, choices);
        QFETCH(QString, xmpAfter);
        const bool exifOnly = choices % 2 == 1;
        writeCameraPhoto("xmp/a.jpg", test::CameraPhoto(), CopiesOfTheDate());
        start(photo("xmp"));
        auto* setting = control<QAction>("mnuExifOnly");
        QVERIFY(setting->isCheckable());
        QVERIFY(!setting->isChecked());
        for (int i = 0; i < choices; ++i) setting->trigger();
        QCOMPARE(setting->isChecked(), exifOnly);
        QCOMPARE(Stored("ExifOnly"), choices == 0 ? "<absent>" : exifOnly ? "1" : "0");

        clickEntry(0);
        runAt2007();
        QCOMPARE(read("xmp/a.jpg").DateTimeOriginal, std::string("2007:01:23 09:05:00"));
        const QByteArray bytes = Bytes(photo("xmp/a.jpg"));
        QVERIFY2(bytes.contains("xmp:CreateDate='" + xmpAfter.toLatin1() + "'"), bytes.data());
        QCOMPARE(bytes.contains("20070123"), !exifOnly);  // IPTC 2:55

        // The next start has the setting as it was left.
        m_window.reset();
        start(photo("xmp"));
        QCOMPARE(control<QAction>("mnuExifOnly")->isChecked(), exifOnly);
    }

    // -- 実行オプション, ファイル名から日付を設定
    // ----------------------------------------------------

    // Adding EXIF is remembered across starts, the step only for the session.
    void runOptionsAreStoredOrForgotten() {
        start(m_photos->path());
        QCOMPARE(Stored("AddMissing"), "<absent>");
        whenDialog("RunOptionsDialog", [](QDialog& dialog) {
            dialog.findChild<QCheckBox*>("chkAddMissing")->setChecked(true);
            dialog.findChild<QCheckBox*>("chkStep")->setChecked(true);
            dialog.findChild<QSpinBox*>("spnStep")->setValue(2);
            dialog.accept();
        });
        control<QAction>("mnuRunOptions")->trigger();
        QCOMPARE(Stored("AddMissing"), "1");
        // Opened again, the dialog shows what was chosen.
        QString shown;
        const auto look = [&shown](QDialog& dialog) {
            shown = QStringLiteral("%1 %2 %3")
                        .arg(int(dialog.findChild<QCheckBox*>("chkAddMissing")->isChecked()))
                        .arg(int(dialog.findChild<QCheckBox*>("chkStep")->isChecked()))
                        .arg(dialog.findChild<QSpinBox*>("spnStep")->value());
            dialog.reject();
        };
        whenDialog("RunOptionsDialog", look);
        control<QAction>("mnuRunOptions")->trigger();
        QCOMPARE(shown, "1 1 2");
        m_window.reset();
        start(m_photos->path());
        whenDialog("RunOptionsDialog", look);
        control<QAction>("mnuRunOptions")->trigger();
        QCOMPARE(shown, "1 0 1");
        QCOMPARE(Stored("AddMissing"), "1");
    }

    // The folder's photos each get the moment their name tells; a photo
    // whose name tells none stays as it was, and raises no box.
    void datesFromTheNames() {
        writeCameraPhoto("named/IMG_20210314_121530.jpg");
        writeCameraPhoto("named/scan1.jpg");
        const QByteArray scan = Bytes(photo("named/scan1.jpg"));
        start(photo("named"));
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton, {}, QPoint(8, 8));
        QStringList rows;
        QString count;
        whenDialog("FromNameDialog", [&rows, &count](QDialog& dialog) {
            auto& fromName = static_cast<FromNameDialog&>(dialog);
            const FromNameModel& model = fromName.preview();
            for (int row = 0; row < model.rowCount(); ++row)
                rows << model.index(row, FromNameModel::Name).data().toString() + '|' +
                            model.index(row, FromNameModel::Before).data().toString();
            count = fromName.countLabel()->text();
            fromName.runButton()->click();
        });
        control<QAction>("mnuFromName")->trigger();
        QCOMPARE(rows, (QStringList{"IMG_20210314_121530.jpg|2006:05:04 10:11:12",
                                    "scan1.jpg|2006:05:04 10:11:12"}));
        QCOMPARE(count, "日付を設定する写真: 1 件 (ファイル名から読めないもの 1 件)");
        QCOMPARE(read("named/IMG_20210314_121530.jpg").DateTimeOriginal,
                 std::string("2021:03:14 12:15:30"));
        QCOMPARE(Bytes(photo("named/scan1.jpg")), scan);
        QCOMPARE(takeBoxes(),
                 QStringList{"対象のファイル、 1件を処理が完了しました。|Ok|Information|処理完了"});
    }

    void shiftPreviewListsTheCopies_data() {
        QTest::addColumn<bool>("exifOnly");
        QTest::addColumn<QStringList>("copyRows");  // after a.jpg's three EXIF texts
        QTest::addColumn<QString>("count");         // under the table, "" for none
        QTest::addColumn<QByteArray>("xmpAfter");   // the XMP capture date afterwards
        QTest::newRow("with the copies")
            << false
            << QStringList{"a.jpg|xmp:CreateDate|2006-05-04T10:11:12+09:00|"
                           "2006-05-04T11:11:12+09:00",
                           "a.jpg|photoshop:DateCreated|2006-05-03|(そのまま)",
                           "a.jpg|IPTC 2:55 DateCreated|20060504|(変更なし)",
                           "a.jpg|IPTC 2:60 TimeCreated|101112+0900|111112+0900"}
            << "XMP・IPTC などの日付の写し: 4 件 (そのままになるもの 1 件)"
            << QByteArray("2006-05-04T11:11:12+09:00");
        QTest::newRow("EXIF alone")
            << true << QStringList{} << "" << QByteArray("2006-05-04T10:11:12+09:00");
    }

    void shiftPreviewListsTheCopies() {
        QFETCH(bool, exifOnly);
        QFETCH(QStringList, copyRows);
        QFETCH(QString, count);
        QFETCH(QByteArray, xmpAfter);
        writeCameraPhoto("xmp/a.jpg", test::CameraPhoto(), CopiesOfTheDate());
        start(photo("xmp"));
        if (exifOnly) control<QAction>("mnuExifOnly")->trigger();
        clickEntry(0);
        QStringList rows;
        QString copies = "<not shown>";
        whenPreview(rows, 1, &copies);
        control<QAction>("mnuShift")->trigger();

        const QString exif = "a.jpg|%1|2006:05:04 10:11:12|2006:05:04 11:11:12";
        QCOMPARE(rows, QStringList({exif.arg("DateTimeOriginal"), exif.arg("DateTimeDigitized"),
                                    exif.arg("DateTime")}) +
                           copyRows);
        QCOMPARE(copies, count);
        // The run moved what the preview listed.
        QCOMPARE(read("xmp/a.jpg").DateTimeOriginal, std::string("2006:05:04 11:11:12"));
        QVERIFY(Bytes(photo("xmp/a.jpg")).contains("xmp:CreateDate='" + xmpAfter + "'"));
    }

    // -- 元に戻す -----------------------------------------------------------------------------

    void undoChooserCountsTheCopies_data() {
        QTest::addColumn<bool>("exifOnly");
        QTest::addColumn<QString>("offered");  // the run offered: "kind|photos|state"
        // Of each photo's four copies, the shift rewrites the XMP capture
        // moment and the IPTC time: its IPTC date stays the same day, and the
        // XMP date of a day of its own is left.
        QTest::newRow("with the copies") << false << "日時をずらす|2件 (日付の写し 4件)|直前の処理";
        QTest::newRow("EXIF alone") << true << "日時をずらす|2件|直前の処理";
    }

    void undoChooserCountsTheCopies() {
        QFETCH(bool, exifOnly);
        QFETCH(QString, offered);
        const OwnStateFolder state;
        for (const char* name : {"xmp/a.jpg", "xmp/b.jpg"})
            writeCameraPhoto(name, test::CameraPhoto(), CopiesOfTheDate());
        start(photo("xmp"));
        if (exifOnly) control<QAction>("mnuExifOnly")->trigger();
        QTest::mouseClick(chk("Ikkatu"), Qt::LeftButton, {}, QPoint(8, 8));
        QStringList rows;
        whenPreview(rows, 1);
        control<QAction>("mnuShift")->trigger();
        QCOMPARE(takeBoxes(),
                 QStringList{"対象のファイル、 2件を処理が完了しました。|Ok|Information|処理完了"});

        // The chooser is read and closed: nothing is given back.
        QStringList runs;
        auto* watch = new QTimer(m_window.get());
        connect(watch, &QTimer::timeout, watch, [watch, &runs] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != QLatin1String("UndoDialog")) return;
            watch->stop();
            watch->deleteLater();
            const auto* list = dialog->findChild<QTreeWidget*>("runs");
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* run = list->topLevelItem(i);
                runs << run->text(1) + '|' + run->text(2) + '|' + run->text(3);
            }
            dialog->reject();
        });
        watch->start(0);
        const QByteArray shifted = Bytes(photo("xmp/a.jpg"));
        control<QAction>("mnuUndo")->trigger();
        QCOMPARE(runs, QStringList{offered});
        QCOMPARE(Bytes(photo("xmp/a.jpg")), shifted);
    }

    // -- A folder gone from the disk -----------------------------------------------------

    void vanishedFolder_data() {
        // The lists are on x/y, which holds one photo; x holds none, nor does
        // the photo folder itself.
        Rows("removed", "how",
             {{"F5 in the file list", "x/y", "File1 F5"},
              {"F5 in the folder list", "x/y", "Dir1 F5"},
              {"two levels gone", "x", "File1 F5"},
              {"a click on its photo", "x/y", "click"}});
    }

    void vanishedFolder() {
        QFETCH(QString, removed);
        QFETCH(QString, how);
        writeCameraPhoto("x/y/c.jpg");
        start(photo("x/y"));
        QVERIFY(!m_window->exifInfoText().isEmpty() && image2()->hasPicture());
        QVERIFY(QDir(photo(removed)).removeRecursively());
        if (how == "click") {
            clickEntry(0);
            QCOMPARE(takeBoxes(),
                     QStringList{"フォルダ内の情報が変更された可能性が有る為、最新の情報へ"
                                 "更新します。|Ok|Information|Tovrin"});
        } else {
            QTest::keyClick(how.startsWith("File1") ? static_cast<QWidget*>(file1()) : dir1(),
                            Qt::Key_F5);
        }
        const QString landing = QFileInfo(photo(removed)).path();
        QTRY_COMPARE(dir1()->path(), landing);
        QCOMPARE(file1()->path(), landing);
        QCOMPARE(status(), QDir::toNativeSeparators(landing));
        QCOMPARE(m_window->exifInfoText(), QString());
        QVERIFY(!image2()->hasPicture());
    }

    // -- What the window shows -------------------------------------------------------------

    void typingIntoAClickedField_data() {
        // The picker, the first character of the field clicked, the keys, the text then.
        QTest::addColumn<QString>("picker");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        const auto row = Row<const char*, int, const char*, const char*>;
        row("year", "DTPDate", 0, "1999", "1999/01/02");
        row("month", "DTPDate", 5, "03", "2035/03/02");
        row("day", "DTPDate", 8, "15", "2035/01/15");
        row("minutes", "DTPTime", 3, "07", "23:07:58");
        row("seconds", "DTPTime", 6, "9", "23:59:09");
        // Typed as it is written, each number lands in its part.
        row("date as written", "DTPDate", 0, "2008/10/22", "2008/10/22");
        row("short parts", "DTPDate", 0, "2008-1-5", "2008/01/05");
        row("time as written", "DTPTime", 0, "09:05:07", "09:05:07");
    }

    void typingIntoAClickedField() {
        QFETCH(QString, picker);
        QFETCH(int, at);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        start();
        auto* edit = control<QDateTimeEdit>(picker);
        QLineEdit* line = edit->findChild<QLineEdit*>();
        // On the field's first character, past its middle.
        QPoint point(0, line->height() / 2);
        while (line->cursorPositionAt(point) <= at && point.x() < line->width()) point.rx()++;
        QTest::mouseClick(line, Qt::LeftButton, {}, point);
        QTest::keyClicks(edit, keys);
        QCOMPARE(line->text(), text);
    }

    void looks() {
        start(photo("sub"));
        // The toolbar's buttons, captions included, lie inside it, over the
        // background frame's edge.
        auto* toolbar = control<QToolBar>("Toolbar");
        QVERIFY(toolbar->autoFillBackground());
        for (QAction* action : toolbar->actions()) {
            const QWidget* button = toolbar->widgetForAction(action);
            QVERIFY2(toolbar->rect().contains(button->geometry()), qPrintable(action->text()));
            QVERIFY(button->sizeHint().height() <= toolbar->height());
        }
        // The no-information line is wider than the column: it wraps.
        QCOMPARE(m_window->exifInfoText(), QStringLiteral("ファイルの日付情報が取得できません"));
        auto* info = control<QPlainTextEdit>("txt_Exif_Info");
        QTRY_COMPARE(info->horizontalScrollBar()->maximum(), 0);
        QVERIFY(!info->horizontalScrollBar()->isVisible());
        // Saturday blue, Sunday red, in both date pickers' calendars.
        for (const char* name : {"DTPDate", "DTPumeDate"}) {
            const QCalendarWidget* calendar = control<QDateEdit>(name)->calendarWidget();
            QCOMPARE(calendar->weekdayTextFormat(Qt::Saturday).foreground().color(),
                     QColor(Qt::blue));
            QCOMPARE(calendar->weekdayTextFormat(Qt::Sunday).foreground().color(), QColor(Qt::red));
        }
    }

    void controlCharactersShowAsBlanks() {
        test::Jpeg exif = test::CameraPhoto();
        exif.tiff.ifd0[0] = test::Text(0x010F, "Can\ron");
        exif.tiff.ifd0[1] = test::Text(0x0110, "A\r\nB\x1b[31m\x7f\tC");
        writeCameraPhoto("cc/c.jpg", exif);
        start(photo("cc"));
        const QStringList lines = m_window->exifInfoText().split("\r\n");
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[10] + '|' + lines[13], QStringLiteral("Can on|A  B [31m  C"));
        QCOMPARE(control<QPlainTextEdit>("txt_Exif_Info")->document()->blockCount(), 14);
    }
};

}  // namespace tovrin

// Runs offscreen on a desktop-sized screen (see CMakeLists.txt).
QTEST_MAIN(tovrin::WindowTest)
#include "window_test.moc"
