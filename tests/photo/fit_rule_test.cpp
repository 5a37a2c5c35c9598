#include <cmath>

#include <QTest>

#include "fit_rule.h"
#include "picture_size_edit.h"

namespace tovrin {

namespace {

void compareTwips(float actual, double expected, const char* what) {
    if (std::abs(actual - expected) > 1e-3) {
        QFAIL(qPrintable(QStringLiteral("%1: %2 twips, expected %3")
                             .arg(QLatin1String(what))
                             .arg(double(actual), 0, 'f', 4)
                             .arg(expected, 0, 'f', 4)));
    }
}

}  // namespace

class FitRuleTest : public QObject {
    Q_OBJECT

private slots:
    void fitsIntoBox_data();
    void fitsIntoBox();
    void wideningTheBoxSwitchesTheAxis();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void naturalSizeInTwips();
    void pixelEdgesOfAFit();
};

void FitRuleTest::fitsIntoBox_data() {
    QTest::addColumn<QRectF>("box");
    QTest::addColumn<QSizeF>("natural");
    QTest::addColumn<QRectF>("expected");

    const QRectF designBox(45, 3330, 2895, 2415);
    // 640 x 480 pixels at 15 twips each.
    const QSizeF landscape(9600, 7200);
    const QSizeF portrait(7200, 9600);

    QTest::newRow("4:3 landscape in the thumbnail box is width-bound")
        << designBox << landscape << QRectF(45, 3330 + 121.875, 2895, 2171.25);
    QTest::newRow("3:4 portrait in the thumbnail box is height-bound")
        << designBox << portrait << QRectF(45 + 541.875, 3330, 1811.25, 2415);
    QTest::newRow("16 x 16 pixels are enlarged to the box height")
        << designBox << QSizeF(240, 240) << QRectF(45 + 240, 3330, 2415, 2415);
    QTest::newRow("same aspect as the box fills it with no offset")
        << QRectF(0, 0, 2400, 1800) << landscape << QRectF(0, 0, 2400, 1800);
    QTest::newRow("same aspect, box away from the origin")
        << QRectF(45, 3330, 2400, 1800) << landscape << QRectF(45, 3330, 2400, 1800);
    QTest::newRow("640 x 480 in the viewer's design client area")
        << QRectF(0, 0, 7410, 5505) << landscape << QRectF(35, 0, 7340, 5505);
    QTest::newRow("huge photo is reduced")
        << designBox << QSizeF(6000 * 15, 4000 * 15) << QRectF(45, 3330 + 242.5, 2895, 1930);
    QTest::newRow("panorama much wider than the box")
        << designBox << QSizeF(4000 * 15, 500 * 15) << QRectF(45, 3330 + 1026.5625, 2895, 361.875);
    QTest::newRow("box of zero width: zero size, centred vertically")
        << QRectF(45, 3330, 0, 2415) << landscape << QRectF(45, 3330 + 1207.5, 0, 0);
    QTest::newRow("box of zero height: zero size, centred horizontally")
        << QRectF(45, 3330, 2895, 0) << landscape << QRectF(45 + 1447.5, 3330, 0, 0);
    QTest::newRow("box of zero size (minimized): zero size at the box corner")
        << QRectF(45, 3330, 0, 0) << landscape << QRectF(45, 3330, 0, 0);
}

void FitRuleTest::fitsIntoBox() {
    QFETCH(QRectF, box);
    QFETCH(QSizeF, natural);
    QFETCH(QRectF, expected);

    const FitRect placed =
        fitPicture(FitRect{float(box.x()), float(box.y()), float(box.width()), float(box.height())},
                   FitSize{float(natural.width()), float(natural.height())});
    compareTwips(placed.left, expected.x(), "left");
    compareTwips(placed.top, expected.y(), "top");
    compareTwips(placed.width, expected.width(), "width");
    compareTwips(placed.height, expected.height(), "height");
}

void FitRuleTest::wideningTheBoxSwitchesTheAxis() {
    // A 4:3 photo in a box 2171.25 high: up to 2895 wide it fills the width; wider, it fills the
    // height and moves away from the left edge.
    const FitSize photo{9600, 7200};
    const FitRect narrow = fitPicture(FitRect{45, 3330, 2894, 2171.25f}, photo);
    QVERIFY(narrow.left == 45);
    QVERIFY(narrow.top > 3330);
    compareTwips(narrow.width, 2894, "narrow width");

    const FitRect exact = fitPicture(FitRect{45, 3330, 2895, 2171.25f}, photo);
    compareTwips(exact.left, 45, "exact left");
    compareTwips(exact.top, 3330, "exact top");
    compareTwips(exact.height, 2171.25, "exact height");

    const FitRect wide = fitPicture(FitRect{45, 3330, 3000, 2171.25f}, photo);
    compareTwips(wide.top, 3330, "wide top");
    compareTwips(wide.height, 2171.25, "wide height");
    compareTwips(wide.left, 45 + (3000 - 2895) / 2.0, "wide left");
}

void FitRuleTest::roundsHalfToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("2.5 down to even") << 2.5 << 2.0;
    QTest::newRow("3.5 up to even") << 3.5 << 4.0;
    QTest::newRow("40.5") << 40.5 << 40.0;
    QTest::newRow("13.5") << 13.5 << 14.0;
    QTest::newRow("below half") << 2.4999 << 2.0;
    QTest::newRow("above half") << 2.5001 << 3.0;
    QTest::newRow("negative half") << -2.5 << -2.0;
    QTest::newRow("whole") << 9600.0 << 9600.0;
}

void FitRuleTest::roundsHalfToEven() {
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(roundHalfEven(value), expected);
}

void FitRuleTest::naturalSizeInTwips() {
    const FitSize usual = pictureTwips(640, 480);
    QCOMPARE(usual.width, 9600.0f);
    QCOMPARE(usual.height, 7200.0f);
    // At a resolution where a pixel is 13.5 twips the sides land on halves.
    const FitSize odd = pictureTwips(1, 3, 13.5);
    QCOMPARE(odd.width, 14.0f);
    QCOMPARE(odd.height, 40.0f);
}

void FitRuleTest::pixelEdgesOfAFit() {
    // The thumbnail box of 3, 222, 193 x 161 pixels and a 4:3 photo in it.
    QCOMPARE(pixelsFromTwips(FitRect{45, 3451.875f, 2895, 2171.25f}), QRect(3, 230, 193, 145));
    QCOMPARE(pixelsFromTwips(FitRect{35, 0, 7340, 5505}), QRect(2, 0, 490, 367));
    QCOMPARE(twipsFromPixels(QRect(3, 222, 193, 161)).top, 3330.0f);
    // A fit that fills a box covers exactly the box's pixels.
    const QRect box(7, 11, 101, 53);
    const FitRect boxTwips = twipsFromPixels(box);
    const FitRect placed = fitPicture(boxTwips, FitSize{101 * 15, 53 * 15});
    QCOMPARE(pixelsFromTwips(placed), box);
    QCOMPARE(pixelsFromTwips(FitRect{45, 3330, 0, 0}).size(), QSize(0, 0));
}

}  // namespace tovrin

QTEST_APPLESS_MAIN(tovrin::FitRuleTest)
#include "fit_rule_test.moc"
