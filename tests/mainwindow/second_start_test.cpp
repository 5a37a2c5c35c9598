// A second start of the program, as a process of its own, while a first one
// runs here: the second shows its box and ends, and the first window comes to
// the front and opens what the second was given.

#include <cstdio>
#include <memory>

#include <QtTest>
#include <QtWidgets>

#include "app/program.h"
#include "browse/file_list.h"
#include "messages/message_boxes.h"

namespace tovrin {
namespace {

// Answers OK to every box; a second start prints each box's text, the first
// one keeps them.
struct AnsweringBoxes : MessageBoxes {
    MsgAnswer show(const std::string& text, MsgButtons, MsgIcon, const std::string&) override {
        if (print) std::printf("%s\n", text.c_str());
        shown << QString::fromStdString(text);
        return MsgAnswer::Ok;
    }
    bool print = false;
    QStringList shown;
};

}  // namespace

class SecondStartTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime, m_config, m_photos;

    QString photo(const QString& name) const { return m_photos.filePath(name); }

private slots:
    void initTestCase() {
        // The lock and the requests of this test's own, for both processes.
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        qputenv("TMP", m_runtime.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(QDir(m_photos.path()).mkdir("sub"));
        for (const char* name : {"a.jpg", "sub/b.jpg", "sub/c.jpg", "sub/d.jpg"}) {
            QVERIFY(picture.save(photo(name)));
        }
    }

    void secondStartBringsTheFirstForward_data() {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("opened");  // "folder|current|selected"
        QTest::newRow("photos") << QStringList{"sub/c.jpg", "sub/d.jpg"}
                                << "@/sub|c.jpg|c.jpg d.jpg";
        QTest::newRow("nothing") << QStringList{} << "@|a.jpg|a.jpg";
    }

    void secondStartBringsTheFirstForward() {
        QFETCH(QStringList, given);
        QFETCH(QString, opened);
        AnsweringBoxes boxes;
        Program first(boxes, QCoreApplication::applicationDirPath());
        QVERIFY(first.start({m_photos.path()}));
        FrmMain& window = first.window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Another window is in front of it.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!window.isActiveWindow());

        QStringList arguments{"--second-start"};
        for (const QString& name : given) arguments << photo(name);
        QProcess second;
        second.start(QCoreApplication::applicationFilePath(), arguments);
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(second.readAllStandardOutput()).trimmed(),
                 QStringLiteral("すでに起動しています。"));

        QTRY_VERIFY(window.isActiveWindow());
        auto* file1 = window.findChild<FileList*>("File1");
        QStringList selected;
        for (int i = 0; i < file1->entryCount(); ++i) {
            if (file1->isSelected(i)) selected << file1->entry(i);
        }
        QCOMPARE(file1->path() + '|' + file1->currentFileName() + '|' + selected.join(' '),
                 opened.replace('@', m_photos.path()));
        QVERIFY(boxes.shown.isEmpty());
        window.close();
    }
};

}  // namespace tovrin

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrin"));
    if (QCoreApplication::arguments().value(1) == QLatin1String("--second-start")) {
        // A second start as the program makes it, but answering its own box.
        tovrin::AnsweringBoxes boxes;
        boxes.print = true;
        tovrin::Program program(boxes, QCoreApplication::applicationDirPath());
        const bool started = program.start(QCoreApplication::arguments().mid(2));
        std::fflush(stdout);
        return started ? 1 : 0;
    }
    tovrin::SecondStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "second_start_test.moc"
