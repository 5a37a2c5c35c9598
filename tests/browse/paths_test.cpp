// ParentFolder, drive roots and the volume filter.

#include <algorithm>
#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "browse/drives.h"
#include "browse/parent_folder.h"

namespace tovrin {

class PathsTest : public QObject {
    Q_OBJECT

    // Rows written "input => expected", named after the input.
    static void pairRows(const QStringList& rows) {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        for (const QString& row : rows) {
            const QStringList sides = row.split(" => ");
            QTest::newRow(qPrintable(sides[0])) << sides[0] << sides[1];
        }
    }

private slots:
    void parentFolder_data() {
        pairRows({"/a/b => /a", "/a => /", "/ => /", "/a/b/ => /a", "/a/ => /", "// => /",
                  "/写真/二〇〇六年 => /写真", "/a b/c d => /a b", "C:/photos => C:/", "C:/ => C:/",
                  "//server/share => //server/share", "//server/share/x => //server/share",
                  "photos => photos"});
    }
    void parentFolder() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ParentFolder(path), expected);
    }

    void driveRoot_data() {
        pairRows({"/srv/photos => /", "/home/u/photos => /home", "/ => /",
                  "/media/u/CAM => /media/u/CAM", "/media/u/CAM/ => /media/u/CAM",
                  "/media/u/CAMERA/x => /", "/media/u/CAM/inner/x => /media/u/CAM/inner",
                  "/media/u/CAM/../CAM/x => /media/u/CAM"});
    }
    void driveRoot() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const QList<Drive> drives = {
            {"/", ""}, {"/media/u/CAM", "CAM"}, {"/media/u/CAM/inner", ""}, {"/home", ""}};
        QCOMPARE(DriveRoot(path, drives), expected);
        QCOMPARE(DriveRoot(path, {{"/elsewhere", ""}}), QString());
    }

    // The process has one working folder: only its drive opens there.
    void driveCurrentFolder() {
        const QList<Drive> drives = {{"/", ""}, {"/media/u/CAM", "CAM"}};
        const auto folder = [&](const char* root, const char* working) {
            return DriveCurrentFolder(root, working, drives);
        };
        QCOMPARE(folder("/", "/srv/photos"), QStringLiteral("/srv/photos"));
        QCOMPARE(folder("/media/u/CAM", "/srv/photos"), QStringLiteral("/media/u/CAM"));
        QCOMPARE(folder("/media/u/CAM", "/media/u/CAM/DCIM"), QStringLiteral("/media/u/CAM/DCIM"));
        QCOMPARE(folder("/", "/media/u/CAM/DCIM"), QStringLiteral("/"));
    }

    // Rows are "type mount-point => listed".
    void realFileSystem_data() {
        pairRows({"ext4 / => 1", "overlay / => 1", "vfat /media/u/CAM => 1", "cifs /mnt/p => 1",
                  "exfat /run/media/u/SD => 1", "ext4 /system => 1", "proc /proc => 0",
                  "tmpfs /dev/shm => 0", "squashfs /snap/c/1 => 0", "ext4 /run/user/1000/x => 0",
                  "ext4 /run/media => 0", "ext4 /dev/x => 0"});
    }
    void realFileSystem() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(IsRealFileSystem(path.section(' ', 0, 0).toLatin1(), path.section(' ', 1)),
                 expected == "1");
    }

    // The machine's own volumes: the root is there, each is a folder, once.
    void mountedDrivesOfThisMachine() {
        QStringList roots;
        for (const Drive& drive : MountedDrives()) {
            QVERIFY2(QFileInfo(drive.root).isDir(), qPrintable(drive.root));
            roots.append(drive.root);
        }
#ifdef Q_OS_WIN
        // The system drive, by its letter.
        const QString system =
            QDir::fromNativeSeparators(qEnvironmentVariable("SystemDrive")) + '/';
        QVERIFY2(roots.contains(system, Qt::CaseInsensitive), qPrintable(roots.join(',')));
#else
        QVERIFY(roots.contains("/"));
#endif
        // Sorted, each root once.
        QVERIFY(std::adjacent_find(roots.cbegin(), roots.cend(), std::greater_equal<>()) ==
                roots.cend());
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::PathsTest)
#include "paths_test.moc"
