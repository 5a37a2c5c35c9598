// The run button as the window shows it: its icon, its face of icon and
// caption, and that it still clicks, takes keys, greys out and paints in
// every state.

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "button/run_button_face.h"
#include "button/run_button_icon.h"
#include "ui/fonts.h"

using namespace tovrin;

namespace {

const QString RunCaption = QStringLiteral(" 埋込日付設定実行");
// The red of the icon's heading band and marked day.
const QColor IconRed(200, 32, 32);

// The run button as the window builds it, at its design size, faced.
struct RunButtonWindow {
    QWidget window;
    QPushButton* button = new QPushButton(RunCaption, &window);

    RunButtonWindow() {
        window.resize(260, 60);
        button->setGeometry(10, 10, 222, 36);
        button->setAutoDefault(false);
        button->setIcon(RunButtonIcon());
        button->setIconSize(QSize(32, 32));
        DrawRunButtonFace(*button);
    }
    void show() {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
};

QImage FaceOf(const QPushButton& button) {
    return button.icon().pixmap(button.iconSize(), 1.0).toImage();
}

// The columns, left to right, that hold a pixel unlike the top-left one.
std::pair<int, int> InkColumns(const QImage& image) {
    const QRgb back = image.pixel(0, 0);
    int first = image.width();
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != back) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

int CountWhere(const QImage& image, const std::function<bool(QColor)>& test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += test(image.pixelColor(x, y));
    }
    return count;
}

int CountOf(const QImage& image, QColor color) {
    return CountWhere(image, [color](QColor pixel) { return pixel == color; });
}

// Pixels of black text, smoothed at its edges.
int DarkPixels(const QImage& image) {
    return CountWhere(image, [](QColor pixel) { return qGray(pixel.rgb()) < 96; });
}

}  // namespace

class RunButtonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void iconIsACalendarPageWithClearCorners() {
        const QImage icon = RunButtonIcon().pixmap(QSize(32, 32), 1.0).toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        QCOMPARE(icon.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(icon.pixelColor(31, 31).alpha(), 0);
        QVERIFY(CountOf(icon, IconRed) > 0);
        QVERIFY(CountOf(icon, Qt::white) > 0);
    }

    void faceShowsIconAndCaptionCentredTogether() {
        RunButtonWindow w;
        // The caption is on the face only, not on the button a second time.
        QCOMPARE(w.button->text(), QString());
        const QImage face = FaceOf(*w.button);
        QCOMPARE(face.size(), QSize(218, 31));
        QCOMPARE(w.button->iconSize(), QSize(218, 31));

        // The icon comes first, its transparent corners on the button's colour.
        const auto [first, last] = InkColumns(face);
        const QImage icon = face.copy(first, 0, 32, 31);
        QVERIFY(CountOf(icon, IconRed) > 0);
        QCOMPARE(icon.pixelColor(0, 0), w.button->palette().color(QPalette::Button));
        // The caption follows in black, right of the icon.
        const QImage caption = face.copy(first + 33, 0, last - first - 32, 31);
        QVERIFY(DarkPixels(caption) > 20);
        QCOMPARE(CountOf(caption, IconRed), 0);
        // Together they sit in the middle of the face, give or take the pixel
        // a halving or the caption's own side bearing takes.
        QVERIFY(std::abs(first - (face.width() - 1 - last)) <= 3);
    }

    void buttonPaintsItsFaceInEveryState() {
        RunButtonWindow w;
        w.show();
        const auto painted = [&w] { return w.button->grab().toImage(); };
        const QImage normal = painted();
        QVERIFY(CountOf(normal, IconRed) > 0);

        w.button->setFocus(Qt::TabFocusReason);
        QVERIFY(CountOf(painted(), IconRed) > 0);

        w.button->setDown(true);
        QVERIFY(CountOf(painted(), IconRed) > 0);
        w.button->setDown(false);

        // Disabled, the button greys its face: no red is left.
        w.button->setEnabled(false);
        const QImage disabled = painted();
        QVERIFY(disabled != normal);
        QCOMPARE(CountOf(disabled, IconRed), 0);
        w.button->setEnabled(true);
        QCOMPARE(painted(), normal);
    }

    void clicksAndKeysReachTheButtonWhileEnabled() {
        RunButtonWindow w;
        w.show();
        QSignalSpy clicked(w.button, &QPushButton::clicked);
        QTest::mouseClick(w.button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        // The right button is no click.
        QTest::mouseClick(w.button, Qt::RightButton);
        QCOMPARE(clicked.count(), 1);
        w.button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.button, Qt::Key_Space);
        QCOMPARE(clicked.count(), 2);
        // With the caption gone from the button there is no access key to it.
        QVERIFY(w.button->shortcut().isEmpty());
        w.button->setEnabled(false);
        QTest::mouseClick(w.button, Qt::LeftButton);
        QTest::keyClick(w.button, Qt::Key_Space);
        QCOMPARE(clicked.count(), 2);
        w.button->setEnabled(true);
        QTest::mouseClick(w.button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 3);
    }

    void buttonTooSmallForAFaceStillPaints() {
        QWidget window;
        auto* button = new QPushButton(RunCaption, &window);
        button->setGeometry(0, 0, 4, 5);
        button->setIcon(RunButtonIcon());
        DrawRunButtonFace(*button);
        QCOMPARE(button->text(), QString());
        QVERIFY(button->icon().isNull());
        QVERIFY(!button->grab().isNull());
    }
};

QTEST_MAIN(RunButtonTest)
#include "run_button_test.moc"
