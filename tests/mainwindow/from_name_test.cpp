// Setting dates from file names and the run options: the options dialog, the
// from-name preview, and the run itself behind a fake window on real photos.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "exif/reader.h"
#include "jpeg_builder.h"
#include "mainwindow/from_name_dialog.h"
#include "mainwindow/run_options_dialog.h"
#include "platform.h"
#include "run/date_setting_run.h"
#include "test_files.h"

namespace tovrin {

namespace {

// The window as the run sees it: every entry of a folder selected, the choice
// and the options as the test sets them, each box recorded as "text|title".
class ListHost : public RunHost, public MessageBoxes {
public:
    std::string folder() const override { return listFolder; }
    int fileCount() const override { return static_cast<int>(names.size()); }
    std::string fileName(int index) const override { return names.at(index); }
    bool isSelected(int) const override { return true; }
    void selectInCode(int) override {}
    void reloadFileList() override {}
    void selectFirstEntry() override {}
    void selectEntry(int) override {}
    void showSelectedPhoto() override {}
    DateChoice dateChoice() const override { return choice; }
    bool wholeFolderChecked() const override { return wholeFolder; }
    RunOptions runOptions() const override { return options; }
    void setInformationText(const std::string&) override {}
    void clearThumbnail() override {}
    void showThumbnail(const std::string&) override {}
    MessageBoxes& messageBoxes() override { return *this; }
    std::string logFolder() const override { return logs.folder(); }
    LocalDateTime now() const override { return {2024, 5, 10, 12, 34, 56}; }
    std::string journalFolder() const override { return journals.folder(); }
    MsgAnswer show(const std::string& text, MsgButtons, MsgIcon,
                   const std::string& title) override {
        boxes << QString::fromStdString(text + '|' + title);
        return MsgAnswer::Ok;
    }

    std::string listFolder;
    std::vector<std::string> names;
    DateChoice choice{.date = {2007, 1, 23}, .time = {9, 5, 0}, .filterDate = {}};
    bool wholeFolder = false;
    RunOptions options;
    QStringList boxes;
    test::TempDir logs, journals;
};

QString Done(int count) {
    return QStringLiteral("対象のファイル、 %1件を処理が完了しました。|処理完了").arg(count);
}

}  // namespace

class FromNameTest : public QObject {
    Q_OBJECT

    test::TempDir m_photos;
    ListHost m_host;

    // The photos, with EXIF dated 2006:05:04 10:11:12, listed in this order.
    void use(const std::vector<std::string>& names) {
        for (const std::string& name : names)
            m_photos.write(name, test::CameraPhoto(test::Order::II).build());
        m_host.listFolder = m_photos.folder();
        m_host.names = names;
    }
    QString dated(const std::string& name) const {
        PhotoInfo info;
        ReadPhotoInfo(m_photos.folder(), name, info);
        return QString::fromStdString(info.DateTimeOriginal);
    }

private slots:
    // -- 実行オプション ---------------------------------------------------------------------

    // What the dialog shows for the options it opens on, and the step it
    // gives back once the user has changed nothing.
    void optionsDialogShowsAndReturnsTheStep_data() {
        QTest::addColumn<int>("step");       // stepSeconds it opens on
        QTest::addColumn<QString>("shown");  // "checked count unit"
        QTest::newRow("none") << 0 << "0 1 秒";
        QTest::newRow("seconds") << 90 << "1 90 秒";
        QTest::newRow("whole minutes") << 120 << "1 2 分";
        QTest::newRow("too many minutes for the box") << 3600 * 61 << "1 3600 秒";
    }

    void optionsDialogShowsAndReturnsTheStep() {
        QFETCH(int, step);
        QFETCH(QString, shown);
        RunOptionsDialog dialog({.addMissing = true, .stepSeconds = step});
        const auto* on = dialog.findChild<QCheckBox*>("chkStep");
        const auto* count = dialog.findChild<QSpinBox*>("spnStep");
        const auto* unit = dialog.findChild<QComboBox*>("cboStepUnit");
        QVERIFY(dialog.findChild<QCheckBox*>("chkAddMissing")->isChecked());
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(int(on->isChecked()))
                     .arg(count->value())
                     .arg(unit->currentText()),
                 shown);
        QCOMPARE(count->isEnabled(), on->isChecked());
        // The spin box holds at most 3600: a longer step in seconds is cut.
        QCOMPARE(dialog.options().stepSeconds, std::min<std::int64_t>(step, 3600));
    }

    void optionsDialogGivesTheChosenStep() {
        RunOptionsDialog dialog({});
        QVERIFY(!dialog.findChild<QSpinBox*>("spnStep")->isEnabled());
        dialog.findChild<QCheckBox*>("chkStep")->setChecked(true);
        dialog.findChild<QSpinBox*>("spnStep")->setValue(5);
        dialog.findChild<QComboBox*>("cboStepUnit")->setCurrentIndex(RunOptionsDialog::Minutes);
        dialog.findChild<QCheckBox*>("chkAddMissing")->setChecked(true);
        QCOMPARE(dialog.options().stepSeconds, std::int64_t{300});
        QVERIFY(dialog.options().addMissing);
        dialog.findChild<QCheckBox*>("chkStep")->setChecked(false);
        QCOMPARE(dialog.options().stepSeconds, std::int64_t{0});
    }

    // -- The from-name preview ----------------------------------------------------------------

    void previewRowsAndCount_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("keepTime");
        QTest::addColumn<bool>("addMissing");
        QTest::addColumn<QStringList>("after");  // of the rows; "~" the reason of an unread name
        QTest::addColumn<QString>("grey");       // of the rows: 1 not written
        QTest::addColumn<QString>("count");
        QTest::newRow("usual forms, times kept")
            << "" << true << false
            << QStringList{"2021:03:14 12:15:30", "2019:07:04 (時刻はそのまま)",
                           "2020:01:01 10:10:10 (EXIFがないため書き込みません)", "~",
                           "2031:01:01 (時刻はそのまま) (現在より先のため変更しません)"}
            << "00111"
            << "日付を設定する写真: 2 件 (ファイル名から読めないもの 1 件、"
               "EXIFがなく書き込まないもの 1 件、現在より先になるもの 1 件)";
        QTest::newRow("usual forms, a time of its own, EXIF added")
            << "" << false << true
            << QStringList{"2021:03:14 12:15:30", "2019:07:04 08:30:00", "2020:01:01 10:10:10", "~",
                           "2031:01:01 08:30:00 (現在より先のため変更しません)"}
            << "00011"
            << "日付を設定する写真: 3 件 (ファイル名から読めないもの 1 件、"
               "現在より先になるもの 1 件)";
        QTest::newRow("a pattern of the user's")
            << "{*}_{Y}{M}{D}_{h}{m}{s}" << true << true
            << QStringList{"2021:03:14 12:15:30", "~", "~", "~", "~"} << "01111"
            << "日付を設定する写真: 1 件 (ファイル名から読めないもの 4 件)";
    }

    void previewRowsAndCount() {
        QFETCH(QString, pattern);
        QFETCH(bool, keepTime);
        QFETCH(bool, addMissing);
        QFETCH(QStringList, after);
        QFETCH(QString, grey);
        QFETCH(QString, count);
        using State = PhotoBefore::State;
        FromNameDialog dialog(
            {{"IMG_20210314_121530.jpg", State::Exif, "2006:05:04 10:11:12"},
             {"IMG-20190704-WA0003.jpg", State::Exif, ""},
             {"Screenshot_20200101-101010.png", State::NoExif, ""},
             {"scan1.jpg", State::Exif, "2006:05:04 10:11:12"},
             {"IMG-20310101-WA0001.jpg", State::Exif, ""}},
            {.date = {}, .time = {8, 30, 0}, .keepTime = keepTime, .filterDate = {}}, addMissing,
            {2024, 5, 10, 12, 34, 56});
        dialog.setPattern(pattern);
        const FromNameModel& model = dialog.preview();
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.index(1, FromNameModel::Before).data().toString(), "(日付なし)");
        QCOMPARE(model.index(2, FromNameModel::Before).data().toString(), "(EXIFなし)");
        QStringList shown;
        QString greyed;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex cell = model.index(row, FromNameModel::After);
            const QString text = cell.data().toString();
            const bool reason = after.value(row) == "~" && text.startsWith('(');
            shown << (reason ? QStringLiteral("~") : text);
            greyed += cell.data(Qt::ForegroundRole).isValid() ? '1' : '0';
        }
        QCOMPARE(shown, after);
        QCOMPARE(greyed, grey);
        QCOMPARE(dialog.countLabel()->text(), count);
        QVERIFY(dialog.runButton()->isEnabled());
        QVERIFY(dialog.problemLabel()->isHidden());
        const DateSource source = dialog.source();
        QVERIFY(source.fromName);
        QCOMPARE(QString::fromStdString(source.namePattern), pattern);
        QCOMPARE(source.choice.keepTime, keepTime);
        QCOMPARE(dialog.addMissing(), addMissing);
    }

    // A pattern that cannot be used says why in red and cannot be run; the
    // table keeps what it showed.
    void unusablePatternCannotRun() {
        FromNameDialog dialog({{"IMG_20210314_121530.jpg", PhotoBefore::State::Exif, ""}}, {},
                              false, {2024, 5, 10, 12, 34, 56});
        QVERIFY(dialog.runButton()->isEnabled());
        dialog.setPattern("{Y}{M}_{h}{m}{s}");
        QVERIFY(!dialog.problemLabel()->isHidden());
        QVERIFY(!dialog.problemLabel()->text().isEmpty());
        QVERIFY(!dialog.runButton()->isEnabled());
        QCOMPARE(dialog.preview().index(0, FromNameModel::After).data().toString(),
                 "2021:03:14 12:15:30");
        dialog.setPattern("");
        QVERIFY(dialog.problemLabel()->isHidden());
        QVERIFY(dialog.runButton()->isEnabled());
    }

    // -- The run ------------------------------------------------------------------------------

    void init() {
        m_host.boxes.clear();
        m_host.wholeFolder = false;
        m_host.options = {};
        m_host.choice = {.date = {2007, 1, 23}, .time = {9, 5, 0}, .filterDate = {}};
    }

    // Scans get moments a minute apart in name order, scan10 after scan2;
    // a whole folder of them is not "all the same date", so nothing is asked.
    void aStepOrdersTheMomentsByName_data() {
        QTest::addColumn<bool>("wholeFolder");
        QTest::newRow("selection") << false;
        QTest::newRow("whole folder") << true;
    }

    void aStepOrdersTheMomentsByName() {
        QFETCH(bool, wholeFolder);
        use({"scan1.jpg", "scan10.jpg", "scan2.jpg"});
        m_host.wholeFolder = wholeFolder;
        m_host.options.stepSeconds = 60;
        DateSettingRun run(m_host);
        run.SetDates();
        QCOMPARE(m_host.boxes, QStringList{Done(3)});
        QCOMPARE(dated("scan1.jpg"), "2007:01:23 09:05:00");
        QCOMPARE(dated("scan2.jpg"), "2007:01:23 09:06:00");
        QCOMPARE(dated("scan10.jpg"), "2007:01:23 09:07:00");
        QCOMPARE(test::LocalFileTime(m_photos.path("scan10.jpg")), "2007/01/23 09:07:00");
    }

    // The last photo's moment decides whether the run lies in the future.
    void aSteppedRunEndingInTheFutureIsRefused() {
        use({"a1.jpg", "a2.jpg", "a3.jpg"});
        const test::Bytes before = test::ReadBytes(m_photos.path("a3.jpg"));
        m_host.choice = {.date = {2024, 5, 10}, .time = {12, 33, 0}, .filterDate = {}};
        m_host.options.stepSeconds = 60;  // a3.jpg would get 12:35:00, after now
        DateSettingRun(m_host).SetDates();
        QCOMPARE(m_host.boxes,
                 QStringList{QStringLiteral("現在より先の日時は設定できません。|Tovrin")});
        QVERIFY(test::ReadBytes(m_photos.path("a3.jpg")) == before);
        // Without the step the same moment is not in the future.
        m_host.boxes.clear();
        m_host.options.stepSeconds = 0;
        DateSettingRun(m_host).SetDates();
        QCOMPARE(dated("a3.jpg"), "2024:05:10 12:33:00");
    }

    // A name that tells no moment leaves its photo as it was, without a box.
    void aNameWithoutADateIsPassedOver() {
        use({"IMG_20210314_121530.jpg", "scan1.jpg"});
        const test::Bytes before = test::ReadBytes(m_photos.path("scan1.jpg"));
        DateSource source;
        source.choice = m_host.choice;
        source.fromName = true;
        DateSettingRun(m_host).SetDatesFrom(source, m_host.names);
        QCOMPARE(dated("IMG_20210314_121530.jpg"), "2021:03:14 12:15:30");
        QVERIFY(test::ReadBytes(m_photos.path("scan1.jpg")) == before);
        // The readout shows the photo passed over, so the change is told.
        QCOMPARE(m_host.boxes, QStringList{Done(1)});
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::FromNameTest)
#include "from_name_test.moc"
