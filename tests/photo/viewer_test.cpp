#include <memory>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "frm_viewer.h"
#include "photo_files.h"
#include "picture_box.h"
#include "recording_boxes.h"
#include "runtime_error.h"

namespace tovrin {

using test::isBluish;
using test::isReddish;

class ViewerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensAtDesignSizeOverItsOwner();
    void fitsThePhotoOnEveryResize_data();
    void fitsThePhotoOnEveryResize();
    void actualSizeThenResize();
    void actualSizeOfATinyPhoto();
    void actualSizeOfAMaximizedWindow();
    void actualSizeOfAMinimizedWindow();
    void escapeClosesOtherKeysDoNot();
    void menuCommands();
    void undecodablePhotoLeavesTheViewerUsable();
    void vanishedPhotoOnTheActualSizeCommand();
    void modalAndNewEveryTime();
    void screenshotOfACorpusPhoto();

private:
    QString photo(const QString& name, QSize size);
    std::unique_ptr<FrmViewer> shownViewer(const QString& path);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_owner;
    test::RecordingBoxes m_boxes;
};

QString ViewerTest::photo(const QString& name, QSize size) {
    const QString path = m_dir->filePath(name);
    if (!test::writeJpeg(path, size)) {
        qFatal("cannot write a test photo");
    }
    return path;
}

std::unique_ptr<FrmViewer> ViewerTest::shownViewer(const QString& path) {
    auto viewer = std::make_unique<FrmViewer>(m_owner.get(), path, m_boxes);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get())) {
        qWarning("the viewer was not exposed");
    }
    return viewer;
}

void ViewerTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_boxes.shown.clear();
    m_owner = std::make_unique<QWidget>();
    m_owner->setGeometry(60, 50, 640, 480);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
}

void ViewerTest::cleanup() {
    m_owner.reset();
    m_dir.reset();
    QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window was left open");
}

void ViewerTest::opensAtDesignSizeOverItsOwner() {
    const QString path = photo(QStringLiteral("写真 0001.jpg"), QSize(640, 480));
    auto viewer = shownViewer(path);

    QCOMPARE(viewer->windowTitle(), QStringLiteral("写真 0001.jpg"));
    QCOMPARE(viewer->path(), path);
    QCOMPARE(viewer->clientArea()->size(), QSize(494, 367));
    QCOMPARE(viewer->lblPicBack()->geometry(), QRect(0, 0, 494, 367));
    QVERIFY(viewer->isModal());
    QCOMPARE(viewer->parentWidget(), m_owner.get());
    const QPoint centre = viewer->frameGeometry().center();
    QVERIFY2((centre - m_owner->frameGeometry().center()).manhattanLength() <= 2,
             "the viewer is not centred over the main window");
    QVERIFY(viewer->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(viewer->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::fitsThePhotoOnEveryResize_data() {
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("expected");
    // 9600 x 7200 twips in 7410 x 5505: 7340 x 5505, 35 twips from the left.
    QTest::newRow("640 x 480 in the design client area")
        << QSize(640, 480) << QSize(494, 367) << QRect(2, 0, 490, 367);
    QTest::newRow("portrait in a wide window")
        << QSize(300, 400) << QSize(600, 300) << QRect(188, 0, 225, 300);
    QTest::newRow("landscape in a tall window")
        << QSize(400, 200) << QSize(300, 500) << QRect(0, 175, 300, 150);
    QTest::newRow("small photo is enlarged")
        << QSize(40, 30) << QSize(494, 367) << QRect(2, 0, 490, 367);
}

void ViewerTest::fitsThePhotoOnEveryResize() {
    QFETCH(QSize, pixels);
    QFETCH(QSize, client);
    QFETCH(QRect, expected);
    auto viewer = shownViewer(photo(QStringLiteral("photo.jpg"), pixels));

    const int menu = viewer->height() - viewer->clientArea()->height();
    viewer->resize(client.width(), client.height() + menu);
    QTRY_COMPARE(viewer->clientArea()->size(), client);

    PictureBox* image = viewer->imgViewer();
    QTRY_COMPARE(image->geometry(), expected);
    QVERIFY(image->isVisible());
    QCOMPARE(image->pixels().size(), expected.size());
    QCOMPARE(viewer->lblPicBack()->geometry(), QRect(QPoint(0, 0), client));
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::actualSizeThenResize() {
    auto viewer = shownViewer(photo(QStringLiteral("photo.jpg"), QSize(640, 480)));
    const QPoint corner = viewer->frameGeometry().topLeft();

    viewer->PhotoOriginSize_Click();

    // The outer size is the photo's, the photo pinned to the corner and cut by frame and menu.
    QTRY_COMPARE(viewer->frameGeometry().size(), QSize(640, 480));
    QCOMPARE(viewer->frameGeometry().topLeft(), corner);
    PictureBox* image = viewer->imgViewer();
    QCOMPARE(image->geometry(), QRect(0, 0, 640, 480));
    QVERIFY(image->stretch());
    QVERIFY(image->isVisible());
    QCOMPARE(viewer->lblPicBack()->geometry(), QRect(QPoint(0, 0), viewer->clientArea()->size()));
    // Only the part that can be seen was decoded, at full scale.
    const QSize client = viewer->clientArea()->size();
    QCOMPARE(image->pixels().size(), client);
    QCOMPARE(image->region(), QRect(QPoint(0, 0), client));
    QVERIFY(isReddish(viewer->clientArea()->grab().toImage().pixel(10, 10)));

    // The next change of size fits the photo again.
    viewer->resize(viewer->width() - 40, viewer->height() - 30);
    const QSize fitted = viewer->clientArea()->size();
    QTRY_VERIFY(image->width() == fitted.width() || image->height() == fitted.height());
    QVERIFY(image->width() <= fitted.width() && image->height() <= fitted.height());
    QCOMPARE(image->pixels().size(), image->size());
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::actualSizeOfATinyPhoto() {
    // Frame and menu bar cut the right and bottom of the photo; what is left is decoded and shown.
    auto small = shownViewer(photo(QStringLiteral("small.jpg"), QSize(60, 60)));
    small->PhotoOriginSize_Click();
    QTRY_COMPARE(small->frameGeometry().width(), 60);
    QCOMPARE(small->imgViewer()->geometry(), QRect(0, 0, 60, 60));
    const QSize client = small->clientArea()->size();
    QVERIFY(client.width() < 60 && client.height() < 60);
    QCOMPARE(small->imgViewer()->pixels().size(), client);
    const QImage shown = small->clientArea()->grab().toImage();
    QVERIFY(isReddish(shown.pixel(2, 8)));
    QVERIFY(isBluish(shown.pixel(client.width() - 2, 8)));
    small.reset();

    // Smaller than frame and menu bar: nothing of it can be seen, and nothing fails.
    auto tiny = shownViewer(photo(QStringLiteral("tiny.jpg"), QSize(16, 16)));
    tiny->PhotoOriginSize_Click();
    QTRY_COMPARE(tiny->frameGeometry().width(), 16);
    QCOMPARE(tiny->imgViewer()->geometry(), QRect(0, 0, 16, 16));
    QVERIFY(tiny->isVisible());
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::actualSizeOfAMaximizedWindow() {
    auto viewer = shownViewer(photo(QStringLiteral("photo.jpg"), QSize(320, 240)));
    viewer->showMaximized();
    QTRY_VERIFY(viewer->isMaximized());
    QTRY_VERIFY(viewer->clientArea()->width() > 494);

    viewer->PhotoOriginSize_Click();

    QTRY_VERIFY(!viewer->isMaximized());
    QTRY_COMPARE(viewer->frameGeometry().size(), QSize(320, 240));
    QCOMPARE(viewer->imgViewer()->geometry(), QRect(0, 0, 320, 240));
    QVERIFY(viewer->isVisible());
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::actualSizeOfAMinimizedWindow() {
    auto viewer = shownViewer(photo(QStringLiteral("photo.jpg"), QSize(320, 240)));
    viewer->showMinimized();
    QTRY_VERIFY(viewer->isMinimized());

    viewer->PhotoOriginSize_Click();

    QTRY_VERIFY(!viewer->isMinimized());
    QTRY_COMPARE(viewer->frameGeometry().size(), QSize(320, 240));
    QCOMPARE(viewer->imgViewer()->geometry(), QRect(0, 0, 320, 240));
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::escapeClosesOtherKeysDoNot() {
    auto viewer = shownViewer(photo(QStringLiteral("photo.jpg"), QSize(640, 480)));
    viewer->activateWindow();
    QTRY_VERIFY(viewer->isActiveWindow());

    for (const Qt::Key key :
         {Qt::Key_A, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Backspace, Qt::Key_F4}) {
        QTest::keyClick(viewer.get(), key);
    }
    QVERIFY(viewer->isVisible());

    QTest::keyClick(viewer.get(), Qt::Key_Escape);
    QTRY_VERIFY(!viewer->isVisible());
    QVERIFY(m_boxes.shown.empty());
}

void ViewerTest::menuCommands() {
    auto viewer = shownViewer(photo(QStringLiteral("photo.jpg"), QSize(640, 480)));
    const auto* menuBar = viewer->findChild<QMenuBar*>();
    QVERIFY(menuBar != nullptr);
    const QList<QAction*> commands = menuBar->actions();
    QCOMPARE(commands.size(), 2);
    QCOMPARE(commands.at(0)->text(), QStringLiteral("閉じる(&C)"));
    QCOMPARE(commands.at(1)->text(), QStringLiteral("写真実寸サイズ(&O)"));
    QVERIFY(commands.at(0)->menu() == nullptr && commands.at(1)->menu() == nullptr);

    viewer->photoOriginSize()->trigger();
    QTRY_COMPARE(viewer->frameGeometry().size(), QSize(640, 480));

    viewer->mnuClose()->trigger();
    QTRY_VERIFY(!viewer->isVisible());
}

void ViewerTest::undecodablePhotoLeavesTheViewerUsable() {
    const QString path = photo(QStringLiteral("photo.jpg"), QSize(640, 480));
    const QByteArray good = test::readBytes(path);
    auto viewer = shownViewer(path);
    PictureBox* image = viewer->imgViewer();
    QVERIFY(image->isVisible());

    // The photo is overwritten after it was shown; several refits follow at once.
    QVERIFY(test::writeBytes(path, "no longer a picture"));
    viewer->resize(viewer->width() + 20, viewer->height());
    viewer->resize(viewer->width() + 20, viewer->height());
    QTRY_COMPARE(m_boxes.shown.size(), std::size_t(1));
    QCOMPARE(m_boxes.shown[0].text,
             std::string("Error\r\n実行時エラー:481:") + ErrorDescription(error::BadPicture) + ":");
    QCOMPARE(m_boxes.shown[0].title, std::string("Tovrin"));
    QVERIFY(m_boxes.shown[0].buttons == MsgButtons::Ok);
    QVERIFY(m_boxes.shown[0].icon == MsgIcon::Critical);
    QVERIFY(viewer->isVisible());
    QVERIFY(!image->isVisible());
    QVERIFY(!image->hasPicture());

    // The actual-size command reports it too, and leaves the window as it was.
    const QSize before = viewer->size();
    viewer->PhotoOriginSize_Click();
    QTRY_COMPARE(m_boxes.shown.size(), std::size_t(2));
    QCOMPARE(viewer->size(), before);

    // Once the photo is back, the next resize shows it again.
    QVERIFY(test::writeBytes(path, good));
    viewer->resize(viewer->width() - 40, viewer->height());
    QTRY_VERIFY(image->isVisible());
    QVERIFY(image->hasPicture());
    viewer->PhotoOriginSize_Click();
    QTRY_COMPARE(viewer->frameGeometry().size(), QSize(640, 480));

    QTest::keyClick(viewer.get(), Qt::Key_Escape);
    QTRY_VERIFY(!viewer->isVisible());
    QCOMPARE(m_boxes.shown.size(), std::size_t(2));
}

void ViewerTest::vanishedPhotoOnTheActualSizeCommand() {
    const QString path = photo(QStringLiteral("photo.jpg"), QSize(640, 480));
    auto viewer = shownViewer(path);
    QVERIFY(QFile::remove(path));

    viewer->PhotoOriginSize_Click();
    QTRY_COMPARE(m_boxes.shown.size(), std::size_t(1));
    QCOMPARE(m_boxes.shown[0].text, std::string("Error\r\n実行時エラー:53:") +
                                        ErrorDescription(error::FileNotFound) + ":");
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->clientArea()->size(), QSize(494, 367));
}

void ViewerTest::modalAndNewEveryTime() {
    const QString path = photo(QStringLiteral("photo.jpg"), QSize(640, 480));
    int openings = 0;
    QString failure;
    const auto inspectAndClose = [&](bool chooseActualSize) {
        auto* viewer = qobject_cast<FrmViewer*>(QApplication::activeModalWidget());
        if (viewer == nullptr) {
            failure = QStringLiteral("no modal viewer");
            return;
        }
        ++openings;
        if (viewer->clientArea()->size() != QSize(494, 367)) {
            failure = QStringLiteral("the viewer did not open at its design size");
        }
        if (viewer->imgViewer()->geometry() != QRect(2, 0, 490, 367)) {
            failure = QStringLiteral("the viewer did not open in fit mode");
        }
        if (chooseActualSize) {
            viewer->PhotoOriginSize_Click();
        }
        QTest::keyClick(viewer, Qt::Key_Escape);
    };

    QTimer::singleShot(0, this, [&] { inspectAndClose(true); });
    FrmViewer::openModal(m_owner.get(), path, m_boxes);
    QTimer::singleShot(0, this, [&] { inspectAndClose(false); });
    FrmViewer::openModal(m_owner.get(), path, m_boxes);

    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(openings, 2);
    QVERIFY(m_owner->findChildren<FrmViewer*>().isEmpty());
}

void ViewerTest::screenshotOfACorpusPhoto() {
    const QString photos = test::corpusPhotos();
    if (photos.isEmpty()) {
        QSKIP("TOVRIN_CORPUS_DIR does not name the photo corpus");
    }
    const QString path = photos + QStringLiteral("/Canon EOS D60.jpg");
    if (!QFileInfo::exists(path)) {
        QSKIP("the corpus has no Canon EOS D60.jpg");
    }
    auto viewer = shownViewer(path);
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Canon EOS D60.jpg"));
    QTRY_VERIFY(viewer->imgViewer()->isVisible());
    QVERIFY(m_boxes.shown.empty());
    // 1772 x 1181 in 494 x 367: width-bound, centred vertically.
    QCOMPARE(viewer->imgViewer()->width(), 494);

    const QString folder = QStringLiteral(TOVRIN_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(viewer->grab().save(folder + QStringLiteral("/viewer.png")));
}

}  // namespace tovrin

QTEST_MAIN(tovrin::ViewerTest)
#include "viewer_test.moc"
