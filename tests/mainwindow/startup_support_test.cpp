#include <memory>

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "instance_guard.h"
#include "runtime_error.h"
#include "settings_store.h"
#include "startup_folder.h"

namespace tovrin {

// The pieces start-up stands on: the settings store, the conversion of stored
// numbers, what the remembered folder's state is, and the single-instance lock.
class StartupSupportTest : public QObject {
    Q_OBJECT

private:
    QString storeFile() const { return m_config->filePath(QStringLiteral("Quarnel.ini")); }

    std::unique_ptr<QTemporaryDir> m_config;

private slots:
    void init() {
        m_config = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config->path());
    }

    // -- Settings store -------------------------------------------------------

    void absentKeysGiveTheirDefaultsAsText_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("defaultValue");
        QTest::addColumn<QString>("expected");
        QTest::newRow("WTOP") << "WTOP" << QVariant(qint16(105)) << "105";
        QTest::newRow("WLEFT") << "WLEFT" << QVariant(qint16(105)) << "105";
        QTest::newRow("WWidth") << "WWidth" << QVariant(qint16(12735)) << "12735";
        QTest::newRow("WHeight") << "WHeight" << QVariant(qint16(7560)) << "7560";
        QTest::newRow("DefPath") << "DefPath" << QVariant(QString()) << "";
        QTest::newRow("single") << "x" << QVariant(0.1f) << "0.1";
        QTest::newRow("negative single") << "x" << QVariant(-45.0f) << "-45";
    }

    void absentKeysGiveTheirDefaultsAsText() {
        QFETCH(QString, key);
        QFETCH(QVariant, defaultValue);
        QFETCH(QString, expected);
        QCOMPARE(common::GetReg(key, defaultValue), expected);
        // Reading never creates an entry, nor the store itself.
        QVERIFY(!QFile::exists(storeFile()));
    }

    void valuesSurviveAsText_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole twips") << QVariant(12735.0f) << "12735";
        QTest::newRow("negative twips") << QVariant(-45.0f) << "-45";
        QTest::newRow("fraction") << QVariant(1234.5f) << "1234.5";
        QTest::newRow("integer") << QVariant(105) << "105";
        QTest::newRow("folder") << QVariant(QStringLiteral("/home/a/写真 2006"))
                                << "/home/a/写真 2006";
        // Characters the INI format treats specially come back as written.
        QTest::newRow("ini syntax")
            << QVariant(QStringLiteral("/a, b;c=d/\"q\"/[x]")) << "/a, b;c=d/\"q\"/[x]";
        QTest::newRow("leading at") << QVariant(QStringLiteral("@Variant(x)")) << "@Variant(x)";
        QTest::newRow("blanks") << QVariant(QStringLiteral("  padded  ")) << "  padded  ";
        QTest::newRow("empty") << QVariant(QString()) << "";
    }

    void valuesSurviveAsText() {
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        common::SetReg(QStringLiteral("DefPath"), value);
        QCOMPARE(common::GetReg(QStringLiteral("DefPath"), QStringLiteral("default")), expected);
        // In the user's store, under application "Quarnel", section "Tovrin".
        const QSettings file(storeFile(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Tovrin/DefPath")).toString(), expected);
    }

    void writingReplacesAndKeepsTheOthers() {
        common::SetReg(QStringLiteral("WHeight"), 7560.0f);
        common::SetReg(QStringLiteral("WWidth"), 12735.0f);
        common::SetReg(QStringLiteral("WWidth"), 15000.0f);
        QCOMPARE(common::GetReg(QStringLiteral("WWidth"), 105), QStringLiteral("15000"));
        QCOMPARE(common::GetReg(QStringLiteral("WHeight"), 105), QStringLiteral("7560"));
        QCOMPARE(common::GetReg(QStringLiteral("WTOP"), 105), QStringLiteral("105"));
        // A value that is not a number comes back as it is.
        common::SetReg(QStringLiteral("WTOP"), QStringLiteral("abc"));
        QCOMPARE(common::GetReg(QStringLiteral("WTOP"), 105), QStringLiteral("abc"));
    }

    // -- Stored numbers --------------------------------------------------------

    void storedNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("expected");
        QTest::addColumn<int>("error");  // 0: converts
        QTest::newRow("integer") << "12735" << 12735.0f << 0;
        QTest::newRow("negative") << "-45" << -45.0f << 0;
        QTest::newRow("blanks") << " 105 " << 105.0f << 0;
        QTest::newRow("fraction") << "1234.5" << 1234.5f << 0;
        QTest::newRow("exponent") << "1E3" << 1000.0f << 0;
        QTest::newRow("word") << "abc" << 0.0f << error::TypeMismatch;
        QTest::newRow("empty") << "" << 0.0f << error::TypeMismatch;
        QTest::newRow("trailing text") << "105px" << 0.0f << error::TypeMismatch;
        QTest::newRow("nan") << "nan" << 0.0f << error::TypeMismatch;
        QTest::newRow("inf") << "inf" << 0.0f << error::TypeMismatch;
        QTest::newRow("beyond single") << "1e39" << 0.0f << error::Overflow;
        QTest::newRow("beyond double") << "1e400" << 0.0f << error::Overflow;
        QTest::newRow("below single") << "1e-50" << 0.0f << 0;
    }

    void storedNumbers() {
        QFETCH(QString, text);
        QFETCH(float, expected);
        QFETCH(int, error);
        try {
            const float value = StoredNumber(text);
            QCOMPARE(error, 0);
            QCOMPARE(value, expected);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    // -- The remembered folder ---------------------------------------------------

    void folderStates_data() {
        // "@" stands for a temporary folder, LONGNAME for a name longer than
        // any file system takes.
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<int>("expected");
        const auto row = [](const char* name, const char* path, const char* holder,
                            FolderState state) {
            QTest::newRow(name) << QString::fromUtf8(path) << QString::fromUtf8(holder)
                                << int(state);
        };
        row("folder", "@", "/", FolderState::Folder);
        row("deleted folder", "@/gone", "/", FolderState::Missing);
        row("deleted two deep", "@/gone/deeper", "/", FolderState::Missing);
        row("a file", "@/file.jpg", "/", FolderState::Missing);
        row("removed card", "/media/tovrin-test/CARD/DCIM", "/", FolderState::VolumeGone);
        row("removed stick", "/run/media/tovrin-test/STICK", "/", FolderState::VolumeGone);
        row("unmounted disk", "/mnt/tovrin-test/photos", "/", FolderState::VolumeGone);
        row("nothing holds it", "/media/tovrin-test/CARD", "", FolderState::VolumeGone);
        row("card there, folder deleted", "/media/tovrin-test/CARD/DCIM", "/media/tovrin-test/CARD",
            FolderState::Missing);
        row("link loop", "@/loop/photos", "/", FolderState::VolumeGone);
        row("name too long", "@/LONGNAME", "/", FolderState::VolumeGone);
    }

    void folderStates() {
        QFETCH(QString, path);
        QFETCH(QString, holder);
        QFETCH(int, expected);
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QFile file(temp.filePath(QStringLiteral("file.jpg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        // A link that points at itself cannot be looked through.
        QVERIFY(QFile::link(temp.filePath(QStringLiteral("loop")),
                            temp.filePath(QStringLiteral("loop"))));
        path.replace(QLatin1Char('@'), temp.path());
        path.replace(QStringLiteral("LONGNAME"), QString(300, QLatin1Char('x')));
        QCOMPARE(int(ExamineFolder(path, holder)), expected);
    }

    // -- Single instance -----------------------------------------------------------

    void secondGuardFindsTheFirst() {
        const QString lock = m_config->filePath(QStringLiteral("run/Tovrin.lock"));
        auto first = std::make_unique<InstanceGuard>(lock);
        QVERIFY(!first->anotherInstanceRunning());
        {
            const InstanceGuard second(lock);
            QVERIFY(second.anotherInstanceRunning());
        }
        // The second one, ending, leaves the first one's lock alone.
        QVERIFY(InstanceGuard(lock).anotherInstanceRunning());
        first.reset();
        QVERIFY(!InstanceGuard(lock).anotherInstanceRunning());
    }

    void lockOfADeadInstanceIsTakenOver() {
        // A lock file as an instance leaves it when it is killed: its owner's
        // process id, which no longer runs.
        QProcess ended;
        ended.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
        QVERIFY(ended.waitForStarted());
        const qint64 deadPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        const QString lock = m_config->filePath(QStringLiteral("Tovrin.lock"));
        QFile file(lock);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(deadPid) + "\nTovrin\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
        file.close();
        QVERIFY(!InstanceGuard(lock).anotherInstanceRunning());
    }

    void unwritableLockDoesNotKeepTheProgramOut() {
        // A lock that cannot be made (its folder is a file) guards nothing.
        const QString blocker = m_config->filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!InstanceGuard(blocker + QStringLiteral("/Tovrin.lock")).anotherInstanceRunning());
    }
};

}  // namespace tovrin

QTEST_GUILESS_MAIN(tovrin::StartupSupportTest)
#include "startup_support_test.moc"
