// The custom command button: face composition for every position code and
// style, painting, the run button's face as the main window sets it up, which
// members redraw, and the events passed on from the attached button.

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "button_face.h"
#include "command_button_ct.h"
#include "fonts.h"
#include "graphical_button.h"
#include "picture.h"
#include "run_button_icon.h"
#include "system_color.h"

using namespace tovrin;

namespace {

const QString RunCaption = QStringLiteral(" 埋込日付設定実行");

// Records what finally reaches the button, after CommandButtonCT's filter.
class RecordingButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QList<int> keys;
    QStringList texts;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        keys << event->key();
        texts << event->text();
        QPushButton::keyPressEvent(event);
    }
};

// A window holding the run button at its design size, 3330 x 540 twips.
struct RunButtonWindow {
    QWidget window;
    RecordingButton* button = new RecordingButton(RunCaption, &window);
    QLineEdit* other = new QLineEdit(&window);

    RunButtonWindow() {
        window.setObjectName(QStringLiteral("RunButtonWindow"));
        window.resize(260, 90);
        button->setGeometry(10, 10, 222, 36);
        button->setIcon(RunButtonIcon());
        button->setIconSize(QSize(32, 32));
        SetGraphicalStyle(*button, true);
        other->setGeometry(10, 55, 222, 24);
    }
};

QImage Face(const QPushButton& button) { return ButtonPicture(button).bitmap(); }

QRgb Background() { return ColorFromValue(TranslateColor(ButtonFaceColor)).rgb(); }

// Every pixel outside the allowed rectangles is the button face colour.
bool OnlyInside(const QImage& face, const QList<QRect>& allowed) {
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            const bool inside = std::any_of(allowed.begin(), allowed.end(),
                                            [&](const QRect& r) { return r.contains(x, y); });
            if (!inside && face.pixel(x, y) != Background()) {
                qWarning("stray pixel at %d,%d", x, y);
                return false;
            }
        }
    }
    return true;
}

int DarkPixels(const QImage& face, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += qGray(face.pixel(x, y)) < 96 ? 1 : 0;
        }
    }
    return count;
}

QImage Solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QString ScreenshotPath(const QString& name) {
    QDir().mkpath(QStringLiteral(TOVRIN_SCREENSHOT_DIR));
    return QStringLiteral(TOVRIN_SCREENSHOT_DIR "/") + name;
}

}  // namespace

class CommandButtonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void composeFace_data();
    void composeFace();
    void facePicturePixels_data();
    void facePicturePixels();
    void swatchIsExactlyItsSize();
    void pictureIsCopiedOverTheSwatch();
    void captionStaysInItsBox();
    void faceWithoutAreaIsNull();

    void defaultsAndMembersBeforeLoad();
    void runButtonFace();
    void wrongStyle();
    void loadTwiceTakesTheFace();
    void whichMembersRedraw_data();
    void whichMembersRedraw();
    void pictureModeOffCentresTheCaption();
    void ampersandUnderlinesWithoutAccessKey();
    void buttonGoneMeansNothingToActOn();

    void clickAndMouseButtons();
    void mouseMoves();
    void keyDownCanTakeOrChangeTheKey();
    void keyPressCanChangeTheCharacter();
    void focusEvents();

    void screenshot();
};

void CommandButtonTest::initTestCase() { RegisterFontSubstitutions(); }

void CommandButtonTest::cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

void CommandButtonTest::composeFace_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("position");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("caption");
    QTest::addColumn<QRect>("expectedPicture");
    QTest::addColumn<QRect>("expectedText");

    // The run button: 222 x 36 client, 218 x 31 face, a 32 x 32 picture and a
    // 120 x 12 caption. Picture y = (31 - 32) / 2 = 0, truncated toward zero.
    const QSize pic(32, 32);
    const QSize cap(120, 12);
    // Caption: g = (218 - 153) / 2 = 32; text y = 19 / 2 = 9.
    QTest::newRow("caption 1") << 0 << 1 << pic << cap << QRect(32, 0, 32, 32)
                               << QRect(65, 9, 120, 12);
    QTest::newRow("caption 2") << 0 << 2 << pic << cap << QRect(0, 0, 32, 32)
                               << QRect(49, 9, 120, 12);
    QTest::newRow("caption 3") << 0 << 3 << pic << cap << QRect(0, 0, 32, 32)
                               << QRect(65, 9, 120, 12);
    QTest::newRow("caption 4") << 0 << 4 << pic << cap << QRect(153, 0, 32, 32)
                               << QRect(32, 9, 120, 12);
    QTest::newRow("caption 5") << 0 << 5 << pic << cap << QRect(186, 0, 32, 32)
                               << QRect(49, 9, 120, 12);
    QTest::newRow("caption 6") << 0 << 6 << pic << cap << QRect(186, 0, 32, 32)
                               << QRect(33, 9, 120, 12);
    QTest::newRow("caption 7") << 0 << 7 << pic << cap << QRect(0, 0, 32, 32)
                               << QRect(0, 9, 120, 12);
    QTest::newRow("caption 0") << 0 << 0 << pic << cap << QRect(0, 0, 32, 32)
                               << QRect(0, 9, 120, 12);
    QTest::newRow("caption -1") << 0 << -1 << pic << cap << QRect(0, 0, 32, 32)
                                << QRect(0, 9, 120, 12);

    // Swatch: 181 x 29 beside the picture; g = (218 - 214) / 2 = 2; y = 1.
    QTest::newRow("swatch 1") << 1 << 1 << pic << cap << QRect(2, 0, 32, 32)
                              << QRect(35, 1, 181, 29);
    QTest::newRow("swatch 2") << 1 << 2 << pic << cap << QRect(0, 0, 32, 32)
                              << QRect(18, 1, 181, 29);
    QTest::newRow("swatch 3") << 1 << 3 << pic << cap << QRect(0, 0, 32, 32)
                              << QRect(34, 1, 181, 29);
    QTest::newRow("swatch 4") << 1 << 4 << pic << cap << QRect(184, 0, 32, 32)
                              << QRect(2, 1, 181, 29);
    QTest::newRow("swatch 5") << 1 << 5 << pic << cap << QRect(186, 0, 32, 32)
                              << QRect(18, 1, 181, 29);
    QTest::newRow("swatch 6") << 1 << 6 << pic << cap << QRect(186, 0, 32, 32)
                              << QRect(2, 1, 181, 29);
    QTest::newRow("swatch 7") << 1 << 7 << pic << cap << QRect(0, 0, 32, 32)
                              << QRect(0, 1, 181, 29);
    QTest::newRow("swatch, no picture 1")
        << 1 << 1 << QSize(0, 0) << cap << QRect(2, 15, 0, 0) << QRect(3, 1, 213, 29);

    // Nothing beside the picture: 0 x 0; g = 185 / 2 = 92; text y = 31 / 2 = 15.
    QTest::newRow("nothing 1") << 2 << 1 << pic << cap << QRect(92, 0, 32, 32)
                               << QRect(125, 15, 0, 0);
    QTest::newRow("nothing 2") << 2 << 2 << pic << cap << QRect(0, 0, 32, 32)
                               << QRect(109, 15, 0, 0);
    QTest::newRow("nothing 3") << 2 << 3 << pic << cap << QRect(0, 0, 32, 32)
                               << QRect(125, 15, 0, 0);
    QTest::newRow("nothing 4") << 2 << 4 << pic << cap << QRect(93, 0, 32, 32)
                               << QRect(92, 15, 0, 0);
    QTest::newRow("nothing 5") << 2 << 5 << pic << cap << QRect(186, 0, 32, 32)
                               << QRect(109, 15, 0, 0);
    QTest::newRow("nothing 6") << 2 << 6 << pic << cap << QRect(186, 0, 32, 32)
                               << QRect(93, 15, 0, 0);
    QTest::newRow("style -1 is nothing")
        << -1 << 2 << pic << cap << QRect(0, 0, 32, 32) << QRect(109, 15, 0, 0);

    // No picture: picW = picH = 0; g = 97 / 2 = 48; picture y = 15.
    const QSize none(0, 0);
    QTest::newRow("no picture 1") << 0 << 1 << none << cap << QRect(48, 15, 0, 0)
                                  << QRect(49, 9, 120, 12);
    QTest::newRow("no picture 2") << 0 << 2 << none << cap << QRect(0, 15, 0, 0)
                                  << QRect(49, 9, 120, 12);
    QTest::newRow("no picture 3") << 0 << 3 << none << cap << QRect(0, 15, 0, 0)
                                  << QRect(49, 9, 120, 12);
    QTest::newRow("no picture 4") << 0 << 4 << none << cap << QRect(169, 15, 0, 0)
                                  << QRect(48, 9, 120, 12);
    QTest::newRow("no picture 5") << 0 << 5 << none << cap << QRect(218, 15, 0, 0)
                                  << QRect(49, 9, 120, 12);
    QTest::newRow("no picture 6") << 0 << 6 << none << cap << QRect(218, 15, 0, 0)
                                  << QRect(49, 9, 120, 12);

    // A caption wider than the face: the halvings truncate toward zero.
    // g = (218 - 264) / 2 = -23; (218 - 231) / 2 = -6, not -7.
    const QSize wide(231, 12);
    QTest::newRow("wide caption 1")
        << 0 << 1 << pic << wide << QRect(-23, 0, 32, 32) << QRect(10, 9, 231, 12);
    QTest::newRow("wide caption 2")
        << 0 << 2 << pic << wide << QRect(0, 0, 32, 32) << QRect(-6, 9, 231, 12);
    QTest::newRow("wide caption 3")
        << 0 << 3 << pic << wide << QRect(0, 0, 32, 32) << QRect(10, 9, 231, 12);
    QTest::newRow("wide caption 6")
        << 0 << 6 << pic << wide << QRect(186, 0, 32, 32) << QRect(-22, 9, 231, 12);
}

void CommandButtonTest::composeFace() {
    QFETCH(int, style);
    QFETCH(int, position);
    QFETCH(QSize, picture);
    QFETCH(QSize, caption);
    QFETCH(QRect, expectedPicture);
    QFETCH(QRect, expectedText);

    FaceInput input;
    input.clientWidth = 222;
    input.clientHeight = 36;
    input.pictureWidth = picture.width();
    input.pictureHeight = picture.height();
    input.captionWidth = caption.width();
    input.captionHeight = caption.height();
    input.style = style;
    input.picturePosition = position;

    const FaceLayout layout = ComposeFace(input);
    QCOMPARE(QSize(layout.width, layout.height), QSize(218, 31));
    QCOMPARE(layout.picture, expectedPicture);
    QCOMPARE(layout.text, expectedText);
}

void CommandButtonTest::facePicturePixels_data() {
    QTest::addColumn<int>("himetric");
    QTest::addColumn<int>("pixels");

    QTest::newRow("32-pixel icon") << 847 << 32;
    QTest::newRow("16-pixel icon") << 423 << 16;
    QTest::newRow("a composed face, width") << 5768 << 218;
    QTest::newRow("a composed face, height") << 820 << 31;
    QTest::newRow("nothing") << 0 << 0;
}

void CommandButtonTest::facePicturePixels() {
    QFETCH(int, himetric);
    QFETCH(int, pixels);
    QCOMPARE(FacePicturePixels(himetric), pixels);
}

void CommandButtonTest::swatchIsExactlyItsSize() {
    FaceInput input{222, 36, 32, 32, 0, 0, FaceSwatch, 1};
    const FaceLayout layout = ComposeFace(input);
    const QImage face = PaintFace(layout, Solid(32, 32, Qt::red), QString(), QApplication::font(),
                                  FaceSwatch, 0x00FFFFFF, QApplication::palette());
    QCOMPARE(face.size(), QSize(218, 31));

    // The default colour: white inside, a one-pixel black outline, 181 x 29 in all.
    const QRect swatch = layout.text;
    QCOMPARE(QColor(face.pixel(swatch.topLeft())), QColor(Qt::black));
    QCOMPARE(QColor(face.pixel(swatch.bottomRight())), QColor(Qt::black));
    QCOMPARE(QColor(face.pixel(swatch.center().x(), swatch.top())), QColor(Qt::black));
    QCOMPARE(QColor(face.pixel(swatch.center().x(), swatch.bottom())), QColor(Qt::black));
    QCOMPARE(QColor(face.pixel(swatch.center())), QColor(Qt::white));
    QCOMPARE(QColor(face.pixel(swatch.left() + 1, swatch.top() + 1)), QColor(Qt::white));
    QCOMPARE(face.pixel(swatch.right() + 1, swatch.center().y()), Background());
    QCOMPARE(face.pixel(swatch.center().x(), swatch.bottom() + 1), Background());
    QCOMPARE(face.pixel(swatch.center().x(), swatch.top() - 1), Background());
    QVERIFY(OnlyInside(face, {swatch, layout.picture}));

    // The picture, one pixel apart from the swatch.
    QCOMPARE(QColor(face.pixel(layout.picture.topLeft())), QColor(Qt::red));
    QCOMPARE(QColor(face.pixel(layout.picture.right(), 30)), QColor(Qt::red));
    QCOMPARE(face.pixel(layout.picture.right() + 1, 15), Background());

    // A system colour is looked up; a plain one is used as it is.
    const QImage red = PaintFace(layout, QImage(), QString(), QApplication::font(), FaceSwatch,
                                 0x000000FF, QApplication::palette());
    QCOMPARE(QColor(red.pixel(swatch.center())), QColor(Qt::red));
    const QImage system = PaintFace(layout, QImage(), QString(), QApplication::font(), FaceSwatch,
                                    ButtonFaceColor, QApplication::palette());
    QCOMPARE(system.pixel(swatch.center()), Background());
}

void CommandButtonTest::pictureIsCopiedOverTheSwatch() {
    // Position 7 puts both at x = 0: the picture comes last and covers the outline.
    FaceInput input{222, 36, 32, 32, 0, 0, FaceSwatch, 7};
    const FaceLayout layout = ComposeFace(input);
    const QImage face = PaintFace(layout, Solid(32, 32, Qt::red), QString(), QApplication::font(),
                                  FaceSwatch, 0x00FFFFFF, QApplication::palette());
    QCOMPARE(QColor(face.pixel(0, 1)), QColor(Qt::red));
    QCOMPARE(QColor(face.pixel(31, 15)), QColor(Qt::red));
    QCOMPARE(QColor(face.pixel(32, 15)), QColor(Qt::white));

    // A picture with transparency is copied without it.
    QImage clear(32, 32, QImage::Format_ARGB32);
    clear.fill(QColor(0, 0, 255, 0));
    const QImage copied = PaintFace(layout, clear, QString(), QApplication::font(), FaceSwatch,
                                    0x00FFFFFF, QApplication::palette());
    QCOMPARE(QColor(copied.pixel(5, 5)).alpha(), 255);
    QVERIFY(copied.pixel(5, 5) != QColor(Qt::white).rgb());
}

void CommandButtonTest::captionStaysInItsBox() {
    const QFont font = QApplication::font();
    const QSize extent =
        QFontMetrics(font).size(Qt::TextSingleLine | Qt::TextShowMnemonic, RunCaption);
    FaceInput input{222, 36, 0, 0, extent.width(), extent.height(), FaceCaption, 2};
    const FaceLayout layout = ComposeFace(input);
    const QImage face =
        PaintFace(layout, QImage(), RunCaption, font, FaceCaption, 0, QApplication::palette());
    QVERIFY(DarkPixels(face, layout.text) > 20);
    QVERIFY(OnlyInside(face, {layout.text}));
}

void CommandButtonTest::faceWithoutAreaIsNull() {
    FaceInput input{4, 30, 0, 0, 10, 10, FaceCaption, 2};
    const FaceLayout layout = ComposeFace(input);
    QCOMPARE(layout.width, 0);
    QVERIFY(PaintFace(layout, QImage(), QStringLiteral("x"), QApplication::font(), FaceCaption, 0,
                      QApplication::palette())
                .isNull());
}

void CommandButtonTest::defaultsAndMembersBeforeLoad() {
    CommandButtonCT cmd;
    QCOMPARE(cmd.Name(), QStringLiteral("CommandButtonCT"));
    QCOMPARE(cmd.Caption(), QString());
    QVERIFY(cmd.Picture().isEmpty());
    QCOMPARE(cmd.PicturePosition(), 2);
    QCOMPARE(cmd.PictureMode(), 99);
    QCOMPARE(cmd.Style(), 0);
    QCOMPARE(cmd.Color(), 0x00FFFFFFu);
    QCOMPARE(cmd.button(), nullptr);

    // Before Load there is no button: storing only stores, the rest does nothing.
    cmd.setCaption(QStringLiteral("x"));
    cmd.setPicturePosition(4);
    cmd.Refresh();
    cmd.setEnabled(true);
    cmd.setVisible(true);
    QCOMPARE(cmd.Caption(), QStringLiteral("x"));
    QCOMPARE(cmd.PicturePosition(), 4);
    QVERIFY(!cmd.Enabled());
    QVERIFY(!cmd.Visible());
    QVERIFY(!cmd.Value());
}

void CommandButtonTest::runButtonFace() {
    RunButtonWindow w;
    CommandButtonCT cmdControl;
    cmdControl.Load(w.button);
    cmdControl.setPicturePosition(1);

    QCOMPARE(cmdControl.Caption(), RunCaption);
    QCOMPARE(cmdControl.Picture().type(), PictureType::Icon);
    QCOMPARE(QSize(cmdControl.Picture().width(), cmdControl.Picture().height()), QSize(847, 847));
    QCOMPARE(w.button->text(), QString());

    const QImage face = Face(*w.button);
    QCOMPARE(face.size(), QSize(218, 31));
    QCOMPARE(w.button->iconSize(), QSize(218, 31));

    // The icon and the caption centred together, one pixel apart; the icon is
    // 32 high on a 31-high face, so it starts at y = 0 and loses its last row.
    const QSize caption = QFontMetrics(QApplication::font())
                              .size(Qt::TextSingleLine | Qt::TextShowMnemonic, RunCaption);
    const int gap = (218 - (32 + 1 + caption.width())) / 2;
    const ColorValue back = TranslateColor(ButtonBackColor(*w.button));
    const QImage icon =
        PictureToBitmap(CreatePicture(MakeIconHandle(RunButtonIcon()), 0), back).bitmap();
    QCOMPARE(face.copy(gap, 0, 32, 31), icon.copy(0, 0, 32, 31));

    const QRect text(gap + 33, (31 - caption.height()) / 2, caption.width(), caption.height());
    QVERIFY(DarkPixels(face, text) > 20);
    QVERIFY(OnlyInside(face, {QRect(gap, 0, 32, 31), text}));
}

void CommandButtonTest::wrongStyle() {
    RunButtonWindow w;
    SetGraphicalStyle(*w.button, false);
    CommandButtonCT cmd;
    cmd.Load(w.button);
    QCOMPARE(w.button->text(), QStringLiteral("[Wrong Style]"));
    QCOMPARE(cmd.Caption(), RunCaption);
    // Nothing else is drawn: the button keeps its own icon.
    QCOMPARE(ButtonPicture(*w.button).type(), PictureType::Icon);
    QCOMPARE(w.button->iconSize(), QSize(32, 32));
}

void CommandButtonTest::loadTwiceTakesTheFace() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);
    const Picture firstFace = ButtonPicture(*w.button);

    cmd.Load(w.button);
    QVERIFY(cmd.Picture().isSameObject(firstFace));
    QCOMPARE(cmd.Picture().type(), PictureType::Bitmap);
    QCOMPARE(cmd.Caption(), QString());
    // The old face, 218 x 31, is now the picture on a new face of the same size.
    const QImage face = Face(*w.button);
    QCOMPARE(face.size(), QSize(218, 31));
    QCOMPARE(face.copy(0, 0, 218, 31), firstFace.bitmap());

    // Still only one click per click.
    QSignalSpy clicks(&cmd, &CommandButtonCT::Click);
    w.button->click();
    QCOMPARE(clicks.count(), 1);
}

void CommandButtonTest::whichMembersRedraw_data() {
    QTest::addColumn<int>("member");
    QTest::addColumn<bool>("redraws");
    QTest::newRow("Caption") << 0 << true;
    QTest::newRow("Color") << 1 << true;
    QTest::newRow("Picture") << 2 << true;
    QTest::newRow("PictureMode") << 3 << true;
    QTest::newRow("PicturePosition") << 4 << true;
    QTest::newRow("Refresh") << 5 << true;
    QTest::newRow("Style") << 6 << true;
    QTest::newRow("Enabled") << 7 << false;
    QTest::newRow("Visible") << 8 << false;
    QTest::newRow("Name") << 9 << false;
}

void CommandButtonTest::whichMembersRedraw() {
    QFETCH(int, member);
    QFETCH(bool, redraws);

    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);
    const Picture before = ButtonPicture(*w.button);
    switch (member) {
        case 0:
            cmd.setCaption(QStringLiteral("x"));
            break;
        case 1:
            cmd.setColor(0x000000FF);
            break;
        case 2:
            cmd.setPicture(Picture());
            break;
        case 3:
            cmd.setPictureMode(0);
            break;
        case 4:
            cmd.setPicturePosition(3);
            break;
        case 5:
            cmd.Refresh();
            break;
        case 6:
            cmd.setStyle(1);
            break;
        case 7:
            cmd.setEnabled(false);
            QVERIFY(!w.button->isEnabled());
            QVERIFY(!cmd.Enabled());
            break;
        case 8:
            w.window.show();
            QVERIFY(cmd.Visible());
            cmd.setVisible(false);
            QVERIFY(w.button->isHidden());
            QVERIFY(!cmd.Visible());
            w.window.hide();
            break;
        case 9:
            cmd.setName(QStringLiteral("cmdControl"));
            QCOMPARE(cmd.Name(), QStringLiteral("cmdControl"));
            break;
    }
    QCOMPARE(!ButtonPicture(*w.button).isSameObject(before), redraws);
}

void CommandButtonTest::pictureModeOffCentresTheCaption() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);
    cmd.setPictureMode(0);

    const QSize caption = QFontMetrics(QApplication::font())
                              .size(Qt::TextSingleLine | Qt::TextShowMnemonic, RunCaption);
    const QRect text((218 - caption.width()) / 2, (31 - caption.height()) / 2, caption.width(),
                     caption.height());
    const QImage face = Face(*w.button);
    QVERIFY(DarkPixels(face, text) > 20);
    QVERIFY(OnlyInside(face, {text}));
}

void CommandButtonTest::ampersandUnderlinesWithoutAccessKey() {
    RunButtonWindow plain;
    plain.button->setText(QStringLiteral("Run"));
    CommandButtonCT plainCmd;
    plainCmd.Load(plain.button);

    RunButtonWindow marked;
    marked.button->setText(QStringLiteral("&Run"));
    CommandButtonCT markedCmd;
    markedCmd.Load(marked.button);

    // Same width (the "&" is not drawn), plus an underline.
    const QImage plainFace = Face(*plain.button);
    const QImage markedFace = Face(*marked.button);
    QVERIFY(DarkPixels(markedFace, markedFace.rect()) > DarkPixels(plainFace, plainFace.rect()));
    QCOMPARE(markedCmd.Caption(), QStringLiteral("&Run"));
    QVERIFY(marked.button->shortcut().isEmpty());
}

void CommandButtonTest::buttonGoneMeansNothingToActOn() {
    CommandButtonCT cmd;
    {
        RunButtonWindow w;
        cmd.Load(w.button);
        QVERIFY(cmd.button());
    }
    QCOMPARE(cmd.button(), nullptr);
    cmd.setCaption(QStringLiteral("after"));
    cmd.Refresh();
    QVERIFY(!cmd.Enabled());
}

void CommandButtonTest::clickAndMouseButtons() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);

    QList<QList<float>> downs;
    QList<QList<float>> ups;
    int clicks = 0;
    bool valueDuringClick = false;
    connect(&cmd, &CommandButtonCT::MouseDown,
            [&](qint16& button, qint16& shift, float& x, float& y) {
                downs.append({float(button), float(shift), x, y});
            });
    connect(&cmd, &CommandButtonCT::MouseUp,
            [&](qint16& button, qint16& shift, float& x, float& y) {
                ups.append({float(button), float(shift), x, y});
            });
    connect(&cmd, &CommandButtonCT::Click, [&] {
        ++clicks;
        valueDuringClick = cmd.Value();
    });

    // Positions come in twips, 15 to the pixel; Shift is 1, Ctrl 2, Alt 4.
    QTest::mouseClick(w.button, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(10, 5));
    QCOMPARE(downs, (QList<QList<float>>{{1, 5, 150, 75}}));
    QCOMPARE(ups, (QList<QList<float>>{{1, 5, 150, 75}}));
    QCOMPARE(clicks, 1);
    QVERIFY(valueDuringClick);
    QVERIFY(!cmd.Value());

    QTest::mouseClick(w.button, Qt::RightButton, Qt::ControlModifier, QPoint(100, 20));
    QCOMPARE(downs.last(), (QList<float>{2, 2, 1500, 300}));
    QCOMPARE(clicks, 1);
}

void CommandButtonTest::mouseMoves() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));

    QList<QList<float>> moves;
    connect(&cmd, &CommandButtonCT::MouseMove, [&](qint16& button, qint16&, float& x, float& y) {
        moves.append({float(button), x, y});
    });
    // Moves come without a press too. (Shift follows whatever the test driver
    // last left held, so it is not looked at here.)
    QTest::mouseMove(w.button, QPoint(20, 6));
    QTRY_VERIFY(!moves.isEmpty());
    QCOMPARE(moves.last(), (QList<float>{0, 300, 90}));
}

void CommandButtonTest::keyDownCanTakeOrChangeTheKey() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);
    QSignalSpy clicked(w.button, &QPushButton::clicked);

    enum class Handler { Leave, Take, SpaceForA } handler = Handler::Leave;
    QList<int> downCodes;
    QList<int> upCodes;
    auto change = [&](qint16& keyCode) {
        if (handler == Handler::Take) {
            keyCode = 0;
        } else if (handler == Handler::SpaceForA && keyCode == 'A') {
            keyCode = ' ';
        }
    };
    connect(&cmd, &CommandButtonCT::KeyDown, [&](qint16& keyCode, qint16&) {
        downCodes << keyCode;
        change(keyCode);
    });
    connect(&cmd, &CommandButtonCT::KeyUp, [&](qint16& keyCode, qint16&) {
        upCodes << keyCode;
        change(keyCode);
    });

    QTest::keyClick(w.button, Qt::Key_Space);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(downCodes, QList<int>{0x20});
    QCOMPARE(upCodes, QList<int>{0x20});

    handler = Handler::Take;
    QTest::keyClick(w.button, Qt::Key_Space);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!w.button->isDown());

    handler = Handler::SpaceForA;
    QTest::keyClick(w.button, Qt::Key_A);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(w.button->keys.last(), int(Qt::Key_Space));
    QCOMPARE(downCodes.last(), int('A'));

    QTest::keyClick(w.button, Qt::Key_F5);
    QCOMPARE(downCodes.last(), 0x74);
    QTest::keyClick(w.button, Qt::Key_Return);
    QCOMPARE(downCodes.last(), 0x0D);
}

void CommandButtonTest::keyPressCanChangeTheCharacter() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);

    QList<int> seen;
    qint16 replacement = -1;
    connect(&cmd, &CommandButtonCT::KeyPress, [&](qint16& keyAscii) {
        seen << keyAscii;
        if (replacement >= 0) {
            keyAscii = replacement;
        }
    });

    QTest::keyClick(w.button, Qt::Key_A);
    QCOMPARE(seen, QList<int>{'a'});
    QCOMPARE(w.button->texts.last(), QStringLiteral("a"));

    replacement = 'B';
    QTest::keyClick(w.button, Qt::Key_A);
    QCOMPARE(w.button->texts.last(), QStringLiteral("B"));
    QCOMPARE(w.button->keys.last(), int(Qt::Key_A));

    replacement = 0;
    QTest::keyClick(w.button, Qt::Key_A);
    QCOMPARE(w.button->texts.last(), QString());
    QCOMPARE(w.button->keys.last(), int(Qt::Key_A));

    // Keys that type nothing raise no KeyPress.
    QTest::keyClick(w.button, Qt::Key_Left);
    QCOMPARE(seen.size(), 3);
}

void CommandButtonTest::focusEvents() {
    RunButtonWindow w;
    CommandButtonCT cmd;
    cmd.Load(w.button);
    QSignalSpy got(&cmd, &CommandButtonCT::GotFocus);
    QSignalSpy lost(&cmd, &CommandButtonCT::LostFocus);

    w.window.show();
    w.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.button->setFocus();
    QTRY_COMPARE(got.count(), 1);
    w.other->setFocus();
    QTRY_COMPARE(lost.count(), 1);
    QCOMPARE(got.count(), 1);
}

void CommandButtonTest::screenshot() {
    // A sheet for the reviewer: the run button as the main window sets it up,
    // then the other position codes, a swatch, and the disabled look.
    QWidget sheet;
    sheet.setObjectName(QStringLiteral("sheet"));
    sheet.resize(480, 10 + 5 * 46);
    QList<CommandButtonCT*> controls;
    for (int i = 0; i < 10; ++i) {
        auto* button = new QPushButton(RunCaption, &sheet);
        button->setGeometry(10 + (i % 2) * 236, 10 + (i / 2) * 46, 222, 36);
        button->setIcon(RunButtonIcon());
        SetGraphicalStyle(*button, true);
        auto* cmd = new CommandButtonCT(&sheet);
        cmd->Load(button);
        controls << cmd;
    }
    controls[0]->setPicturePosition(1);  // the run button
    for (int position = 2; position <= 6; ++position) {
        controls[position - 1]->setPicturePosition(position);
    }
    controls[6]->setPicturePosition(4);
    controls[6]->setCaption(QStringLiteral("&Run"));
    controls[7]->setStyle(1);
    controls[7]->setColor(0x00C0FFFF);  // the light yellow of the settings band
    controls[8]->setPicturePosition(1);
    controls[8]->setEnabled(false);
    controls[9]->setPictureMode(0);

    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    const QImage shot = sheet.grab().toImage();
    QVERIFY(shot.save(ScreenshotPath(QStringLiteral("button.png"))));
    QVERIFY(Face(*controls[0]->button()).save(ScreenshotPath(QStringLiteral("button-face.png"))));
}

QTEST_MAIN(CommandButtonTest)
#include "command_button_test.moc"
