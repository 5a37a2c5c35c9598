#include "qt_message_boxes.h"

#include <algorithm>
#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest>

Q_DECLARE_METATYPE(tovrin::MsgButtons)
Q_DECLARE_METATYPE(tovrin::MsgIcon)
Q_DECLARE_METATYPE(tovrin::MsgAnswer)

namespace tovrin {

// What a modal box looked like while it was up, and how it was closed.
struct SeenBox {
    QString text;
    QString title;
    QWidget* parent = nullptr;
    bool modal = false;
};

class QtMessageBoxesTest : public QObject {
    Q_OBJECT

private:
    // Waits (in the box's own event loop) for the modal box, looks at it and
    // closes it with `close`.
    void whenShown(SeenBox& seen, std::function<void(QMessageBox&)> close) {
        auto* timer = new QTimer(this);
        timer->setInterval(5);
        connect(timer, &QTimer::timeout, this, [timer, &seen, close] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            seen.text = box->text();
            seen.title = box->windowTitle();
            seen.parent = box->parentWidget();
            seen.modal = box->isModal();
            close(*box);
        });
        timer->start();
    }

private slots:
    void cleanup() {
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() ||
                    std::none_of(QApplication::topLevelWidgets().cbegin(),
                                 QApplication::topLevelWidgets().cend(),
                                 [](QWidget* w) { return w->isVisible(); }));
    }

    void preparesTheLook_data() {
        QTest::addColumn<MsgButtons>("buttons");
        QTest::addColumn<MsgIcon>("icon");
        QTest::addColumn<QMessageBox::StandardButtons>("expectedButtons");
        QTest::addColumn<QMessageBox::Icon>("expectedIcon");
        QTest::addColumn<QMessageBox::StandardButton>("escape");

        QTest::newRow("ok, no icon")
            << MsgButtons::Ok << MsgIcon::None << QMessageBox::StandardButtons(QMessageBox::Ok)
            << QMessageBox::NoIcon << QMessageBox::Ok;
        QTest::newRow("ok, information") << MsgButtons::Ok << MsgIcon::Information
                                         << QMessageBox::StandardButtons(QMessageBox::Ok)
                                         << QMessageBox::Information << QMessageBox::Ok;
        QTest::newRow("ok, exclamation") << MsgButtons::Ok << MsgIcon::Exclamation
                                         << QMessageBox::StandardButtons(QMessageBox::Ok)
                                         << QMessageBox::Warning << QMessageBox::Ok;
        QTest::newRow("ok, critical")
            << MsgButtons::Ok << MsgIcon::Critical << QMessageBox::StandardButtons(QMessageBox::Ok)
            << QMessageBox::Critical << QMessageBox::Ok;
        QTest::newRow("ok/cancel, no icon")
            << MsgButtons::OkCancel << MsgIcon::None
            << QMessageBox::StandardButtons(QMessageBox::Ok | QMessageBox::Cancel)
            << QMessageBox::NoIcon << QMessageBox::Cancel;
    }

    void preparesTheLook() {
        QFETCH(MsgButtons, buttons);
        QFETCH(MsgIcon, icon);
        QFETCH(QMessageBox::StandardButtons, expectedButtons);
        QFETCH(QMessageBox::Icon, expectedIcon);
        QFETCH(QMessageBox::StandardButton, escape);

        QMessageBox box;
        PrepareMessageBox(box,
                          "フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                          buttons, icon, "Tovrin");
        QCOMPARE(box.text(), QStringLiteral("フォルダ内の対象ファイルが全て同じ日付になります。\n"
                                            "よろしいですか？"));
        QCOMPARE(box.windowTitle(), QStringLiteral("Tovrin"));
        QCOMPARE(box.standardButtons(), expectedButtons);
        QCOMPARE(box.icon(), expectedIcon);
        QCOMPARE(box.escapeButton(), box.button(escape));
        QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
        if (buttons == MsgButtons::OkCancel) {
            QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
        }
    }

    void textIsShownAsItStands() {
        // A file name is data, never markup.
        QMessageBox box;
        PrepareMessageBox(
            box, "ファイルの日付情報が取得できません\r\n<b>a&b</b>.jpgの更新に失敗しました",
            MsgButtons::Ok, MsgIcon::None, "Tovrin");
        QCOMPARE(box.textFormat(), Qt::PlainText);
        QVERIFY(box.text().endsWith(QStringLiteral("\n<b>a&b</b>.jpgの更新に失敗しました")));
        QVERIFY(!box.text().contains(QLatin1Char('\r')));
    }

    void answersAsClosed_data() {
        QTest::addColumn<MsgButtons>("buttons");
        QTest::addColumn<int>("how");  // 0 OK clicked, 1 Cancel clicked, 2 Esc
        QTest::addColumn<MsgAnswer>("expected");
        QTest::newRow("ok box, OK") << MsgButtons::Ok << 0 << MsgAnswer::Ok;
        QTest::newRow("ok box, Esc") << MsgButtons::Ok << 2 << MsgAnswer::Ok;
        QTest::newRow("ok/cancel, OK") << MsgButtons::OkCancel << 0 << MsgAnswer::Ok;
        QTest::newRow("ok/cancel, Cancel") << MsgButtons::OkCancel << 1 << MsgAnswer::Cancel;
        QTest::newRow("ok/cancel, Esc") << MsgButtons::OkCancel << 2 << MsgAnswer::Cancel;
    }

    void answersAsClosed() {
        QFETCH(MsgButtons, buttons);
        QFETCH(int, how);
        QFETCH(MsgAnswer, expected);

        QWidget owner;
        owner.show();
        owner.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&owner));

        SeenBox seen;
        whenShown(seen, [how](QMessageBox& box) {
            if (how == 0) {
                box.button(QMessageBox::Ok)->click();
            } else if (how == 1) {
                box.button(QMessageBox::Cancel)->click();
            } else {
                QTest::keyClick(&box, Qt::Key_Escape);
            }
        });
        QtMessageBoxes boxes;
        const MsgAnswer answer = boxes.show("対象のファイル、 12件を処理が完了しました。", buttons,
                                            MsgIcon::Information, "処理完了");
        QCOMPARE(answer, expected);
        QCOMPARE(seen.text, QStringLiteral("対象のファイル、 12件を処理が完了しました。"));
        QCOMPARE(seen.title, QStringLiteral("処理完了"));
        QVERIFY(seen.modal);
        // Owned by the window that was active, so it stays above it.
        QCOMPARE(seen.parent, &owner);
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::QtMessageBoxesTest)
#include "qt_message_boxes_test.moc"
