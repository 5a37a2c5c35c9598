// The shift dialog's preview: each photo's DateTimeOriginal before and after,
// following the offset as it changes.

#include <QtTest>

#include "mainwindow/shift_dialog.h"
#include "test_files.h"

namespace tovrin {

class ShiftDialogTest : public QObject {
    Q_OBJECT

private slots:
    void previewFollowsTheOffset_data() {
        QTest::addColumn<QList<int>>("offset");  // days, hours, minutes, seconds
        QTest::addColumn<QStringList>("after");
        const QString none = QStringLiteral("(変更なし)");
        QTest::newRow("nothing yet")
            << QList<int>{0, 0, 0, 0} << QStringList{"2006:05:04 10:11:12", none};
        QTest::newRow("nine hours earlier")
            << QList<int>{0, -9, 0, 0} << QStringList{"2006:05:04 01:11:12", none};
        QTest::newRow("into the next month")
            << QList<int>{27, 13, 48, 48} << QStringList{"2006:06:01 00:00:00", none};
        QTest::newRow("before year one")
            << QList<int>{-3000000, 0, 0, 0} << QStringList{"(範囲外)", none};
    }

    void previewFollowsTheOffset() {
        QFETCH(QList<int>, offset);
        QFETCH(QStringList, after);
        test::TempDir dir;
        dir.write("a.jpg", test::CameraPhoto().build());
        test::Jpeg plain = test::CameraPhoto();
        plain.withExif = false;
        dir.write("b.jpg", plain.build());
        ShiftDialog dialog(dir.folder(), {"a.jpg", "b.jpg"});
        dialog.setOffset(offset[0], offset[1], offset[2], offset[3]);
        QCOMPARE(dialog.afterText(0), after[0]);
        QCOMPARE(dialog.afterText(1), after[1]);
        QCOMPARE(dialog.offsetSeconds(),
                 std::int64_t{offset[0]} * 86400 + offset[1] * 3600 + offset[2] * 60 + offset[3]);
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::ShiftDialogTest)
#include "shift_dialog_test.moc"
