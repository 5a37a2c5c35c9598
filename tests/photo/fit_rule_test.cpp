#include <QTest>
#include <QTransform>

#include "photo/fit_rule.h"
#include "photo/picture_size_edit.h"

namespace tovrin {

class FitRuleTest : public QObject {
    Q_OBJECT

private slots:
    void fitsIntoBox_data() {
        QTest::addColumn<QRectF>("box");
        QTest::addColumn<QSizeF>("natural");
        QTest::addColumn<QRectF>("expected");
        const QRectF thumb(45, 3330, 2895, 2415);
        const QSizeF landscape(9600, 7200);  // 640 x 480 pixels
        QTest::newRow("thumbnail: 4:3 is width-bound, centred vertically")
            << thumb << landscape << QRectF(45, 3451.875, 2895, 2171.25);
        QTest::newRow("thumbnail: 3:4 is height-bound, centred horizontally")
            << thumb << QSizeF(7200, 9600) << QRectF(586.875, 3330, 1811.25, 2415);
        QTest::newRow("viewer: 640 x 480 in the design client area")
            << QRectF(0, 0, 7410, 5505) << landscape << QRectF(35, 0, 7340, 5505);
        QTest::newRow("same shape as the box fills it")
            << QRectF(45, 3330, 2400, 1800) << landscape << QRectF(45, 3330, 2400, 1800);
        QTest::newRow("one twip narrower than the shape is width-bound")
            << QRectF(45, 3330, 2399, 1800) << landscape << QRectF(45, 3330.375, 2399, 1799.25);
        QTest::newRow("zero size (minimized): nothing at the corner")
            << QRectF(45, 3330, 0, 0) << landscape << QRectF(45, 3330, 0, 0);
    }

    void fitsIntoBox() {
        QFETCH(QRectF, box);
        QFETCH(QSizeF, natural);
        QFETCH(QRectF, expected);
        const TwipsRect placed = fitPicture(
            TwipsRect{float(box.x()), float(box.y()), float(box.width()), float(box.height())},
            FitSize{float(natural.width()), float(natural.height())});
        const QRectF actual(placed.left, placed.top, placed.width, placed.height);
        // In eighths of a twip: float rounding is no fault, a wrong fit is.
        const QTransform eighths = QTransform::fromScale(8, 8);
        QCOMPARE(eighths.mapRect(actual).toRect(), eighths.mapRect(expected).toRect());
    }

    void roundsHalfToEven() {
        const double rows[][2] = {{2.5, 2}, {3.5, 4}, {2.4999, 2}, {2.5001, 3}, {-2.5, -2}};
        for (const auto& row : rows) {
            QCOMPARE(roundHalfEven(row[0]), row[1]);
        }
    }

    void pixelEdges() {
        // A fit that fills a box covers exactly the box's pixels: no gap, no overlap.
        const QRect box(7, 11, 101, 53);
        QCOMPARE(pixelsFromTwips(fitPicture(twipsFromPixels(box), FitSize{101 * 15, 53 * 15})),
                 box);
    }
};

}  // namespace tovrin

QTEST_APPLESS_MAIN(tovrin::FitRuleTest)
#include "fit_rule_test.moc"