// The shift dialog's preview: each date of a photo that moves, before and
// after, following the offset as it changes.

#include <QScreen>
#include <QtTest>

#include "mainwindow/shift_dialog.h"
#include "mainwindow/shift_preview_model.h"
#include "test_files.h"

namespace tovrin {

class ShiftDialogTest : public QObject {
    Q_OBJECT

    // The "after" column, top to bottom.
    static QStringList after(const ShiftDialog& dialog) {
        const ShiftPreviewModel& model = dialog.preview();
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, ShiftPreviewModel::After).data().toString();
        return texts;
    }

private slots:
    void previewFollowsTheOffset_data() {
        QTest::addColumn<QList<int>>("offset");  // days, hours, minutes, seconds
        QTest::addColumn<QStringList>("after");  // the capture date, then DateTime
        const QString none = QStringLiteral("(変更なし)");
        const QString out = QStringLiteral("(範囲外)");
        QTest::newRow("nothing yet") << QList<int>{0, 0, 0, 0} << QStringList{none, none};
        QTest::newRow("nine hours earlier")
            << QList<int>{0, -9, 0, 0} << QStringList{"2006:05:04 01:11:12", "2006:05:04 00:11:12"};
        QTest::newRow("into the next month")
            << QList<int>{27, 13, 48, 48}
            << QStringList{"2006:06:01 00:00:00", "2006:05:31 23:00:00"};
        // One date out of range keeps the whole photo, as the run does.
        QTest::newRow("one date before year one")
            << QList<int>{-732434, -9, -30, 0} << QStringList{out, out};
    }

    void previewFollowsTheOffset() {
        QFETCH(QList<int>, offset);
        QFETCH(QStringList, after);
        test::TempDir dir;
        test::Jpeg photo = test::CameraPhoto(test::Order::MM, "2006:05:04 10:11:12");
        photo.tiff.ifd0[3] = test::Text(0x0132, "2006:05:04 09:11:12");
        photo.tiff.exif->erase(photo.tiff.exif->begin() + 1);  // no DateTimeDigitized
        dir.write("a.jpg", photo.build());
        const auto dates = ReadShiftDates(dir.folder(), "a.jpg", "");
        QVERIFY(dates);
        ShiftDialog dialog({*dates});
        QSignalSpy changes(&dialog.preview(), &QAbstractItemModel::dataChanged);
        dialog.setOffset(offset[0], offset[1], offset[2], offset[3]);
        QCOMPARE(ShiftDialogTest::after(dialog), after);
        QCOMPARE(dialog.offsetSeconds(),
                 std::int64_t{offset[0]} * 86400 + offset[1] * 3600 + offset[2] * 60 + offset[3]);
        // Each step of the offset is one change of the "after" column, never
        // of a cell at a time or of the other columns.
        for (const QList<QVariant>& change : std::as_const(changes)) {
            QCOMPARE(change[0].toModelIndex().column(), int(ShiftPreviewModel::After));
            QCOMPARE(change[1].toModelIndex().column(), int(ShiftPreviewModel::After));
            QCOMPARE(change[1].toModelIndex().row() - change[0].toModelIndex().row() + 1, 2);
        }
        QVERIFY(changes.size() <= offset.size() - offset.count(0));
    }

    // Over its window the dialog leaves no strip of the lists showing below it (one row and a
    // scroll arrow look like a stray control), yet stays within the screen.
    void coversTheWindowItOpensOver() {
        QWidget window;
        window.resize(847, 479);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ShiftDialog dialog({}, &window);
        QVERIFY(dialog.height() >= window.frameGeometry().height());
        QVERIFY(dialog.height() <= window.screen()->availableGeometry().height());
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::ShiftDialogTest)
#include "shift_dialog_test.moc"
