// The pieces the windows share: path text for the engine, twips, the run-time
// error every handler shows, and the key codes.

#include <filesystem>
#include <new>
#include <stdexcept>
#include <utility>

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include "messages/error_report.h"
#include "ui/path_text.h"
#include "ui/twips.h"
#include "ui/virtual_keys.h"

namespace tovrin {

class SharedTest : public QObject {
    Q_OBJECT

private slots:
    // The engine gets UTF-8 whatever the locale; a Japanese name must reach
    // the file system unchanged and come back as it went.
    void japaneseNamesReachTheFileSystem() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("写真 二〇〇六年/ｶﾒﾗ.jpg"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("写真 二〇〇六年")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        // The engine's path is the system's own form: its separators too.
        QCOMPARE(QByteArray::fromStdString(EnginePath(path)),
                 QDir::toNativeSeparators(path).toUtf8());
        QCOMPARE(WindowPath(EnginePath(path)), path);
        QVERIFY(std::filesystem::is_regular_file(FileSystemPath(path)));
    }

    void folderWithSeparator() {
        for (const auto& [folder, expected] :
             {std::pair{"/a/写真", "/a/写真/"}, {"/a/", "/a/"}, {"/", "/"}, {"", "/"}}) {
            QCOMPARE(FolderWithSeparator(folder), QString(expected));
        }
    }

    // Half a pixel rounds away from zero; the design's -45 twips is -3 pixels.
    void twipsToTheNearestPixel() {
        for (const auto& [twips, pixels] :
             {std::pair{-45.0, -3}, {22.0, 1}, {22.5, 2}, {23.0, 2}}) {
            QCOMPARE(TwipsToPixels(twips), pixels);
        }
        QCOMPARE(PixelsToTwips(841), 12615.0f);
    }

    // Whatever a handler catches, the user sees a number and its description.
    void caughtRuntimeError() {
        const auto caught = [](auto thrown) {
            try {
                throw thrown;
            } catch (...) {
                return CaughtRuntimeError();
            }
        };
        const RuntimeError missing = caught(RuntimeError(error::FileNotFound));
        QCOMPARE(missing.number(), 53);
        QCOMPARE(RuntimeErrorText(missing),
                 std::string("実行時エラー:53:ファイルが見つかりません。:"));
        const RuntimeError memory = caught(std::bad_alloc());
        QCOMPARE(RuntimeErrorText(memory), std::string("実行時エラー:7:メモリが不足しています。:"));
        // A failure that is none of ours keeps number 5 but says it was
        // unexpected, and what it said, so a report can name it.
        const RuntimeError foreign = caught(std::runtime_error("disk quota"));
        QCOMPARE(foreign.number(), error::InvalidCall);
        QCOMPARE(foreign.description(), std::string("予期しないエラー (disk quota)"));
        QCOMPARE(caught(42).description(), std::string("予期しないエラー"));
    }

    // Offscreen key events may carry no text; the codes must not depend on it.
    void keyCodes() {
        const auto ascii = [](int key, Qt::KeyboardModifiers modifiers) {
            return KeyAsciiOf(QKeyEvent(QEvent::KeyPress, key, modifiers));
        };
        QCOMPARE(ascii(Qt::Key_Backspace, {}), keys::Backspace);
        QCOMPARE(ascii(Qt::Key_Backspace, Qt::ControlModifier), 127);
        QCOMPARE(ascii(Qt::Key_Enter, Qt::KeypadModifier), keys::Enter);
        QCOMPARE(ascii(Qt::Key_F5, {}), 0);
        QCOMPARE(ShiftState(Qt::ControlModifier | Qt::KeypadModifier), keys::CtrlMask);
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::SharedTest)
#include "shared_test.moc"
