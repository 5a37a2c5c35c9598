// The about dialog: texts built from the title and version, its fixed design
// in pixels, the etched separator, and the three ways to close it.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "about_model.h"
#include "fonts.h"
#include "frm_about.h"
#include "run_button_icon.h"

using namespace tovrin;

namespace {

QLabel* Label(const FrmAbout& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name));
}

QPushButton* OkButton(const FrmAbout& dialog) {
    return dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"));
}

// Restores the application's name and version when a test has changed them.
struct ApplicationIdentityGuard {
    QString name = QCoreApplication::applicationName();
    QString version = QCoreApplication::applicationVersion();
    ~ApplicationIdentityGuard() {
        QCoreApplication::setApplicationName(name);
        QCoreApplication::setApplicationVersion(version);
    }
};

}  // namespace

class FrmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void texts_data();
    void texts();
    void textsFromTheApplicationObject_data();
    void textsFromTheApplicationObject();
    void designInPixels();
    void fixedDialogWithoutMinimiseOrMaximise();
    void etchedSeparator();
    void closes_data();
    void closes();
    void showAboutIsModalAndDiscardsTheDialog();
    void centredOverItsOwner();
    void screenshot();
};

void FrmAboutTest::initTestCase() {
    RegisterFontSubstitutions();
    QApplication::setWindowIcon(RunButtonIcon());
}

void FrmAboutTest::cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

void FrmAboutTest::texts_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("version");

    QTest::newRow("1.0.2") << "Tovrin" << 1 << 0 << 2 << "Tovrinのﾊﾞｰｼﾞｮﾝ情報"
                           << "ﾊﾞｰｼﾞｮﾝ 1.0.2";
    QTest::newRow("two-digit minor") << "Tovrin" << 1 << 12 << 3 << "Tovrinのﾊﾞｰｼﾞｮﾝ情報"
                                     << "ﾊﾞｰｼﾞｮﾝ 1.12.3";
    QTest::newRow("other title, no padding") << "Other" << 10 << 0 << 0 << "Otherのﾊﾞｰｼﾞｮﾝ情報"
                                             << "ﾊﾞｰｼﾞｮﾝ 10.0.0";
}

void FrmAboutTest::texts() {
    QFETCH(QString, title);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, caption);
    QFETCH(QString, version);

    const FrmAbout dialog(AppIdentity{title, major, minor, revision});
    QCOMPARE(dialog.windowTitle(), caption);
    QCOMPARE(Label(dialog, "lblTitle")->text(), title);
    QCOMPARE(Label(dialog, "lblVersion")->text(), version);
    QCOMPARE(Label(dialog, "lblDescription")->text(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明"));
}

void FrmAboutTest::textsFromTheApplicationObject_data() {
    QTest::addColumn<QString>("applicationVersion");
    QTest::addColumn<QString>("version");

    QTest::newRow("1.0.2") << "1.0.2"
                           << "ﾊﾞｰｼﾞｮﾝ 1.0.2";
    QTest::newRow("1.12.3") << "1.12.3"
                            << "ﾊﾞｰｼﾞｮﾝ 1.12.3";
    QTest::newRow("no revision") << "2.1"
                                 << "ﾊﾞｰｼﾞｮﾝ 2.1.0";
    QTest::newRow("a fourth part is not shown") << "1.0.2.7"
                                                << "ﾊﾞｰｼﾞｮﾝ 1.0.2";
    QTest::newRow("none") << ""
                          << "ﾊﾞｰｼﾞｮﾝ 0.0.0";
}

void FrmAboutTest::textsFromTheApplicationObject() {
    QFETCH(QString, applicationVersion);
    QFETCH(QString, version);

    const ApplicationIdentityGuard guard;
    QCoreApplication::setApplicationName(QStringLiteral("Tovrin"));
    QCoreApplication::setApplicationVersion(applicationVersion);
    const FrmAbout dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Tovrinのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(Label(dialog, "lblTitle")->text(), QStringLiteral("Tovrin"));
    QCOMPARE(Label(dialog, "lblVersion")->text(), version);
}

void FrmAboutTest::designInPixels() {
    const FrmAbout dialog(AppIdentity{QStringLiteral("Tovrin"), 1, 0, 2});
    // 15 twips to the pixel.
    QCOMPARE(dialog.size(), QSize(382, 237));
    QCOMPARE(Label(dialog, "picIcon")->geometry(), QRect(18, 16, 36, 36));
    QCOMPARE(Label(dialog, "lblTitle")->geometry(), QRect(70, 16, 259, 32));
    QCOMPARE(Label(dialog, "lblVersion")->geometry(), QRect(70, 52, 259, 15));
    QCOMPARE(Label(dialog, "lblDescription")->geometry(), QRect(70, 75, 259, 78));
    QCOMPARE(Label(dialog, "lblDisclaimer")->geometry(), QRect(17, 175, 258, 52));
    QCOMPARE(OkButton(dialog)->geometry(), QRect(283, 200, 92, 23));
    QCOMPARE(OkButton(dialog)->text(), QStringLiteral("OK"));
    QVERIFY(OkButton(dialog)->isDefault());
    QVERIFY(!Label(dialog, "picIcon")->pixmap().isNull());

    // The separator's far end is not on a pixel boundary: 5654 twips.
    QCOMPARE(PixelsFromTwips(AboutDesignTwips().etchDark), QLine(6, 163, 377, 163));
    QCOMPARE(PixelsFromTwips(AboutDesignTwips().etchLight), QLine(7, 164, 377, 164));
}

void FrmAboutTest::fixedDialogWithoutMinimiseOrMaximise() {
    FrmAbout dialog(AppIdentity{QStringLiteral("Tovrin"), 1, 0, 2});
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(dialog.isModal());

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!Label(dialog, "lblDisclaimer")->isVisible());
    QVERIFY(Label(dialog, "lblVersion")->isVisible());
    dialog.close();
}

void FrmAboutTest::etchedSeparator() {
    FrmAbout dialog(AppIdentity{QStringLiteral("Tovrin"), 1, 0, 2});
    const QImage shot = dialog.grab().toImage();
    const QColor grey(128, 128, 128);
    for (int x : {6, 100, 376}) {
        QCOMPARE(QColor(shot.pixel(x, 163)), grey);
    }
    for (int x : {7, 100, 376}) {
        QCOMPARE(QColor(shot.pixel(x, 164)), QColor(Qt::white));
    }
    // The white line starts one pixel later: under the grey one's first pixel
    // lies the dialog's background.
    QVERIFY(QColor(shot.pixel(6, 164)) != QColor(Qt::white));
    QVERIFY(QColor(shot.pixel(100, 162)) != grey);
    QVERIFY(QColor(shot.pixel(100, 165)) != QColor(Qt::white));
}

void FrmAboutTest::closes_data() {
    QTest::addColumn<int>("key");  // 0: a mouse click on OK
    QTest::newRow("click on OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void FrmAboutTest::closes() {
    QFETCH(int, key);

    QWidget owner;
    owner.setObjectName(QStringLiteral("owner"));
    owner.show();
    FrmAbout dialog(AppIdentity{QStringLiteral("Tovrin"), 1, 0, 2}, &owner);
    QSignalSpy okClicks(OkButton(dialog), &QPushButton::clicked);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    if (key == 0) {
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    } else {
        QTest::keyClick(&dialog, Qt::Key(key));
    }
    // Every way closes it as OK does.
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(okClicks.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void FrmAboutTest::showAboutIsModalAndDiscardsTheDialog() {
    QWidget owner;
    owner.setObjectName(QStringLiteral("owner"));
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    bool wasModal = false;
    bool wasActiveModal = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = owner.findChild<FrmAbout*>();
        if (!dialog) {
            return;
        }
        wasModal = dialog->isModal();
        wasActiveModal = QApplication::activeModalWidget() == dialog;
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    ShowAbout(&owner);

    QVERIFY(wasModal);
    QVERIFY(wasActiveModal);
    QVERIFY(owner.findChildren<FrmAbout*>().isEmpty());
}

void FrmAboutTest::centredOverItsOwner() {
    QWidget owner;
    owner.setObjectName(QStringLiteral("owner"));
    owner.setGeometry(40, 60, 640, 400);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    FrmAbout dialog(AppIdentity{QStringLiteral("Tovrin"), 1, 0, 2}, &owner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint offset = dialog.frameGeometry().center() - owner.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));
    dialog.close();
}

void FrmAboutTest::screenshot() {
    FrmAbout dialog(AppIdentity{QStringLiteral("Tovrin"), 1, 0, 2});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QString folder = QStringLiteral(TOVRIN_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(dialog.grab().toImage().save(folder + QStringLiteral("/about.png")));
    dialog.close();
}

QTEST_MAIN(FrmAboutTest)
#include "frm_about_test.moc"
