#include "app/qt_message_boxes.h"

#include <utility>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ui/fonts.h"

namespace tovrin {

class QtMessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void preparesTheLook() {
        for (const auto& [icon, expected] : {std::pair{MsgIcon::None, QMessageBox::NoIcon},
                                             {MsgIcon::Information, QMessageBox::Information},
                                             {MsgIcon::Exclamation, QMessageBox::Warning},
                                             {MsgIcon::Critical, QMessageBox::Critical}}) {
            for (const bool cancel : {false, true}) {
                QMessageBox box;
                // A file name is data, never markup; CR LF is one line break.
                PrepareMessageBox(box, "ファイルの日付情報が取得できません\r\n<b>a&b</b>.jpg",
                                  cancel ? MsgButtons::OkCancel : MsgButtons::Ok, icon, "Tovrin");
                QCOMPARE(box.text(), "ファイルの日付情報が取得できません\n<b>a&b</b>.jpg");
                QCOMPARE(box.textFormat(), Qt::PlainText);
                QCOMPARE(box.windowTitle(), "Tovrin");
                QCOMPARE(box.icon(), expected);
                QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
                QCOMPARE(box.standardButtons(),
                         cancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
                QCOMPARE(box.escapeButton(),
                         box.button(cancel ? QMessageBox::Cancel : QMessageBox::Ok));
                if (cancel) QCOMPARE(box.button(QMessageBox::Cancel)->text(), "キャンセル");
            }
        }
    }

    // Whatever the locale makes of the default sans, a box sets Latin text
    // in the proportional design face.
    void latinTextInTheDesignFace() {
        RegisterFontSubstitutions();
        UseDesignFaceThroughout();
        QMessageBox box;
        PrepareMessageBox(box,
                          "Error\r\n実行時エラー:53:ファイルが見つかりません。:", MsgButtons::Ok,
                          MsgIcon::Critical, "Tovrin");
        const QFontInfo face(box.font());
        QCOMPARE(face.family(), QStringLiteral("IPAPGothic"));
        QVERIFY(!face.fixedPitch());
        const QFontMetrics metrics(box.font());
        QVERIFY(metrics.horizontalAdvance('i') < metrics.horizontalAdvance('W'));
    }

    void answersAsClosed() {
        QWidget owner;
        owner.show();
        // "buttons: how the box is closed -> answer"
        // "none active": right after another box, no window is active yet; the box still
        // belongs over the program's window, never wherever new windows land.
        for (const QString row :
             {"OK: Esc -> OK", "OK/Cancel: OK -> OK", "OK/Cancel: Cancel -> Cancel",
              "OK/Cancel: Esc -> Cancel", "OK: OK -> OK none active"}) {
            owner.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&owner));
            if (row.endsWith("none active")) {
                QApplication::setActiveWindow(nullptr);
                QCOMPARE(QApplication::activeWindow(), nullptr);
            }
            const QString how = row.section(' ', 1, 1);
            // Looks at the modal box from inside its own event loop and closes it.
            QString seen;
            QTimer timer;
            connect(&timer, &QTimer::timeout, this, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || !box->isVisible()) return;
                timer.stop();
                // Modal and owned by the window that was active, so it stays above it.
                seen = box->text() + '|' + box->windowTitle() + (box->isModal() ? "|modal" : "") +
                       (box->parentWidget() == &owner ? "|owned" : "");
                (how == "Esc" ? box->escapeButton()
                              : box->button(how == "OK" ? QMessageBox::Ok : QMessageBox::Cancel))
                    ->click();
            });
            timer.start(5);
            const MsgAnswer answer =
                QtMessageBoxes().show("対象のファイル、 12件を処理が完了しました。",
                                      row.startsWith("OK/") ? MsgButtons::OkCancel : MsgButtons::Ok,
                                      MsgIcon::Information, "処理完了");
            QCOMPARE(answer == MsgAnswer::Ok ? "OK" : "Cancel", row.section(' ', 3, 3));
            QCOMPARE(seen, "対象のファイル、 12件を処理が完了しました。|処理完了|modal|owned");
        }
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::QtMessageBoxesTest)
#include "qt_message_boxes_test.moc"
