// The picture reader on each kind of file Tovrin lists: pictures decoded at their size, a raw
// file by its embedded preview, and the kinds without a picture here (a movie, a raw file
// without a preview, a format this build cannot decode) as a notice, never as a failure. The
// thumbnail and the viewer show that notice over their panel.
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "exif/runtime_error.h"
#include "messages/message_boxes.h"
#include "photo/frm_viewer.h"
#include "photo/heif_picture.h"
#include "photo/picture_box.h"
#include "photo/picture_reader.h"
#include "photo/picture_size_edit.h"

namespace tovrin {

namespace {

struct NoBoxes : MessageBoxes {
    MsgAnswer show(const std::string& text, MsgButtons, MsgIcon, const std::string&) override {
        shown.push_back(text);
        return MsgAnswer::Ok;
    }
    std::vector<std::string> shown;
};

QString sample(const QString& name) {
    return qEnvironmentVariable("TOVRIN_CORPUS_DIR") + QStringLiteral("/formats/") + name;
}

bool qtReads(const char* format) {
    return QImageReader::supportedImageFormats().contains(QByteArray(format));
}

// The left half red and the right half blue.
QImage redThenBlue(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    return picture;
}

bool looksRedThenBlue(const QImage& shown) {
    const QColor left = shown.pixelColor(2, shown.height() / 2);
    const QColor right = shown.pixelColor(shown.width() - 3, shown.height() / 2);
    return left.red() > 180 && left.blue() < 80 && right.blue() > 180 && right.red() < 80;
}

}  // namespace

class PictureReaderTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    // Pictures Tovrin writes itself in each format Qt can write here: decoded at their size, the
    // scaled and clipped decodes as the thumbnail and the viewer ask for them.
    void picturesOfEachFormat_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("notice");  // what a build without the format shows
        QTest::newRow("JPEG") << "a.jpg" << QByteArray("jpeg") << QString();
        QTest::newRow("JPEG as .jpe") << "a.JPE" << QByteArray("jpeg") << QString();
        QTest::newRow("PNG") << "a.png" << QByteArray("png") << QString();
        QTest::newRow("WebP") << "a.webp" << QByteArray("webp")
                              << PictureReader::notInThisBuildNotice("WebP");
        QTest::newRow("TIFF") << "a.tif" << QByteArray("tiff")
                              << PictureReader::notInThisBuildNotice("TIFF");
        // The content decides: a PNG named .jpg is still a picture.
        QTest::newRow("PNG named .jpg") << "b.jpg" << QByteArray("png") << QString();
    }
    void picturesOfEachFormat() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QFETCH(QString, notice);
        const QString path = m_dir->filePath(name);
        if (!QImageWriter::supportedImageFormats().contains(format)) {
            QSKIP("Qt cannot write this format here to make the file");
        }
        QVERIFY(redThenBlue(QSize(320, 200)).save(path, format.constData(), 95));
        PictureReader reader(path);
        if (!qtReads(format.constData())) {
            QCOMPARE(reader.hasPicture(), false);
            QCOMPARE(reader.notice(), notice);
            return;
        }
        QVERIFY(reader.hasPicture());
        QCOMPARE(reader.notice(), QString());
        QCOMPARE(reader.naturalSize(), QSize(320, 200));
        const QImage scaled = reader.decodeScaled(QSize(160, 100));
        QCOMPARE(scaled.size(), QSize(160, 100));
        QVERIFY(looksRedThenBlue(scaled));
        PictureReader again(path);
        QCOMPARE(again.decodeClip(QRect(150, 0, 20, 10)).size(), QSize(20, 10));
    }

    // The sample files of each format Tovrin lists.
    void samples_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");        // empty: no picture
        QTest::addColumn<QString>("notice");    // with no picture
        QTest::addColumn<QByteArray>("needs");  // a Qt format, "heif" for libheif, or nothing
        QTest::newRow("PNG") << "PNG.png" << QSize(16, 16) << QString() << QByteArray();
        QTest::newRow("PNG with eXIf") << "dates.png" << QSize(64, 48) << QString() << QByteArray();
        QTest::newRow("WebP") << "exiv2-bug1199.webp" << QSize(1200, 800)
                              << PictureReader::notInThisBuildNotice("WebP") << QByteArray("webp");
        QTest::newRow("TIFF, LZW")
            << "ExifTool.tif" << QSize(160, 120) << PictureReader::notInThisBuildNotice("TIFF")
            << QByteArray("tiff");
        QTest::newRow("TIFF") << "Reagan.tiff" << QSize(200, 130)
                              << PictureReader::notInThisBuildNotice("TIFF") << QByteArray("tiff");
        // Its JpgFromRaw: an 8 x 8 JPEG.
        QTest::newRow("RW2 by its preview")
            << "Panasonic.rw2" << QSize(8, 8) << QString() << QByteArray();
        // Their previews were cut down to a few bytes of text.
        QTest::newRow("CR2 without a preview")
            << "CanonRaw.cr2" << QSize() << PictureReader::rawWithoutPreviewNotice()
            << QByteArray();
        QTest::newRow("DNG without a preview")
            << "DNG.dng" << QSize() << PictureReader::rawWithoutPreviewNotice() << QByteArray();
        QTest::newRow("NEF without a preview")
            << "Nikon.nef" << QSize() << PictureReader::rawWithoutPreviewNotice() << QByteArray();
        QTest::newRow("CR3 without a preview")
            << "CanonRaw.cr3" << QSize() << PictureReader::rawWithoutPreviewNotice()
            << QByteArray();
        QTest::newRow("MOV") << "QuickTime.mov" << QSize() << PictureReader::movieNotice()
                             << QByteArray();
        // Its own rotation (irot 270) belongs to the picture: shown upright, 3024 x 4032.
        QTest::newRow("HEIC of a phone")
            << "2021-02-13-1929.heic" << QSize(3024, 4032)
            << PictureReader::notInThisBuildNotice("HEIC") << QByteArray("heif");
        QTest::newRow("HEIC") << "heic.heic" << QSize(1280, 854)
                              << PictureReader::notInThisBuildNotice("HEIC") << QByteArray("heif");
        QTest::newRow("AVIF") << "avif.avif" << QSize(1920, 1080)
                              << PictureReader::notInThisBuildNotice("AVIF") << QByteArray("heif");
        QTest::newRow("JPEG") << "XMP.jpg" << QSize(8, 8) << QString() << QByteArray();
    }
    void samples() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QString, notice);
        QFETCH(QByteArray, needs);
        const QString path = sample(name);
        if (!QFile::exists(path)) {
            QSKIP("TOVRIN_CORPUS_DIR holds no formats/ samples");
        }
        const bool decodable =
            needs.isEmpty() || (needs == "heif" ? heif::Available() : qtReads(needs.constData()));
        PictureReader reader(path);
        if (size.isEmpty() || !decodable) {
            QCOMPARE(reader.hasPicture(), false);
            QCOMPARE(reader.notice(), notice);
            QCOMPARE(reader.naturalSize(), QSize());
            QVERIFY_THROWS_EXCEPTION(RuntimeError, reader.decodeScaled(QSize(10, 10)));
            if (needs == "heif" && !decodable) {
                QSKIP("this build has no libheif: the notice is shown instead");
            }
            return;
        }
        QVERIFY2(reader.hasPicture(), qPrintable(reader.notice()));
        QCOMPARE(reader.naturalSize(), size);
        const QSize shown = size.scaled(QSize(193, 161), Qt::KeepAspectRatio);
        const QImage pixels = reader.decodeScaled(shown);
        QCOMPARE(pixels.size(), shown);
        // Not a blank: a picture has more than one colour somewhere.
        const QImage small = pixels.scaled(8, 8);
        bool varied = false;
        for (int y = 0; y < 8 && !varied; ++y)
            for (int x = 0; x < 8 && !varied; ++x) varied = small.pixel(x, y) != small.pixel(0, 0);
        QVERIFY2(varied || size.width() <= 16, "the decoded picture is one colour");
        // The viewer's actual-size view decodes a part.
        PictureReader again(path);
        const QRect part(size.width() / 4, size.height() / 4, size.width() / 2, size.height() / 2);
        QCOMPARE(again.decodeClip(part).size(), part.size());
        // The thumbnail is the same picture as the whole at its size, the same way up (a HEIF's
        // stored thumbnail may stand in for it).
        const QImage whole = PictureReader(path).decodeClip(QRect(QPoint(0, 0), size));
        QCOMPARE(whole.size(), size);
        const QImage a = whole.convertToFormat(QImage::Format_RGB32)
                             .scaled(8, 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage b = pixels.convertToFormat(QImage::Format_RGB32)
                             .scaled(8, 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int difference = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                difference += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
        QVERIFY2(difference / 64 < 24, qPrintable(QString::number(difference / 64)));
    }

    void rafByTheMappersPreview() {
        const QString path = sample(QStringLiteral("FujiFilm.raf"));
        if (!QFile::exists(path)) {
            QSKIP("TOVRIN_CORPUS_DIR holds no formats/ samples");
        }
        PictureReader reader(path);
        if (!reader.hasPicture()) {
            // Until the RAF mapper names its preview (ContainerMap::preview).
            QCOMPARE(reader.notice(), PictureReader::rawWithoutPreviewNotice());
            QSKIP("the RAF mapper names no preview yet");
        }
        QVERIFY(!reader.naturalSize().isEmpty());
        QVERIFY(!reader.decodeScaled(QSize(100, 60)).isNull());
    }

    void failuresStayFailures() {
        // A text named as a HEIC or a raw file is no picture of either; a movie name is a movie
        // whatever it holds (its container is not read for a picture).
        const QString text = m_dir->filePath(QStringLiteral("notes.heic"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a picture") > 0);
        file.close();
        if (heif::Available()) {
            QVERIFY_THROWS_EXCEPTION(RuntimeError, PictureReader{text});
        } else {
            QCOMPARE(PictureReader(text).notice(), PictureReader::notInThisBuildNotice("HEIC"));
        }
        QVERIFY(QFile::copy(text, m_dir->filePath(QStringLiteral("notes.nef"))));
        try {
            PictureReader reader(m_dir->filePath(QStringLiteral("notes.nef")));
            QFAIL("a text named .nef was read");
        } catch (const RuntimeError& failure) {
            QCOMPARE(failure.number(), error::BadPicture);
        }
        try {
            PictureReader reader(m_dir->filePath(QStringLiteral("gone.mov")));
            QFAIL("a missing file was read");
        } catch (const RuntimeError& failure) {
            QCOMPARE(failure.number(), error::FileNotFound);
        }
    }

    // The thumbnail shows the notice over the whole box, in place of a picture; a picture
    // shown after it clears it, and so does clearing.
    void thumbnailShowsTheNotice() {
        const QString movie = sample(QStringLiteral("QuickTime.mov"));
        if (!QFile::exists(movie)) {
            QSKIP("TOVRIN_CORPUS_DIR holds no formats/ samples");
        }
        QWidget frame;
        frame.setGeometry(60, 50, 640, 480);
        auto* picBack = new QLabel(&frame);
        picBack->setGeometry(3, 222, 193, 161);
        picBack->setAutoFillBackground(true);
        QPalette panel = picBack->palette();
        panel.setColor(QPalette::Window, panel.color(QPalette::ButtonText));
        picBack->setPalette(panel);
        auto* image2 = new PictureBox(&frame);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        FitThumbnail(*image2, *picBack, movie);
        QVERIFY(image2->isVisible() && image2->hasNotice() && !image2->hasPicture());
        QCOMPARE(image2->notice(), PictureReader::movieNotice());
        QCOMPARE(image2->geometry(), picBack->geometry());
        // The text is drawn: the box is no longer one colour.
        const QImage shown = frame.grab(picBack->geometry()).toImage();
        int light = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) light += qGray(shown.pixel(x, y)) > 128;
        QVERIFY2(light > 20, "no text on the panel");

        const QString photo = m_dir->filePath(QStringLiteral("a.jpg"));
        QVERIFY(redThenBlue(QSize(64, 48)).save(photo, "JPEG", 95));
        FitThumbnail(*image2, *picBack, photo);
        QVERIFY(image2->hasPicture() && !image2->hasNotice());
        FitThumbnail(*image2, *picBack, movie);
        image2->clearPicture();
        QVERIFY(!image2->hasPicture() && !image2->hasNotice());
    }

    // The viewer shows the same notice, and its actual-size command leaves it so, no box.
    void viewerShowsTheNotice() {
        const QString movie = sample(QStringLiteral("QuickTime.mov"));
        if (!QFile::exists(movie)) {
            QSKIP("TOVRIN_CORPUS_DIR holds no formats/ samples");
        }
        QWidget owner;
        owner.setGeometry(60, 50, 640, 480);
        owner.show();
        NoBoxes boxes;
        FrmViewer viewer(&owner, movie, boxes);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTRY_VERIFY(viewer.imgViewer()->isVisible() && viewer.imgViewer()->hasNotice());
        QCOMPARE(viewer.imgViewer()->geometry(), viewer.lblPicBack()->geometry());
        const QSize before = viewer.size();
        viewer.PhotoOriginSize_Click();
        QTest::qWait(50);
        QCOMPARE(viewer.size(), before);
        QVERIFY(viewer.imgViewer()->hasNotice());
        QVERIFY(boxes.shown.empty());
        viewer.close();
    }

    // A raw file's preview in the viewer: fitted, and at its own size on command.
    void viewerShowsARawPreview() {
        const QString raw = sample(QStringLiteral("Panasonic.rw2"));
        if (!QFile::exists(raw)) {
            QSKIP("TOVRIN_CORPUS_DIR holds no formats/ samples");
        }
        QWidget owner;
        owner.setGeometry(60, 50, 640, 480);
        owner.show();
        NoBoxes boxes;
        FrmViewer viewer(&owner, raw, boxes);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTRY_VERIFY(viewer.imgViewer()->isVisible() && viewer.imgViewer()->hasPicture());
        QCOMPARE(viewer.imgViewer()->naturalSize(), QSize(8, 8));
        viewer.PhotoOriginSize_Click();
        QTRY_COMPARE(viewer.imgViewer()->geometry(), QRect(0, 0, 8, 8));
        QVERIFY(boxes.shown.empty());
        viewer.close();
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

}  // namespace tovrin

QTEST_MAIN(tovrin::PictureReaderTest)
#include "picture_reader_test.moc"
