// The about dialog: texts from the application's name and version, the fixed
// modal window over its owner, the etched separator, the three ways to close
// it, and its picture for a reviewer.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "about/about_model.h"
#include "about/frm_about.h"
#include "button/run_button_icon.h"
#include "ui/fonts.h"

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

QString LabelText(const QDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

const AppIdentity Tovrin102{QStringLiteral("Tovrin"), 1, 0, 2};

}  // namespace

class FrmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        RegisterFontSubstitutions();
        QApplication::setWindowIcon(RunButtonIcon());
    }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void texts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("versionText");
        QTest::newRow("1.0.2") << u"Tovrin"_s << u"1.0.2"_s << u"ﾊﾞｰｼﾞｮﾝ 1.0.2"_s;
        QTest::newRow("two-digit minor") << u"Tovrin"_s << u"1.12.3"_s << u"ﾊﾞｰｼﾞｮﾝ 1.12.3"_s;
        QTest::newRow("other name, no padding") << u"Other"_s << u"10.0"_s << u"ﾊﾞｰｼﾞｮﾝ 10.0.0"_s;
        QTest::newRow("fourth part not shown") << u"Tovrin"_s << u"1.0.2.7"_s << u"ﾊﾞｰｼﾞｮﾝ 1.0.2"_s;
        QTest::newRow("none") << u"Tovrin"_s << QString() << u"ﾊﾞｰｼﾞｮﾝ 0.0.0"_s;
    }
    void texts() {
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(QString, versionText);
        QCoreApplication::setApplicationName(name);
        QCoreApplication::setApplicationVersion(version);
        const FrmAbout dialog;
        QCOMPARE(dialog.windowTitle(), name + u"のﾊﾞｰｼﾞｮﾝ情報"_s);
        QCOMPARE(LabelText(dialog, "lblTitle"), name);
        QCOMPARE(LabelText(dialog, "lblVersion"), versionText);
        QCOMPARE(LabelText(dialog, "lblDescription"), u"ｱﾌﾟﾘｹｰｼｮﾝの説明"_s);
    }

    void fixedModalAndCentredOverItsOwner() {
        QWidget owner;
        owner.setGeometry(40, 60, 640, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        FrmAbout dialog(Tovrin102, &owner);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint offset = dialog.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QString::number(offset.x())));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!dialog.findChild<QLabel*>(u"lblDisclaimer"_s)->isVisible());
    }

    void closesAsOkDoes() {
        for (const int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape)}) {  // 0: a click
            FrmAbout dialog(Tovrin102);
            QPushButton* ok = dialog.findChild<QPushButton*>(u"cmdOK"_s);
            QSignalSpy okClicks(ok, &QPushButton::clicked);
            dialog.open();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            if (key == 0) {
                QTest::mouseClick(ok, Qt::LeftButton);
            } else {
                QTest::keyClick(&dialog, Qt::Key(key));
            }
            QTRY_VERIFY(!dialog.isVisible());
            QCOMPARE(okClicks.count(), 1);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
    }

    void showAboutIsModalAndDiscardsTheDialog() {
        QWidget owner;
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        bool wasActiveModal = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            wasActiveModal = modal && modal == owner.findChild<FrmAbout*>();
            if (modal) modal->close();
        });
        ShowAbout(&owner);
        QVERIFY(wasActiveModal);
        QVERIFY(owner.findChildren<FrmAbout*>().isEmpty());
    }

    void etchedSeparatorAndScreenshot() {
        FrmAbout dialog(Tovrin102);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage shot = dialog.grab().toImage();
        QVERIFY(QDir().mkpath(QStringLiteral(TOVRIN_SCREENSHOT_DIR)));
        QVERIFY(shot.save(QStringLiteral(TOVRIN_SCREENSHOT_DIR "/about.png")));
        // Grey on row 163 from x = 6, white under it from x = 7; both end at 377,
        // as 5654 twips is no whole pixel.
        const QColor grey(128, 128, 128), white(Qt::white);
        for (int x : {6, 377}) QCOMPARE(QColor(shot.pixel(x, 163)), grey);
        for (int x : {7, 377}) QCOMPARE(QColor(shot.pixel(x, 164)), white);
        QVERIFY(QColor(shot.pixel(6, 164)) != white);
        QVERIFY(QColor(shot.pixel(378, 163)) != grey);
        QVERIFY(QColor(shot.pixel(100, 162)) != grey);
    }
};

QTEST_MAIN(FrmAboutTest)
#include "frm_about_test.moc"
