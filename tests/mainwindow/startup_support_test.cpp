// The pieces start-up stands on: the settings store, the conversion of stored
// numbers, the state of the remembered folder, and the single-instance lock.

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include "exif/runtime_error.h"
#include "mainwindow/instance_guard.h"
#include "mainwindow/settings_store.h"
#include "mainwindow/startup_folder.h"

namespace tovrin {

using namespace Qt::StringLiterals;

class StartupSupportTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
#ifdef Q_OS_WIN
    // A scratch key of its own in the registry, never the user's settings.
    const QString m_store = QStringLiteral("HKEY_CURRENT_USER\\Software\\Tovrin tests\\") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces);
    static constexpr QSettings::Format StoreFormat = QSettings::NativeFormat;
#else
    const QString m_store = m_config.filePath("Quarnel.ini");
    static constexpr QSettings::Format StoreFormat = QSettings::IniFormat;
#endif

    bool storeHoldsSomething() const {
#ifdef Q_OS_WIN
        return !QSettings(m_store, StoreFormat).allKeys().isEmpty();
#else
        return QFile::exists(m_store);
#endif
    }

private slots:
    void init() {
#ifdef Q_OS_WIN
        QSettings(m_store, StoreFormat).clear();
        settings::UseStore(m_store);
#else
        QFile::remove(m_store);
        // The user's store, found where the user's configuration is.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        QCOMPARE(settings::StoreLocation(), m_store);
#endif
    }

    void cleanupTestCase() {
#ifdef Q_OS_WIN
        QSettings(m_store, StoreFormat).clear();
        QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software"), StoreFormat)
            .remove(u"Tovrin tests"_s);
#endif
    }

    void absentKeysGiveTheirDefaultsAndCreateNothing() {
        QCOMPARE(settings::GetReg("WTOP", qint16(105)), QStringLiteral("105"));
        QCOMPARE(settings::GetReg("DefPath", QString()), QString());
        QCOMPARE(settings::GetReg("x", 0.1f) + ' ' + settings::GetReg("x", -45.0f), "0.1 -45");
        QVERIFY(!storeHoldsSomething());
    }

    void valuesSurviveAsText() {
        settings::SetReg("WHeight", 7560.0f);
        // Characters the INI format treats specially come back as written.
        for (const QVariant& value :
             {QVariant(12735.0f), QVariant(1234.5f), QVariant("/home/a/写真 2006"),
              QVariant("/a, b;c=d/\"q\"/[x]"), QVariant("@Variant(x)"), QVariant("  padded  ")}) {
            settings::SetReg("DefPath", value);
            const QString expected = value.toString();  // "12735", "1234.5", or the text
            QCOMPARE(settings::GetReg("DefPath", "default"), expected);
            // In the user's store, under application "Quarnel", section "Tovrin".
            QCOMPARE(QSettings(m_store, StoreFormat).value("Tovrin/DefPath").toString(), expected);
        }
        QCOMPARE(settings::GetReg("WHeight", 105), QStringLiteral("7560"));
    }

    void storedNumbers() {
        // "text|value", or "text|#error" for a text that raises that error.
        for (const QString row : {"-45|-45", " 105 |105", "1234.5|1234.5", "1E3|1000", "1e-50|0",
                                  "abc|#13", "|#13", "105px|#13", "nan|#13", "1e39|#6"}) {
            QString result;
            try {
                result = QString::number(StoredNumber(row.section('|', 0, 0)));
            } catch (const RuntimeError& e) {
                result = '#' + QString::number(e.number());
            }
            QCOMPARE(result, row.section('|', 1));
        }
    }

    void folderStates() {
        // "path|root of the volume holding it now|state"; "@" is a folder
        // holding file.jpg and a link "loop" to itself, LONG a name longer than
        // any file system takes.
        QTemporaryDir temp;
        QVERIFY(QFile(temp.filePath("file.jpg")).open(QIODevice::WriteOnly));
        const char* const states[] = {"Folder", "Missing", "VolumeGone"};
#ifdef Q_OS_WIN
        // "%" is the drive holding the temporary folder. A drive letter no
        // drive answers to is a card taken out.
        const QString drive = temp.path().left(3);
        for (QString row : {"@|%|Folder", "@/gone/deeper|%|Missing", "@/file.jpg|%|Missing",
                            "Q:/DCIM/100CANON||VolumeGone", "Q:/DCIM/100CANON|Q:/|Missing"}) {
            row.replace('@', temp.path()).replace('%', drive);
#else
        QVERIFY(QFile::link(temp.filePath("loop"), temp.filePath("loop")));
        for (QString row :
             {"@|/|Folder", "@/gone/deeper|/|Missing", "@/file.jpg|/|Missing",
              "/media/t/CARD/DCIM|/|VolumeGone", "/media/t/CARD/DCIM|/media/t/CARD|Missing",
              "@/loop/x|/|VolumeGone", "@/LONG|/|VolumeGone"}) {
            row.replace('@', temp.path()).replace("LONG", QString(300, 'x'));
#endif
            const QStringList f = row.split('|');
            QCOMPARE(states[int(ExamineFolder(f[0], f[1]))], f[2]);
        }
    }

    void secondInstanceFindsTheFirstAndADeadOnesLockIsTakenOver() {
        const QString lock = m_config.filePath("run/Tovrin.lock");
        {
            const InstanceGuard first(lock);
            QVERIFY(!first.anotherInstanceRunning());
            QVERIFY(InstanceGuard(lock).anotherInstanceRunning());
            // The second one, ending, left the first one's lock alone.
            QVERIFY(InstanceGuard(lock).anotherInstanceRunning());
        }
        QVERIFY(!InstanceGuard(lock).anotherInstanceRunning());
        // A killed instance leaves its lock behind, naming a process that no
        // longer runs: one that was started here and has ended.
        QProcess ended;
        ended.start(QCoreApplication::applicationFilePath(), {u"-functions"_s});
        QVERIFY(ended.waitForStarted());
        const qint64 dead = ended.processId();
        QVERIFY(ended.waitForFinished());
        // The lock as this system's locks are written, but for the process.
        QByteArrayList lines;
        {
            const InstanceGuard live(lock);
            QFile written(lock);
            QVERIFY(written.open(QIODevice::ReadOnly));
            lines = written.readAll().split('\n');
        }
        lines[0] = QByteArray::number(dead);
        QFile file(lock);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines.join('\n')) && file.flush());
        file.close();
        QVERIFY(!InstanceGuard(lock).anotherInstanceRunning());
    }
};

}  // namespace tovrin

QTEST_GUILESS_MAIN(tovrin::StartupSupportTest)
#include "startup_support_test.moc"
