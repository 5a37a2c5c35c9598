// The command button and its picture helpers: colour values, HIMETRIC sizes,
// pictures flattened into bitmaps, the face for every position code and style,
// the run button's face, and the button under the filter.

#include <memory>
#include <tuple>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "button/button_face.h"
#include "button/command_button_ct.h"
#include "button/graphical_button.h"
#include "button/picture.h"
#include "button/run_button_icon.h"
#include "button/system_color.h"
#include "ui/fonts.h"

using namespace tovrin;

namespace {

const QString RunCaption = QStringLiteral(" 埋込日付設定実行");

QImage Solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// 32 x 32, transparent but for a red square from (8, 8) to (23, 23).
QIcon RedSquareIcon() {
    QImage image = Solid(32, 32, Qt::transparent);
    QPainter(&image).fillRect(QRect(8, 8, 16, 16), Qt::red);
    return QIcon(QPixmap::fromImage(image));
}

QImage Face(const QPushButton& button) { return ButtonPicture(button).bitmap(); }

QRgb FaceBackground() { return ColorFromValue(TranslateColor(ButtonFaceColor)).rgb(); }

// Pixels in area that are not the button face colour.
int Ink(const QImage& face, const QRect& area) {
    const QRect inside = area & face.rect();
    int count = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += face.pixel(x, y) != FaceBackground();
    }
    return count;
}

// The run button at its design size, 3330 x 540 twips, taken over by cmd.
QPushButton* RunButton(QWidget* parent, CommandButtonCT& cmd, bool graphical = true) {
    auto* button = new QPushButton(RunCaption, parent);
    button->setGeometry(10, 10, 222, 36);
    button->setIcon(RunButtonIcon());
    button->setIconSize(QSize(32, 32));
    SetGraphicalStyle(*button, graphical);
    cmd.Load(button);
    return button;
}

struct RunButtonWindow {
    QWidget window;
    CommandButtonCT cmd;
    QPushButton* button;
    explicit RunButtonWindow(bool graphical = true) : button(RunButton(&window, cmd, graphical)) {}
};

// The run button's 222 x 36 client gives a 218 x 31 face. The picture is
// 32 x 32 or none; the caption 120 x 12, or 231 x 12, wider than the face.
// clang-format off
struct FaceRow { int style, position, picture, captionWidth; QPoint picturePosition; QRect text; };
const FaceRow FaceRows[] = {
    // Caption: g = (218 - 153) / 2 = 32, text y = 19 / 2 = 9, picture y = -1 / 2 = 0.
    {0, 1, 32, 120, {32, 0}, {65, 9, 120, 12}},   {0, 2, 32, 120, {0, 0}, {49, 9, 120, 12}},
    {0, 3, 32, 120, {0, 0}, {65, 9, 120, 12}},    {0, 4, 32, 120, {153, 0}, {32, 9, 120, 12}},
    {0, 5, 32, 120, {186, 0}, {49, 9, 120, 12}},  {0, 6, 32, 120, {186, 0}, {33, 9, 120, 12}},
    {0, 7, 32, 120, {0, 0}, {0, 9, 120, 12}},     {0, -1, 32, 120, {0, 0}, {0, 9, 120, 12}},
    // Swatch, 181 x 29 beside a picture: g = (218 - 214) / 2 = 2, y = 1.
    {1, 1, 32, 120, {2, 0}, {35, 1, 181, 29}},    {1, 2, 32, 120, {0, 0}, {18, 1, 181, 29}},
    {1, 3, 32, 120, {0, 0}, {34, 1, 181, 29}},    {1, 4, 32, 120, {184, 0}, {2, 1, 181, 29}},
    {1, 5, 32, 120, {186, 0}, {18, 1, 181, 29}},  {1, 6, 32, 120, {186, 0}, {2, 1, 181, 29}},
    {1, 7, 32, 120, {0, 0}, {0, 1, 181, 29}},     {1, 1, 0, 120, {2, 15}, {3, 1, 213, 29}},
    // Any other style puts nothing beside: g = 185 / 2 = 92, text y = 15.
    {2, 1, 32, 120, {92, 0}, {125, 15, 0, 0}},    {2, 2, 32, 120, {0, 0}, {109, 15, 0, 0}},
    {2, 3, 32, 120, {0, 0}, {125, 15, 0, 0}},     {2, 4, 32, 120, {93, 0}, {92, 15, 0, 0}},
    {2, 5, 32, 120, {186, 0}, {109, 15, 0, 0}},   {2, 6, 32, 120, {186, 0}, {93, 15, 0, 0}},
    {-1, 2, 32, 120, {0, 0}, {109, 15, 0, 0}},
    // No picture: g = 97 / 2 = 48, picture y = 15.
    {0, 1, 0, 120, {48, 15}, {49, 9, 120, 12}},   {0, 5, 0, 120, {218, 15}, {49, 9, 120, 12}},
    // Wider than the face: g = -46 / 2 = -23; (218 - 231) / 2 = -6, not -7.
    {0, 1, 32, 231, {-23, 0}, {10, 9, 231, 12}},  {0, 2, 32, 231, {0, 0}, {-6, 9, 231, 12}},
};
// clang-format on

}  // namespace

class CommandButtonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void conversions() {
        QPalette palette;
        palette.setColor(QPalette::Button, QColor(0x10, 0x20, 0x30));
        palette.setColor(QPalette::ButtonText, QColor(0x11, 0x22, 0x33));
        // Face, text, 25 and past the last (no colour); plain red; marked already.
        const ColorValue colors[][2] = {{0x8000000F, 0x02302010}, {0x80000012, 0x02332211},
                                        {0x80000019, 0x02000000}, {0x800000FF, 0x02000000},
                                        {0x000000FF, 0x020000FF}, {0x02FFFFFF, 0x02FFFFFF}};
        for (const auto& row : colors) QCOMPARE(TranslateColor(row[0], palette), row[1]);

        // HIMETRIC: icons of 32 and 16, either side of half a pixel, single precision at 1000.
        const int picture[][2] = {{847, 32}, {423, 16}, {13, 0}, {14, 1}, {26458, 1000}};
        for (const auto& row : picture) QCOMPARE(PicturePixels(row[0]), row[1]);
        // The face's own rounder conversion; 5768 x 820 is the run button's face.
        const int face[][2] = {{847, 32}, {5768, 218}, {820, 31}, {0, 0}};
        for (const auto& row : face) QCOMPARE(FacePicturePixels(row[0]), row[1]);
    }

    void createPicture() {
        // Type 0 or out of range detects; a handle that is no picture, or not of
        // the type given, gives nothing. Only metafiles take the given extents.
        const GraphicsHandle bitmap = MakeBitmapHandle(Solid(32, 32, Qt::green));
        const std::tuple<GraphicsHandle, int, PictureType, QSize> rows[] = {
            {nullptr, 1, PictureType::None, {0, 0}},
            {bitmap, 9, PictureType::Bitmap, {847, 847}},
            {MakeIconHandle(RedSquareIcon()), 0, PictureType::Icon, {847, 847}},
            {MakeMetafileHandle(QPicture()), 0, PictureType::Metafile, {2540, 1270}},
            {MakePaletteHandle({qRgb(1, 2, 3)}), 0, PictureType::None, {0, 0}},
            {bitmap, 3, PictureType::None, {0, 0}}};
        for (const auto& [handle, type, expected, himetric] : rows) {
            const Picture picture = CreatePicture(handle, type, {}, 2540, 1270);
            QCOMPARE(picture.type(), expected);
            QVERIFY(expected == PictureType::None ? !picture.handle() : picture.handle() == handle);
            QCOMPARE(QSize(picture.width(), picture.height()), himetric);
        }
    }

    void pictureToBitmap() {
        // On 0x02FFFF00 (marked; blue and green) an icon is drawn at its standard
        // 32 x 32, and cut when the picture says 16 x 16.
        const GraphicsHandle icon = MakeIconHandle(RedSquareIcon());
        for (const Picture& picture :
             {CreatePicture(icon, 0), Picture(icon, PictureType::Icon, 423, 423)}) {
            const Picture result = PictureToBitmap(picture, 0x02FFFF00);
            const QImage bitmap = result.bitmap();
            const int size = PicturePixels(picture.width());
            QCOMPARE(bitmap.size(), QSize(size, size));
            QCOMPARE(result.width(), picture.width());
            QVERIFY(!bitmap.hasAlphaChannel());
            QCOMPARE(QColor(bitmap.pixel(7, 7)), QColor(0, 255, 255));
            QCOMPARE(QColor(bitmap.pixel(8, 8)), QColor(Qt::red));
        }
        const Picture typeNone(MakeBitmapHandle(Solid(4, 4, Qt::red)), PictureType::None, 106, 106);
        QVERIFY(PictureToBitmap(typeNone, 0).isEmpty());
    }

    void pictureOwnershipAndTheButtonsPicture() {
        std::weak_ptr<const GraphicsObject> watch;
        {
            QPushButton button;
            QVERIFY(ButtonPicture(button).isEmpty());
            Picture bitmap = CreatePicture(MakeBitmapHandle(Solid(20, 10, Qt::blue)), 0);
            watch = bitmap.handle();
            QVERIFY(PictureToBitmap(bitmap, 0).isSameObject(bitmap));  // a bitmap is itself
            SetButtonPicture(button, bitmap);
            bitmap = Picture();
            QVERIFY(ButtonPicture(button).handle() == watch.lock());
            QCOMPARE(button.iconSize(), QSize(20, 10));
            // An icon set behind the picture's back wins over the stale picture.
            button.setIcon(RedSquareIcon());
            QCOMPARE(ButtonPicture(button).type(), PictureType::Icon);
        }
        QVERIFY(watch.expired());
    }

    void composeFace_data() {
        QTest::addColumn<int>("row");
        int i = 0;
        for (const FaceRow& r : FaceRows) {
            QTest::addRow("style %d, position %d, picture %d, caption %d", r.style, r.position,
                          r.picture, r.captionWidth)
                << i++;
        }
    }
    void composeFace() {
        QFETCH(int, row);
        const FaceRow& r = FaceRows[row];
        const FaceLayout layout =
            ComposeFace({222, 36, r.picture, r.picture, r.captionWidth, 12, r.style, r.position});
        QCOMPARE(QSize(layout.width, layout.height), QSize(218, 31));
        QCOMPARE(layout.picture, QRect(r.picturePosition, QSize(r.picture, r.picture)));
        QCOMPARE(layout.text, r.text);
    }

    void paintFace() {
        const auto paint = [](int position, const QImage& picture, ColorValue color) {
            const FaceLayout layout = ComposeFace({222, 36, 32, 32, 0, 0, FaceSwatch, position});
            return PaintFace(layout, picture, QString(), QApplication::font(), FaceSwatch, color,
                             QApplication::palette());
        };
        // Position 1: the picture at x = 2 and the swatch, 181 x 29 at (35, 1),
        // white in a black outline; nothing else.
        const QImage face = paint(1, Solid(32, 32, Qt::red), 0x00FFFFFF);
        const QRect swatch(35, 1, 181, 29);
        QCOMPARE(face.size(), QSize(218, 31));
        QCOMPARE(QColor(face.pixel(swatch.bottomRight())), QColor(Qt::black));
        QCOMPARE(QColor(face.pixel(36, 2)), QColor(Qt::white));
        QCOMPARE(QColor(face.pixel(33, 30)), QColor(Qt::red));
        QCOMPARE(Ink(face, swatch) + Ink(face, QRect(2, 0, 32, 31)), 181 * 29 + 32 * 31);
        QCOMPARE(Ink(face, face.rect()), 181 * 29 + 32 * 31);
        // A plain colour is used as it is, a system colour looked up.
        QCOMPARE(QColor(paint(1, QImage(), 0x000000FF).pixel(50, 15)), QColor(Qt::red));
        QCOMPARE(paint(1, QImage(), ButtonFaceColor).pixel(50, 15), FaceBackground());
        // Position 7 puts both at x = 0: the picture, last and opaque, covers the outline.
        QCOMPARE(QColor(paint(7, Solid(32, 32, Qt::red), 0x00FFFFFF).pixel(0, 1)), QColor(Qt::red));
        const QImage clear = paint(7, Solid(32, 32, QColor(0, 0, 255, 0)), 0x00FFFFFF);
        QVERIFY(clear.pixel(5, 5) != QColor(Qt::white).rgb());
        // A face without area is no image.
        const FaceLayout none = ComposeFace({4, 30, 0, 0, 10, 10, FaceCaption, 2});
        QVERIFY(PaintFace(none, {}, "x", {}, FaceCaption, 0, QApplication::palette()).isNull());
    }

    void runButtonFace() {
        RunButtonWindow w;
        w.cmd.setPicturePosition(1);
        QCOMPARE(w.cmd.Caption(), RunCaption);
        QCOMPARE(w.button->text(), QString());
        const QImage face = Face(*w.button);
        QCOMPARE(face.size(), QSize(218, 31));
        QCOMPARE(w.button->iconSize(), QSize(218, 31));

        // The icon left of the caption, centred together one pixel apart; 32 high
        // on a 31-high face, it starts at y = 0 and loses its last row.
        const QSize caption = QFontMetrics(QApplication::font())
                                  .size(Qt::TextSingleLine | Qt::TextShowMnemonic, RunCaption);
        const int gap = (218 - (32 + 1 + caption.width())) / 2;
        const ColorValue back = TranslateColor(ButtonBackColor(*w.button));
        const QImage icon =
            PictureToBitmap(CreatePicture(MakeIconHandle(RunButtonIcon()), 0), back).bitmap();
        QCOMPARE(face.copy(gap, 0, 32, 31), icon.copy(0, 0, 32, 31));
        const QRect text(gap + 33, (31 - caption.height()) / 2, caption.width(), caption.height());
        QVERIFY(Ink(face, text) > 20);
        QCOMPARE(Ink(face, face.rect()), Ink(face, QRect(gap, 0, 32, 31)) + Ink(face, text));

        // Picture mode off: the caption alone, centred.
        w.cmd.setPictureMode(0);
        const QImage alone = Face(*w.button);
        const QRect centred((218 - caption.width()) / 2, text.y(), caption.width(), text.height());
        QVERIFY(Ink(alone, centred) > 20);
        // All the ink within the centred box, but for a pixel or two a
        // rasteriser may smear past it.
        QVERIFY(Ink(alone, alone.rect()) - Ink(alone, centred) <= 2);
    }

    void wrongStyle() {
        RunButtonWindow w(false);
        QCOMPARE(w.button->text(), QStringLiteral("[Wrong Style]"));
        QCOMPARE(w.cmd.Caption(), RunCaption);
        // Nothing is drawn: the button keeps its own icon.
        QCOMPARE(ButtonPicture(*w.button).type(), PictureType::Icon);
        QCOMPARE(w.button->iconSize(), QSize(32, 32));
    }

    void buttonGoneMeansNothingToActOn() {
        CommandButtonCT cmd;
        cmd.Refresh();  // before Load
        {
            QWidget window;
            RunButton(&window, cmd);
        }
        QCOMPARE(cmd.button(), nullptr);
        cmd.setCaption(QStringLiteral("after"));
        QVERIFY(!cmd.Enabled());
    }

    void buttonStillWorksUnderTheFilter() {
        RunButtonWindow w;
        QSignalSpy clicks(&w.cmd, &CommandButtonCT::Click);
        QSignalSpy clicked(w.button, &QPushButton::clicked);
        QList<float> down;
        connect(&w.cmd, &CommandButtonCT::MouseDown,
                [&](qint16& button, qint16& shift, float& x, float& y) {
                    down = {float(button), float(shift), x, y};
                });
        // Twips, 15 to the pixel; the right button is 2; Shift 1, Ctrl 2, Alt 4.
        QTest::mouseClick(w.button, Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier, {10, 5});
        QCOMPARE(down, (QList<float>{2, 5, 150, 75}));
        QTest::mouseClick(w.button, Qt::LeftButton);
        QTest::keyClick(w.button, Qt::Key_Space);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(clicks.count(), 2);
    }
};

QTEST_MAIN(CommandButtonTest)
#include "command_button_test.moc"
