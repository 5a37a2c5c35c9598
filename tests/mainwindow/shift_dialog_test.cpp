// The shift dialog's preview: each date of a photo that moves, before and
// after, following the offset as it changes.

#include <QLabel>
#include <QScreen>
#include <QtTest>

#include "jpeg_builder.h"
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

    // The copies of the date follow the EXIF texts as rows of their own, each
    // in its own form; one the shift would leave says so, and why in its
    // tooltip; under the table, how many there are and how many stay.
    void previewListsTheCopies_data() {
        QTest::addColumn<QList<int>>("offset");  // days, hours, minutes, seconds
        QTest::addColumn<bool>("exifOnly");      // the copies are to stay as they are
        QTest::addColumn<QStringList>("rows");   // "place|after|tooltip", from the fourth row
        QTest::addColumn<QString>("count");      // under the table; "" hidden
        const QString unreadable =
            "exif:DateTimeOriginal|(そのまま)|日付として読めないため、そのままです";
        const QString otherDay =
            "xmp:ModifyDate|(そのまま)|時刻がなく撮影日とも違うため、そのままです";
        QTest::newRow("nothing yet")
            << QList<int>{0, 0, 0, 0} << false
            << QStringList{"xmp:CreateDate|(変更なし)|",
                           otherDay,
                           unreadable,
                           "photoshop:DateCreated|(変更なし)|",
                           "IPTC 2:55 DateCreated|(変更なし)|",
                           "IPTC 2:60 TimeCreated|(変更なし)|"}
            << "XMP・IPTC などの日付の写し: 6 件 (そのままになるもの 2 件)";
        QTest::newRow("an hour later")
            << QList<int>{0, 1, 0, 0} << false
            << QStringList{"xmp:CreateDate|2006-05-04T11:11:12+09:00|",
                           otherDay,
                           unreadable,
                           "photoshop:DateCreated|(変更なし)|",
                           "IPTC 2:55 DateCreated|(変更なし)|",
                           "IPTC 2:60 TimeCreated|111112+0900|"}
            << "XMP・IPTC などの日付の写し: 6 件 (そのままになるもの 2 件)";
        QTest::newRow("into the next day")
            << QList<int>{0, 14, 0, 0} << false
            << QStringList{"xmp:CreateDate|2006-05-05T00:11:12+09:00|",
                           otherDay,
                           unreadable,
                           "photoshop:DateCreated|2006-05-05|",
                           "IPTC 2:55 DateCreated|20060505|",
                           "IPTC 2:60 TimeCreated|001112+0900|"}
            << "XMP・IPTC などの日付の写し: 6 件 (そのままになるもの 2 件)";
        // The whole photo stays: its copies are not among those left behind.
        const QString out = QStringLiteral("|(範囲外)|");
        QTest::newRow("before year one")
            << QList<int>{-732435, 0, 0, 0} << false
            << QStringList{"xmp:CreateDate" + out,        "xmp:ModifyDate" + out,
                           "exif:DateTimeOriginal" + out, "photoshop:DateCreated" + out,
                           "IPTC 2:55 DateCreated" + out, "IPTC 2:60 TimeCreated" + out}
            << "XMP・IPTC などの日付の写し: 6 件 (そのままになるもの 0 件)";
        QTest::newRow("EXIF alone") << QList<int>{0, 1, 0, 0} << true << QStringList{} << "";
    }

    void previewListsTheCopies() {
        QFETCH(QList<int>, offset);
        QFETCH(bool, exifOnly);
        QFETCH(QStringList, rows);
        QFETCH(QString, count);
        test::TempDir dir;
        test::Jpeg photo = test::CameraPhoto(test::Order::MM, "2006:05:04 10:11:12");
        photo.before.push_back(test::XmpSegment(
            "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description"
            " xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:CreateDate='2006-05-04T10:11:12+09:00'"
            " xmp:ModifyDate='2006-05-03' xmlns:exif='http://ns.adobe.com/exif/1.0/'"
            " exif:DateTimeOriginal='unknown'"
            " xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'"
            " photoshop:DateCreated='2006-05-04'/></rdf:RDF></x:xmpmeta>"));
        photo.before.push_back(test::IptcSegment({{55, "20060504"}, {60, "101112+0900"}}));
        dir.write("a.jpg", photo.build());
        const auto dates = ReadShiftDates(dir.folder(), "a.jpg", "", exifOnly);
        QVERIFY(dates);
        ShiftDialog dialog({*dates});
        dialog.setOffset(offset[0], offset[1], offset[2], offset[3]);
        const ShiftPreviewModel& model = dialog.preview();
        QCOMPARE(model.rowCount(), 3 + rows.size());
        QStringList shown;
        for (int row = 3; row < model.rowCount(); ++row) {
            const QString tip =
                model.index(row, ShiftPreviewModel::After).data(Qt::ToolTipRole).toString();
            // The same tooltip wherever on the row.
            QCOMPARE(model.index(row, ShiftPreviewModel::Name).data(Qt::ToolTipRole).toString(),
                     tip);
            shown << model.index(row, ShiftPreviewModel::Place).data().toString() + '|' +
                         model.index(row, ShiftPreviewModel::After).data().toString() + '|' + tip;
        }
        QCOMPARE(shown, rows);
        // The EXIF texts carry no tooltip.
        QCOMPARE(model.index(0, ShiftPreviewModel::After).data(Qt::ToolTipRole), QVariant());
        QCOMPARE(dialog.copiesLabel()->isHidden(), count.isEmpty());
        if (!count.isEmpty()) QCOMPARE(dialog.copiesLabel()->text(), count);
    }

    // A copy that an offset would take past year 9999 stays, and alone: the
    // photo's EXIF texts still move. The count under the table follows.
    void aCopyOutOfRangeStaysAlone_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("after");  // "after|tooltip" of the XMP copy
        QTest::addColumn<QString>("count");
        QTest::newRow("a day earlier")
            << -1 << "9999-12-30T12:00:00|"
            << "XMP・IPTC などの日付の写し: 1 件 (そのままになるもの 0 件)";
        QTest::newRow("a day later")
            << 1 << "(そのまま)|ずらすと 1 年から 9999 年の外に出るため、そのままです"
            << "XMP・IPTC などの日付の写し: 1 件 (そのままになるもの 1 件)";
    }

    void aCopyOutOfRangeStaysAlone() {
        QFETCH(int, days);
        QFETCH(QString, after);
        QFETCH(QString, count);
        test::TempDir dir;
        test::Jpeg photo = test::CameraPhoto(test::Order::II, "2006:05:04 10:11:12");
        photo.before.push_back(
            test::XmpSegment("<rdf:Description xmlns:xmp='http://ns.adobe.com/xap/1.0/'"
                             " xmp:CreateDate='9999-12-31T12:00:00'/>"));
        dir.write("a.jpg", photo.build());
        const auto dates = ReadShiftDates(dir.folder(), "a.jpg", "");
        QVERIFY(dates);
        ShiftDialog dialog({*dates});
        dialog.setOffset(days, 0, 0, 0);
        const ShiftPreviewModel& model = dialog.preview();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.index(0, ShiftPreviewModel::After).data().toString(),
                 days < 0 ? "2006:05:03 10:11:12" : "2006:05:05 10:11:12");
        QCOMPARE(model.index(3, ShiftPreviewModel::After).data().toString() + '|' +
                     model.index(3, ShiftPreviewModel::After).data(Qt::ToolTipRole).toString(),
                 after);
        QCOMPARE(dialog.copiesLabel()->text(), count);
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
