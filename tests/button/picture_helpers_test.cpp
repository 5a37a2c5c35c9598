// The picture and colour helpers: colour translation against a known palette,
// HIMETRIC sizes, picture creation and ownership, flattening pictures of every
// kind into bitmaps, and code-page byte lengths.

#include <memory>

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "ansi_text.h"
#include "graphical_button.h"
#include "picture.h"
#include "system_color.h"

using namespace tovrin;

namespace {

// A palette whose every role has its own colour, so a wrong mapping shows.
QPalette DistinctPalette() {
    QPalette palette;
    palette.setColor(QPalette::All, QPalette::Button, QColor(0x10, 0x20, 0x30));
    palette.setColor(QPalette::All, QPalette::ButtonText, QColor(0x11, 0x22, 0x33));
    palette.setColor(QPalette::All, QPalette::Base, QColor(0x12, 0x24, 0x36));
    palette.setColor(QPalette::All, QPalette::Highlight, QColor(0x13, 0x26, 0x39));
    palette.setColor(QPalette::All, QPalette::Text, QColor(0x14, 0x28, 0x3C));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x15, 0x2A, 0x3F));
    palette.setColor(QPalette::All, QPalette::Dark, QColor(0x16, 0x2C, 0x42));
    palette.setColor(QPalette::All, QPalette::Light, QColor(0x17, 0x2E, 0x45));
    return palette;
}

// 32 x 32, transparent but for an opaque red square from (8, 8) to (23, 23).
QIcon RedSquareIcon() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(QRect(8, 8, 16, 16), Qt::red);
    return QIcon(QPixmap::fromImage(image));
}

// A recorded drawing 10 x 10 in its own units: left half red, right half blue.
QPicture SplitDrawing() {
    QPicture drawing;
    QPainter painter(&drawing);
    painter.fillRect(QRect(0, 0, 5, 10), Qt::red);
    painter.fillRect(QRect(5, 0, 5, 10), Qt::blue);
    painter.end();
    return drawing;
}

QImage SolidImage(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

enum class Kind { Null, Bitmap32, Icon32, Metafile, EnhancedMetafile64x32, Palette, Brush };

GraphicsHandle MakeHandle(Kind kind) {
    switch (kind) {
        case Kind::Null:
            return {};
        case Kind::Bitmap32:
            return MakeBitmapHandle(SolidImage(32, 32, Qt::green));
        case Kind::Icon32:
            return MakeIconHandle(RedSquareIcon());
        case Kind::Metafile:
            return MakeMetafileHandle(SplitDrawing());
        case Kind::EnhancedMetafile64x32: {
            QPicture drawing;
            QPainter painter(&drawing);
            painter.fillRect(QRect(0, 0, 64, 32), Qt::blue);
            painter.end();
            return MakeEnhancedMetafileHandle(drawing);
        }
        case Kind::Palette:
            return MakePaletteHandle({qRgb(1, 2, 3)});
        case Kind::Brush:
            return MakeBrushHandle(Qt::red);
    }
    return {};
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class PictureHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void translateColor_data();
    void translateColor();
    void translateColorReadsTheApplicationPalette();
    void colorValueOrder();

    void picturePixels_data();
    void picturePixels();

    void createPicture_data();
    void createPicture();
    void pictureOwnsItsHandle();
    void bitmapKeepsItsPalette();

    void pictureToBitmapOfNothing();
    void pictureToBitmapReturnsABitmapItself();
    void iconIsDrawnAtStandardSizeOnTheBackground();
    void iconOnASmallerBitmapIsCut();
    void metafilesFillTheBitmap_data();
    void metafilesFillTheBitmap();

    void ansiByteLength_data();
    void ansiByteLength();

    void buttonPictureFollowsTheButtonsIcon();
};

void PictureHelpersTest::translateColor_data() {
    QTest::addColumn<quint32>("color");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("button face") << 0x8000000Fu << 0x02302010u;
    QTest::newRow("button text") << 0x80000012u << 0x02332211u;
    QTest::newRow("window background") << 0x80000005u << 0x02362412u;
    QTest::newRow("window text") << 0x80000008u << 0x023C2814u;
    QTest::newRow("highlight") << 0x8000000Du << 0x02392613u;
    QTest::newRow("grey text") << 0x80000011u << 0x023F2A15u;
    QTest::newRow("button shadow") << 0x80000010u << 0x02422C16u;
    QTest::newRow("button highlight") << 0x80000014u << 0x02452E17u;
    QTest::newRow("index 25 names nothing") << 0x80000019u << 0x02000000u;
    QTest::newRow("index past the last") << 0x800000FFu << 0x02000000u;
    QTest::newRow("white") << 0x00FFFFFFu << 0x02FFFFFFu;
    QTest::newRow("pure red") << 0x000000FFu << 0x020000FFu;
    QTest::newRow("black") << 0x00000000u << 0x02000000u;
    QTest::newRow("marked already") << 0x02FFFFFFu << 0x02FFFFFFu;
}

void PictureHelpersTest::translateColor() {
    QFETCH(quint32, color);
    QFETCH(quint32, expected);
    QCOMPARE(TranslateColor(color, DistinctPalette()), expected);
}

void PictureHelpersTest::translateColorReadsTheApplicationPalette() {
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(DistinctPalette());
    const ColorValue face = TranslateColor(ButtonFaceColor);
    const ColorValue text = TranslateColor(ButtonTextColor);
    QApplication::setPalette(saved);
    QCOMPARE(face, 0x02302010u);
    QCOMPARE(text, 0x02332211u);
}

void PictureHelpersTest::colorValueOrder() {
    // Red sits in the lowest byte; the marker byte is not a colour.
    QCOMPARE(ColorFromValue(0x02302010u), QColor(0x10, 0x20, 0x30));
    QCOMPARE(ValueFromColor(QColor(0x10, 0x20, 0x30)), 0x00302010u);
    QCOMPARE(ColorFromValue(0x000000FFu), QColor(Qt::red));
}

void PictureHelpersTest::picturePixels_data() {
    QTest::addColumn<int>("himetric");
    QTest::addColumn<int>("pixels");

    QTest::newRow("32-pixel icon") << 847 << 32;
    QTest::newRow("16-pixel icon") << 423 << 16;
    QTest::newRow("nothing") << 0 << 0;
    QTest::newRow("just under half a pixel") << 13 << 0;
    QTest::newRow("just over half a pixel") << 14 << 1;
    QTest::newRow("one inch") << 2540 << 96;
    QTest::newRow("a thousand pixels") << 26458 << 1000;
}

void PictureHelpersTest::picturePixels() {
    QFETCH(int, himetric);
    QFETCH(int, pixels);
    QCOMPARE(PicturePixels(himetric), pixels);
}

void PictureHelpersTest::createPicture_data() {
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("expectedType");  // 0: nothing
    QTest::addColumn<QSize>("himetric");

    QTest::newRow("null handle") << Kind::Null << 0 << 0 << QSize();
    QTest::newRow("null handle, bitmap type") << Kind::Null << 1 << 0 << QSize();
    QTest::newRow("bitmap detected") << Kind::Bitmap32 << 0 << 1 << QSize(847, 847);
    QTest::newRow("bitmap, type out of range") << Kind::Bitmap32 << 9 << 1 << QSize(847, 847);
    QTest::newRow("bitmap given") << Kind::Bitmap32 << 1 << 1 << QSize(847, 847);
    QTest::newRow("icon detected") << Kind::Icon32 << 0 << 3 << QSize(847, 847);
    QTest::newRow("metafile takes the extents") << Kind::Metafile << 0 << 2 << QSize(2540, 1270);
    QTest::newRow("enhanced metafile measures itself")
        << Kind::EnhancedMetafile64x32 << 0 << 4 << QSize(1693, 847);
    QTest::newRow("palette is no picture") << Kind::Palette << 0 << 0 << QSize();
    QTest::newRow("brush is no picture") << Kind::Brush << 0 << 0 << QSize();
    QTest::newRow("bitmap called an icon") << Kind::Bitmap32 << 3 << 0 << QSize();
    QTest::newRow("icon called a bitmap") << Kind::Icon32 << 1 << 0 << QSize();
}

void PictureHelpersTest::createPicture() {
    QFETCH(Kind, kind);
    QFETCH(int, type);
    QFETCH(int, expectedType);
    QFETCH(QSize, himetric);

    const GraphicsHandle handle = MakeHandle(kind);
    const Picture picture = CreatePicture(handle, type, {}, 2540, 1270);
    if (expectedType == 0) {
        QVERIFY(picture.isEmpty());
        QVERIFY(!picture.handle());
        return;
    }
    QCOMPARE(int(picture.type()), expectedType);
    QVERIFY(picture.handle() == handle);
    QCOMPARE(QSize(picture.width(), picture.height()), himetric);
}

void PictureHelpersTest::pictureOwnsItsHandle() {
    std::weak_ptr<const GraphicsObject> watch;
    {
        Picture picture;
        {
            GraphicsHandle handle = MakeBitmapHandle(SolidImage(4, 4, Qt::red));
            watch = handle;
            picture = CreatePicture(std::move(handle), 0);
        }
        QVERIFY(!watch.expired());
        const Picture sameObject = picture;
        picture = Picture();
        QVERIFY(!watch.expired());
    }
    QVERIFY(watch.expired());
}

void PictureHelpersTest::bitmapKeepsItsPalette() {
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(0, 0, 0)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    const GraphicsHandle palette = MakePaletteHandle({qRgb(255, 0, 0), qRgb(0, 0, 255)});

    const Picture withPalette = CreatePicture(MakeBitmapHandle(indexed), 1, palette);
    QVERIFY(withPalette.palette() == palette);
    QCOMPARE(withPalette.bitmap().pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(withPalette.bitmap().pixel(1, 0), qRgb(0, 0, 255));

    // Only bitmaps take a palette.
    QVERIFY(!CreatePicture(MakeIconHandle(RedSquareIcon()), 0, palette).palette());
}

void PictureHelpersTest::pictureToBitmapOfNothing() {
    QVERIFY(PictureToBitmap(Picture(), 0).isEmpty());
    const Picture typeNone(MakeBitmapHandle(SolidImage(4, 4, Qt::red)), PictureType::None, 106,
                           106);
    QVERIFY(PictureToBitmap(typeNone, 0).isEmpty());
}

void PictureHelpersTest::pictureToBitmapReturnsABitmapItself() {
    const Picture bitmap = CreatePicture(MakeBitmapHandle(SolidImage(8, 8, Qt::red)), 0);
    const Picture result = PictureToBitmap(bitmap, 0x0000FF00);
    QVERIFY(result.isSameObject(bitmap));
    QVERIFY(!result.isSameObject(CreatePicture(MakeBitmapHandle(bitmap.bitmap()), 0)));
}

void PictureHelpersTest::iconIsDrawnAtStandardSizeOnTheBackground() {
    const Picture icon = CreatePicture(MakeIconHandle(RedSquareIcon()), 0);
    const Picture result = PictureToBitmap(icon, 0x0200FF00);  // green, palette-relative

    QCOMPARE(result.type(), PictureType::Bitmap);
    QVERIFY(!result.isSameObject(icon));
    const QImage bitmap = result.bitmap();
    QCOMPARE(bitmap.size(), QSize(32, 32));
    QVERIFY(!bitmap.hasAlphaChannel());
    QCOMPARE(QColor(bitmap.pixel(0, 0)), QColor(Qt::green));
    QCOMPARE(QColor(bitmap.pixel(31, 31)), QColor(Qt::green));
    QCOMPARE(QColor(bitmap.pixel(7, 7)), QColor(Qt::green));
    QCOMPARE(QColor(bitmap.pixel(8, 8)), QColor(Qt::red));
    QCOMPARE(QColor(bitmap.pixel(23, 23)), QColor(Qt::red));
    QCOMPARE(QColor(bitmap.pixel(24, 24)), QColor(Qt::green));
    // The new picture records its own size.
    QCOMPARE(QSize(result.width(), result.height()), QSize(847, 847));
}

void PictureHelpersTest::iconOnASmallerBitmapIsCut() {
    // A picture that says 16 x 16 still gets its icon drawn at 32 x 32: only the
    // top-left quarter lands on the bitmap.
    const Picture icon(MakeIconHandle(RedSquareIcon()), PictureType::Icon, 423, 423);
    const QImage bitmap = PictureToBitmap(icon, 0x00FFFFFF).bitmap();
    QCOMPARE(bitmap.size(), QSize(16, 16));
    QCOMPARE(QColor(bitmap.pixel(7, 7)), QColor(Qt::white));
    QCOMPARE(QColor(bitmap.pixel(8, 8)), QColor(Qt::red));
    QCOMPARE(QColor(bitmap.pixel(15, 15)), QColor(Qt::red));
}

void PictureHelpersTest::metafilesFillTheBitmap_data() {
    QTest::addColumn<int>("type");
    QTest::newRow("metafile") << int(PictureType::Metafile);
    QTest::newRow("enhanced metafile") << int(PictureType::EnhancedMetafile);
}

void PictureHelpersTest::metafilesFillTheBitmap() {
    QFETCH(int, type);
    // 2540 x 1270 HIMETRIC is 96 x 48 pixels: the 10 x 10 drawing is stretched
    // unevenly to fill it, red on the left half, blue on the right.
    const GraphicsHandle handle = type == int(PictureType::Metafile)
                                      ? MakeMetafileHandle(SplitDrawing())
                                      : MakeEnhancedMetafileHandle(SplitDrawing());
    const Picture picture(handle, PictureType(type), 2540, 1270);
    const QImage bitmap = PictureToBitmap(picture, 0x00FFFFFF).bitmap();
    QCOMPARE(bitmap.size(), QSize(96, 48));
    QCOMPARE(QColor(bitmap.pixel(0, 0)), QColor(Qt::red));
    QCOMPARE(QColor(bitmap.pixel(47, 47)), QColor(Qt::red));
    QCOMPARE(QColor(bitmap.pixel(48, 0)), QColor(Qt::blue));
    QCOMPARE(QColor(bitmap.pixel(95, 47)), QColor(Qt::blue));
}

void PictureHelpersTest::ansiByteLength_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("abc") << QStringLiteral("abc") << 3;
    QTest::newRow("three kanji") << QStringLiteral("日本語") << 6;
    QTest::newRow("half-width katakana") << QStringLiteral("ﾊﾞｰｼﾞｮﾝ") << 7;
    QTest::newRow("first half-width sign") << QStringLiteral("｡") << 1;
    QTest::newRow("last half-width sign") << QStringLiteral("ﾟ") << 1;
    QTest::newRow("full-width tilde before them") << QStringLiteral("～") << 2;
    QTest::newRow("full-width letter") << QStringLiteral("Ａ") << 2;
    QTest::newRow("run button caption") << QStringLiteral(" 埋込日付設定実行") << 17;
    QTest::newRow("about caption") << QStringLiteral("Tovrinのﾊﾞｰｼﾞｮﾝ情報") << 19;
    QTest::newRow("outside the BMP counts once") << QStringLiteral("𠮷") << 2;
    QTest::newRow("control characters") << QStringLiteral("\r\n\t") << 3;
}

void PictureHelpersTest::ansiByteLength() {
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(AnsiByteLength(text), bytes);
}

void PictureHelpersTest::buttonPictureFollowsTheButtonsIcon() {
    QPushButton button;
    QVERIFY(ButtonPicture(button).isEmpty());

    button.setIcon(RedSquareIcon());
    const Picture fromIcon = ButtonPicture(button);
    QCOMPARE(fromIcon.type(), PictureType::Icon);
    QCOMPARE(QSize(fromIcon.width(), fromIcon.height()), QSize(847, 847));

    const Picture bitmap = CreatePicture(MakeBitmapHandle(SolidImage(20, 10, Qt::blue)), 0);
    SetButtonPicture(button, bitmap);
    QVERIFY(ButtonPicture(button).isSameObject(bitmap));
    QCOMPARE(button.iconSize(), QSize(20, 10));

    // An icon set behind the picture's back wins over the stale picture.
    button.setIcon(RedSquareIcon());
    QCOMPARE(ButtonPicture(button).type(), PictureType::Icon);
}

QTEST_MAIN(PictureHelpersTest)
#include "picture_helpers_test.moc"
