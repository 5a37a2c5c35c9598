#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "exif/runtime_error.h"
#include "messages/message_boxes.h"
#include "photo/frm_viewer.h"
#include "photo/picture_box.h"
#include "photo/picture_size_edit.h"

namespace tovrin {

namespace {

// Records each box shown as "title [OK, critical]: text" and answers OK.
struct RecordingBoxes : MessageBoxes {
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        const bool okCritical = buttons == MsgButtons::Ok && icon == MsgIcon::Critical;
        shown.push_back(title + (okCritical ? " [OK, critical]: " : " [other]: ") + text);
        return MsgAnswer::Ok;
    }
    std::vector<std::string> shown;
};

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The left half red and the right half blue, so a test can tell where shown pixels came from.
bool redThenBlue(const QImage& shown) {
    const QColor left = shown.pixelColor(2, shown.height() / 2);
    const QColor right = shown.pixelColor(shown.width() - 3, shown.height() / 2);
    return left.red() > 180 && left.blue() < 80 && right.blue() > 180 && right.red() < 80;
}

}  // namespace

// The thumbnail as the main window has it (the black box PicBack and the picture Image2 above
// it, in one panel) and the viewer, owned by that panel's window.
class PhotoWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_boxes.shown.clear();
        m_frame = std::make_unique<QWidget>();
        m_frame->setGeometry(60, 50, 640, 480);
        m_picBack = new QLabel(m_frame.get());
        m_picBack->setGeometry(3, 222, 193, 161);
        m_image2 = new PictureBox(m_frame.get());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup() {
        m_frame.reset();
        m_dir.reset();
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window was left open");
    }

    void thumbnailFits_data() {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QRect>("expected");
        const QRect box(3, 222, 193, 161);
        QTest::newRow("16 x 16 enlarged") << QSize(16, 16) << box << QRect(19, 222, 161, 161);
        QTest::newRow("4000 x 3000 decoded at the size shown")
            << QSize(4000, 3000) << box << QRect(3, 230, 193, 145);
        QTest::newRow("widened box: 4:3 turns height-bound")
            << QSize(640, 480) << QRect(3, 222, 300, 161) << QRect(46, 222, 214, 161);
        QTest::newRow("zero-size box fails nothing")
            << QSize(640, 480) << QRect(3, 222, 0, 0) << QRect(3, 222, 0, 0);
    }

    void thumbnailFits() {
        QFETCH(QSize, pixels);
        QFETCH(QRect, box);
        QFETCH(QRect, expected);
        m_picBack->setGeometry(box);

        FitThumbnail(*m_image2, *m_picBack, photo(pixels));

        QCOMPARE(m_image2->geometry(), expected);
        QVERIFY(m_image2->isVisible() && m_image2->hasPicture());
        QCOMPARE(m_image2->naturalSize(), pixels);
        QCOMPARE(m_picBack->geometry(), box);
        if (!expected.isEmpty()) {
            QCOMPARE(m_image2->pixels().size(), expected.size());
            QVERIFY(redThenBlue(m_frame->grab(expected).toImage()));
        }
    }

    void thumbnailIgnoresTheRecordedOrientation() {
        // An EXIF block whose IFD0 holds only Orientation 6 (turned a quarter clockwise).
        //   APP1 length 34 | "Exif" 0 0 | "II" 42, IFD0 at 8 | 1 entry: 0x0112 SHORT 1 = 6 | next 0
        const QByteArray exif = QByteArray::fromHex(
            "FFE10022 457869660000 49492A0008000000 0100 120103000100000006000000 00000000");
        QFile file(photo(QSize(400, 300)));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray plain = file.readAll();
        QVERIFY(file.seek(0) && file.write(plain.left(2) + exif + plain.mid(2)) > plain.size());
        file.close();
        QImageReader turning(file.fileName());  // the file really asks to be turned
        turning.setAutoTransform(true);
        QCOMPARE(turning.read().size(), QSize(300, 400));

        FitThumbnail(*m_image2, *m_picBack, file.fileName());
        QCOMPARE(m_image2->naturalSize(), QSize(400, 300));
        QCOMPARE(m_image2->geometry(), QRect(3, 230, 193, 145));
        QVERIFY(redThenBlue(m_image2->pixels()));
    }

    void thumbnailFailures_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: no file at all
        QTest::addColumn<int>("number");
        QTest::newRow("text named .jpg") << QByteArray("not a picture\n") << error::BadPicture;
        QTest::newRow("JPEG cut in its header")
            << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 13) << error::BadPicture;
        QTest::newRow("missing") << QByteArray() << error::FileNotFound;
    }

    void thumbnailFailures() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        // The photo shown before must not stay behind for the failed one.
        FitThumbnail(*m_image2, *m_picBack, photo(QSize(640, 480)));
        const QString path = m_dir->filePath(QStringLiteral("bad.jpg"));
        if (!bytes.isNull()) {
            QVERIFY(writeBytes(path, bytes));
        }
        try {
            FitThumbnail(*m_image2, *m_picBack, path);
            QFAIL("no error raised");
        } catch (const RuntimeError& failure) {
            QCOMPARE(failure.number(), number);
        }
        QVERIFY(!m_image2->isVisible() && !m_image2->hasPicture());
    }

    void viewerOpensCentredAndFitsOnResize_data() {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("design size") << QSize(640, 480) << QSize(494, 367) << QRect(2, 0, 490, 367);
        QTest::newRow("landscape, tall")
            << QSize(400, 200) << QSize(300, 500) << QRect(0, 175, 300, 150);
    }

    void viewerOpensCentredAndFitsOnResize() {
        QFETCH(QSize, pixels);
        QFETCH(QSize, client);
        QFETCH(QRect, expected);
        auto viewer = shownViewer(photo(pixels, QStringLiteral("写真 0001.jpg")));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("写真 0001.jpg"));
        QCOMPARE(viewer->clientArea()->size(), QSize(494, 367));
        const QPoint offCentre =
            viewer->frameGeometry().center() - m_frame->frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, "the viewer is not centred over its owner");

        viewer->resize(client + viewer->size() - viewer->clientArea()->size());
        QTRY_COMPARE(viewer->clientArea()->size(), client);

        QTRY_COMPARE(viewer->imgViewer()->geometry(), expected);
        QVERIFY(viewer->imgViewer()->isVisible());
        QCOMPARE(viewer->imgViewer()->pixels().size(), expected.size());
        QCOMPARE(viewer->lblPicBack()->geometry(), QRect(QPoint(0, 0), client));
        QVERIFY(m_boxes.shown.empty());
    }

    void actualSizeThenResize() {
        auto viewer = shownViewer(photo(QSize(640, 480)));
        // Near the screen's corner: the window moves only as far as it must to stay on it.
        const QRect available = viewer->screen()->availableGeometry();
        viewer->move(available.right() - 300, available.bottom() - 200);
        QTRY_COMPARE(viewer->frameGeometry().topLeft(),
                     QPoint(available.right() - 300, available.bottom() - 200));
        viewer->PhotoOriginSize_Click();

        // The inside is the photo, whole and unscaled, with no scroll bar.
        QTRY_COMPARE(view(*viewer), QSize(640, 480));
        QVERIFY(available.contains(viewer->frameGeometry()));
        QVERIFY(viewer->frameGeometry().right() == available.right() ||
                viewer->frameGeometry().bottom() == available.bottom());
        PictureBox* image = viewer->imgViewer();
        QCOMPARE(image->geometry(), QRect(0, 0, 640, 480));
        QVERIFY(image->region().contains(QRect(0, 0, 640, 480)));
        QVERIFY(!viewer->scrollArea()->horizontalScrollBar()->isVisible());
        QVERIFY(redThenBlue(viewer->clientArea()->grab(QRect(300, 0, 40, 20)).toImage()));
        QVERIFY(redThenBlue(viewer->clientArea()->grab(QRect(0, 460, 640, 20)).toImage()));

        // The next change of size fits the photo again.
        viewer->resize(viewer->size() - QSize(40, 30));
        const QSize fitted = view(*viewer);
        QTRY_VERIFY(image->width() == fitted.width() || image->height() == fitted.height());
        QVERIFY(image->width() <= fitted.width() && image->height() <= fitted.height());
        QCOMPARE(image->pixels().size(), image->size());
        QVERIFY(m_boxes.shown.empty());
    }

    void actualSizeOfAPhotoLargerThanTheScreenScrolls() {
        auto viewer = shownViewer(photo(QSize(2448, 3264)));
        viewer->PhotoOriginSize_Click();
        const QRect available = viewer->screen()->availableGeometry();
        QTRY_VERIFY(viewer->scrollArea()->verticalScrollBar()->isVisible());
        QVERIFY(available.contains(viewer->frameGeometry()));
        QCOMPARE(viewer->frameGeometry().height(), available.height());
        QCOMPARE(viewer->clientArea()->size(), QSize(2448, 3264));
        // Only what is in view, and a view around it, is decoded.
        PictureBox* image = viewer->imgViewer();
        QVERIFY(image->pixels().width() * image->pixels().height() < 2448 * 3264 / 2);
        // Scrolled to the far corner, the photo's right half shows there.
        QScrollBar* across = viewer->scrollArea()->horizontalScrollBar();
        QScrollBar* down = viewer->scrollArea()->verticalScrollBar();
        across->setValue(across->maximum());
        down->setValue(down->maximum());
        const QRect seen(across->value(), down->value(), view(*viewer).width(),
                         view(*viewer).height());
        QCOMPARE(seen.bottomRight(), QPoint(2447, 3263));
        QVERIFY(image->region().contains(seen));
        const QImage corner = viewer->scrollArea()->viewport()->grab().toImage();
        const QColor shown = corner.pixelColor(corner.width() - 5, corner.height() - 5);
        QVERIFY2(shown.blue() > 180 && shown.red() < 80, qPrintable(shown.name()));
        QVERIFY(m_boxes.shown.empty());
    }

    void actualSizeFromAnyWindowState_data() {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<Qt::WindowState>("state");
        QTest::newRow("maximized") << QSize(320, 240) << Qt::WindowMaximized;
        QTest::newRow("minimized") << QSize(320, 240) << Qt::WindowMinimized;
        QTest::newRow("photo smaller than the window can be") << QSize(16, 16) << Qt::WindowNoState;
    }

    void actualSizeFromAnyWindowState() {
        QFETCH(QSize, pixels);
        QFETCH(Qt::WindowState, state);
        auto viewer = shownViewer(photo(pixels));
        viewer->setWindowState(state);
        QTRY_COMPARE(viewer->windowState(), Qt::WindowStates(state));
        QTRY_VERIFY(state != Qt::WindowMaximized || viewer->clientArea()->width() > 494);

        viewer->PhotoOriginSize_Click();

        QTRY_COMPARE(viewer->windowState(), Qt::WindowStates(Qt::WindowNoState));
        // The window fits the photo, unless that is smaller than the window can be.
        QTRY_COMPARE(
            viewer->size(),
            (pixels + viewer->size() - view(*viewer)).expandedTo(viewer->minimumSizeHint()));
        QVERIFY(view(*viewer).width() >= pixels.width() &&
                view(*viewer).height() >= pixels.height());
        QCOMPARE(viewer->imgViewer()->geometry(), QRect(QPoint(0, 0), pixels));
        QVERIFY(m_boxes.shown.empty());
    }

    void menuAndKeys() {
        auto viewer = shownViewer(photo(QSize(640, 480)));
        const QList<QAction*> commands = viewer->findChild<QMenuBar*>()->actions();
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands.at(0)->text(), QStringLiteral("閉じる(&C)"));
        QCOMPARE(commands.at(1)->text(), QStringLiteral("写真実寸サイズ(&O)"));
        commands.at(1)->trigger();
        QTRY_COMPARE(view(*viewer), QSize(640, 480));

        viewer->activateWindow();
        QTRY_VERIFY(viewer->isActiveWindow());
        for (const Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            QTest::keyClick(viewer.get(), key);
        }
        QVERIFY(viewer->isVisible());
        commands.at(0)->trigger();
        QTRY_VERIFY(!viewer->isVisible());
    }

    void unreadablePhotoLeavesTheViewerUsable_data() {
        QTest::addColumn<bool>("removed");
        QTest::addColumn<int>("number");
        QTest::newRow("overwritten with text") << false << error::BadPicture;
        QTest::newRow("removed") << true << error::FileNotFound;
    }

    void unreadablePhotoLeavesTheViewerUsable() {
        QFETCH(bool, removed);
        QFETCH(int, number);
        const QString path = photo(QSize(640, 480));
        auto viewer = shownViewer(path);
        PictureBox* image = viewer->imgViewer();

        // The photo changes after it was shown; several refits follow at once and one box tells.
        QVERIFY(removed ? QFile::remove(path) : writeBytes(path, "no longer a picture"));
        viewer->resize(viewer->size() + QSize(20, 0));
        viewer->resize(viewer->size() + QSize(20, 0));
        QTRY_COMPARE(m_boxes.shown.size(), std::size_t(1));
        QCOMPARE(m_boxes.shown[0],
                 "Tovrin [OK, critical]: Error\r\n実行時エラー:" + std::to_string(number) + ":" +
                     ErrorDescription(number) + ":");
        QVERIFY(viewer->isVisible() && !image->isVisible() && !image->hasPicture());

        // The actual-size command reports it too and leaves the window as it was.
        const QSize before = viewer->size();
        viewer->PhotoOriginSize_Click();
        QTRY_COMPARE(m_boxes.shown.size(), std::size_t(2));
        QCOMPARE(viewer->size(), before);

        // Once the photo is back, the next resize shows it again.
        photo(QSize(640, 480));
        viewer->resize(viewer->size() - QSize(40, 0));
        QTRY_VERIFY(image->isVisible() && image->hasPicture());
        viewer->PhotoOriginSize_Click();
        QTRY_COMPARE(view(*viewer), QSize(640, 480));
        QTest::keyClick(viewer.get(), Qt::Key_Escape);
        QTRY_VERIFY(!viewer->isVisible());
        QCOMPARE(m_boxes.shown.size(), std::size_t(2));
    }

    void screenshotOfACorpusPhoto() {
        const QString path =
            qEnvironmentVariable("TOVRIN_CORPUS_DIR") + QStringLiteral("/photos/Canon EOS D60.jpg");
        if (!QFile::exists(path)) {
            QSKIP("TOVRIN_CORPUS_DIR does not name a photo corpus with Canon EOS D60.jpg");
        }
        auto viewer = shownViewer(path);
        QTRY_VERIFY(viewer->imgViewer()->isVisible());
        QVERIFY(m_boxes.shown.empty());
        QCOMPARE(viewer->imgViewer()->width(), 494);  // 1772 x 1181 is width-bound

        const QString folder = QStringLiteral(TOVRIN_SCREENSHOT_DIR);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(viewer->grab().save(folder + QStringLiteral("/viewer.png")));
    }

private:
    // The part of the viewer's inside the photo shows in.
    static QSize view(const FrmViewer& viewer) { return viewer.scrollArea()->viewport()->size(); }

    QString photo(QSize size, const QString& name = QStringLiteral("photo.jpg")) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QPainter(&picture).fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
        const QString path = m_dir->filePath(name);
        // A photo that could not be written fails the test as a missing file would.
        return picture.save(path, "JPEG", 90) ? path : QStringLiteral("(not written)");
    }

    std::unique_ptr<FrmViewer> shownViewer(const QString& path) {
        auto viewer = std::make_unique<FrmViewer>(m_frame.get(), path, m_boxes);
        viewer->show();
        // One that is not exposed fails the checks that follow.
        static_cast<void>(QTest::qWaitForWindowExposed(viewer.get()));
        return viewer;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_frame;
    QLabel* m_picBack = nullptr;
    PictureBox* m_image2 = nullptr;
    RecordingBoxes m_boxes;
};

}  // namespace tovrin

QTEST_MAIN(tovrin::PhotoWidgetsTest)
#include "widgets_test.moc"