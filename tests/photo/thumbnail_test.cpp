#include <memory>

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "photo_files.h"
#include "picture_box.h"
#include "picture_size_edit.h"
#include "runtime_error.h"

namespace tovrin {

using test::isBluish;
using test::isReddish;

// The thumbnail as the main window has it: a browsing panel holding the black box PicBack at
// its design rectangle (45, 3330, 2895, 2415 twips) and the picture element Image2 above it.
class ThumbnailTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fitsPhotoOfEveryShape_data();
    void fitsPhotoOfEveryShape();
    void decodesOnlyAtTheSizeShown();
    void ignoresTheRecordedOrientation();
    void boxGivenInTwips();
    void refitsAfterTheBoxChanges();
    void zeroSizeBoxFailsNothing();
    void failures_data();
    void failures();
    void boxInAnotherContainer();
    void pictureElementModes();
    void reportsDoubleClickAndMouseMove();

private:
    QString photo(const QString& name, QSize size);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_frame2;
    QLabel* m_picBack = nullptr;
    PictureBox* m_image2 = nullptr;
};

QString ThumbnailTest::photo(const QString& name, QSize size) {
    const QString path = m_dir->filePath(name);
    if (!test::writeJpeg(path, size)) {
        qFatal("cannot write a test photo");
    }
    return path;
}

void ThumbnailTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_frame2 = std::make_unique<QWidget>();
    m_frame2->resize(600, 400);
    m_picBack = new QLabel(m_frame2.get());
    m_picBack->setGeometry(3, 222, 193, 161);
    m_image2 = new PictureBox(m_frame2.get());
    m_image2->setGeometry(6, 222, 193, 161);
    m_image2->setStretch(true);
    m_frame2->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame2.get()));
}

void ThumbnailTest::cleanup() {
    m_frame2.reset();
    m_dir.reset();
    QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window was left open");
}

void ThumbnailTest::fitsPhotoOfEveryShape_data() {
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QRect>("expected");
    // 2895 x 2171.25 twips at 45, 3451.875: pixel edges 3..196 and 230..375.
    QTest::newRow("4:3 landscape: full width, centred vertically")
        << QSize(640, 480) << QRect(3, 230, 193, 145);
    // 1811.25 x 2415 twips at 586.875, 3330.
    QTest::newRow("3:4 portrait: full height, centred horizontally")
        << QSize(480, 640) << QRect(39, 222, 121, 161);
    // 2415 x 2415 twips at 285, 3330.
    QTest::newRow("16 x 16 enlarged to the box height")
        << QSize(16, 16) << QRect(19, 222, 161, 161);
    QTest::newRow("same shape as the box fills it") << QSize(386, 322) << QRect(3, 222, 193, 161);
}

void ThumbnailTest::fitsPhotoOfEveryShape() {
    QFETCH(QSize, pixels);
    QFETCH(QRect, expected);
    const QString path = photo(QStringLiteral("photo.jpg"), pixels);

    FitThumbnail(*m_image2, *m_picBack, path);

    QCOMPARE(m_image2->geometry(), expected);
    QVERIFY(m_image2->isVisible());
    QVERIFY(m_image2->stretch());
    QVERIFY(m_image2->hasPicture());
    QCOMPARE(m_image2->naturalSize(), pixels);
    QCOMPARE(m_picBack->geometry(), QRect(3, 222, 193, 161));
}

void ThumbnailTest::decodesOnlyAtTheSizeShown() {
    // A large photo must never be held at full size: the pixels are decoded at the size shown.
    const QString path = photo(QStringLiteral("large.jpg"), QSize(4000, 3000));
    FitThumbnail(*m_image2, *m_picBack, path);

    QCOMPARE(m_image2->naturalSize(), QSize(4000, 3000));
    QCOMPARE(m_image2->pixels().size(), QSize(193, 145));
    QCOMPARE(m_image2->geometry(), QRect(3, 230, 193, 145));
    // The whole photo is there, scaled: red on the left, blue on the right.
    const QImage shown = m_frame2->grab(m_image2->geometry()).toImage();
    QVERIFY(isReddish(shown.pixel(10, 70)));
    QVERIFY(isBluish(shown.pixel(183, 70)));
}

void ThumbnailTest::ignoresTheRecordedOrientation() {
    const QString path = m_dir->filePath(QStringLiteral("turned.jpg"));
    const QString plain = photo(QStringLiteral("plain.jpg"), QSize(400, 300));
    QVERIFY(test::writeBytes(path, test::withOrientation(test::readBytes(plain), 6)));
    // The file really asks to be turned: a reader that applies it sees a portrait.
    QImageReader turning(path);
    turning.setAutoTransform(true);
    QCOMPARE(turning.read().size(), QSize(300, 400));

    FitThumbnail(*m_image2, *m_picBack, path);
    QCOMPARE(m_image2->naturalSize(), QSize(400, 300));
    QCOMPARE(m_image2->geometry(), QRect(3, 230, 193, 145));
    QVERIFY(isReddish(m_image2->pixels().pixel(5, 70)));
    QVERIFY(isBluish(m_image2->pixels().pixel(187, 70)));
}

void ThumbnailTest::boxGivenInTwips() {
    const QString path = photo(QStringLiteral("photo.jpg"), QSize(640, 480));
    // A box whose width is not a whole number of pixels, as the layout can make it.
    FitThumbnail(*m_image2, FitRect{45, 3330, 2900, 2415}, path);
    // 2900 x 2175 twips at 45, 3450: pixel edges 3..196 (195.33) and 230..375.
    QCOMPARE(m_image2->geometry(), QRect(3, 230, 193, 145));
}

void ThumbnailTest::refitsAfterTheBoxChanges() {
    const QString path = photo(QStringLiteral("photo.jpg"), QSize(640, 480));
    FitThumbnail(*m_image2, *m_picBack, path);
    QCOMPARE(m_image2->geometry(), QRect(3, 230, 193, 145));

    // Widened past the photo's shape, the box turns the photo height-bound.
    m_picBack->setGeometry(3, 222, 300, 161);
    // FitThumbnail never moves the picture on its own.
    QCOMPARE(m_image2->geometry(), QRect(3, 230, 193, 145));
    FitThumbnail(*m_image2, *m_picBack, path);
    // 3220 x 2415 twips centred in 4500: left 45 + 640 = 685 twips.
    QCOMPARE(m_image2->geometry(), QRect(46, 222, 214, 161));
    QCOMPARE(m_image2->pixels().size(), QSize(214, 161));
}

void ThumbnailTest::zeroSizeBoxFailsNothing() {
    const QString path = photo(QStringLiteral("photo.jpg"), QSize(640, 480));
    m_picBack->setGeometry(3, 222, 0, 0);
    FitThumbnail(*m_image2, *m_picBack, path);
    QCOMPARE(m_image2->size(), QSize(0, 0));
    QCOMPARE(m_image2->pos(), QPoint(3, 222));
    QVERIFY(m_image2->hasPicture());
}

void ThumbnailTest::failures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("text file named .jpg") << "text" << error::BadPicture;
    QTest::newRow("empty file") << "empty" << error::BadPicture;
    QTest::newRow("JPEG cut inside its header") << "cut" << error::BadPicture;
    QTest::newRow("missing file") << "missing" << error::FileNotFound;
    QTest::newRow("a folder named .jpg") << "folder" << error::PathFileAccess;
}

void ThumbnailTest::failures() {
    QFETCH(QString, kind);
    QFETCH(int, number);

    // A photo shown before: its picture must not stay behind for the failed one.
    FitThumbnail(*m_image2, *m_picBack, photo(QStringLiteral("good.jpg"), QSize(640, 480)));
    QVERIFY(m_image2->hasPicture());

    const QString path = m_dir->filePath(QStringLiteral("bad.jpg"));
    if (kind == QLatin1String("text")) {
        QVERIFY(test::writeBytes(path, "This is not a picture.\n"));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(test::writeBytes(path, QByteArray()));
    } else if (kind == QLatin1String("cut")) {
        const QByteArray whole = test::readBytes(m_dir->filePath(QStringLiteral("good.jpg")));
        QVERIFY(test::writeBytes(path, whole.left(100)));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("bad.jpg")));
    }

    try {
        FitThumbnail(*m_image2, *m_picBack, path);
        QFAIL("no error raised");
    } catch (const RuntimeError& failure) {
        QCOMPARE(failure.number(), number);
        QCOMPARE(failure.description(), ErrorDescription(number));
    }
    QVERIFY(!m_image2->isVisible());
    QVERIFY(!m_image2->hasPicture());
    QCOMPARE(m_picBack->geometry(), QRect(3, 222, 193, 161));
}

void ThumbnailTest::boxInAnotherContainer() {
    // The box lies in a panel inside the picture's container: its place is mapped across.
    auto* panel = new QWidget(m_frame2.get());
    panel->setGeometry(100, 50, 300, 300);
    m_picBack->setParent(panel);
    m_picBack->setGeometry(3, 10, 193, 161);
    m_picBack->show();
    FitThumbnail(*m_image2, *m_picBack, photo(QStringLiteral("photo.jpg"), QSize(640, 480)));
    QCOMPARE(m_image2->geometry(), QRect(103, 68, 193, 145));
}

void ThumbnailTest::pictureElementModes() {
    PictureBox& box = *m_image2;
    box.setStretch(false);
    box.setPicture(test::twoColourPicture(QSize(40, 30)), QSize(40, 30));
    QCOMPARE(box.size(), QSize(40, 30));

    // Stretching on keeps the element's rectangle and scales the picture into it.
    box.setStretch(true);
    box.resize(80, 20);
    QCOMPARE(box.size(), QSize(80, 20));
    const QImage drawn = box.grab().toImage();
    QVERIFY(isReddish(drawn.pixel(2, 10)));
    QVERIFY(isBluish(drawn.pixel(77, 10)));

    // Stretching off again: back to the natural size.
    box.setStretch(false);
    QCOMPARE(box.size(), QSize(40, 30));

    // Pixels covering only part of the picture are drawn at that part's place.
    box.setPicture(test::twoColourPicture(QSize(10, 10)), QSize(40, 30), QRect(20, 0, 10, 10));
    QCOMPARE(box.size(), QSize(40, 30));
    QCOMPARE(box.region(), QRect(20, 0, 10, 10));

    box.clearPicture();
    QVERIFY(!box.hasPicture());
}

void ThumbnailTest::reportsDoubleClickAndMouseMove() {
    FitThumbnail(*m_image2, *m_picBack, photo(QStringLiteral("photo.jpg"), QSize(640, 480)));
    QSignalSpy doubleClicks(m_image2, &PictureBox::doubleClicked);
    QSignalSpy moves(m_image2, &PictureBox::mouseMoved);
    QTest::mouseDClick(m_image2, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(doubleClicks.count(), 1);
    QTest::mouseDClick(m_image2, Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(doubleClicks.count(), 1);
    QTest::mouseMove(m_image2, QPoint(30, 30));
    QTRY_VERIFY(moves.count() >= 1);
}

}  // namespace tovrin

QTEST_MAIN(tovrin::ThumbnailTest)
#include "thumbnail_test.moc"
