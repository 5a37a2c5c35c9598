// ParentFolder, drive roots, the volume filter and the key codes.

#include <algorithm>

#include <QFileInfo>
#include <QKeyEvent>
#include <QTest>

#include "drives.h"
#include "list_keys.h"
#include "parent_folder.h"

namespace tovrin {

class PathsTest : public QObject {
    Q_OBJECT

private slots:
    void parentFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("parent");
        QTest::newRow("two levels below the root") << "/a/b"
                                                   << "/a";
        QTest::newRow("one level below the root") << "/a"
                                                  << "/";
        QTest::newRow("root stays") << "/"
                                    << "/";
        QTest::newRow("trailing separator") << "/a/b/"
                                            << "/a";
        QTest::newRow("trailing separator below root") << "/a/"
                                                       << "/";
        QTest::newRow("doubled separators at the root") << "//"
                                                        << "/";
        QTest::newRow("deep") << "/home/u/photos/2006"
                              << "/home/u/photos";
        QTest::newRow("japanese names") << "/写真/二〇〇六年"
                                        << "/写真";
        QTest::newRow("blanks in names") << "/a b/c d"
                                         << "/a b";
        QTest::newRow("drive folder") << "C:/photos/2006"
                                      << "C:/photos";
        QTest::newRow("drive, one level") << "C:/photos"
                                          << "C:/";
        QTest::newRow("drive root stays") << "C:/"
                                          << "C:/";
        QTest::newRow("share root stays") << "//server/share"
                                          << "//server/share";
        QTest::newRow("below a share root") << "//server/share/x"
                                            << "//server/share";
        QTest::newRow("no separator") << "photos"
                                      << "photos";
    }
    void parentFolder() {
        QFETCH(QString, path);
        QFETCH(QString, parent);
        QCOMPARE(ParentFolder(path), parent);
    }

    void parentFolderReachesRootFromAnyDepth() {
        QString path = QStringLiteral("/a/b/c/d/e");
        int steps = 0;
        while (path != QLatin1String("/") && steps < 10) {
            path = ParentFolder(path);
            ++steps;
        }
        QCOMPARE(path, QStringLiteral("/"));
        QCOMPARE(steps, 5);
    }

    void driveRoot_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::newRow("on the root volume") << "/srv/photos"
                                            << "/";
        QTest::newRow("on a separate home volume") << "/home/u/photos"
                                                   << "/home";
        QTest::newRow("the root itself") << "/"
                                         << "/";
        QTest::newRow("on a mounted volume") << "/media/u/CAM/DCIM"
                                             << "/media/u/CAM";
        QTest::newRow("the mount point itself") << "/media/u/CAM"
                                                << "/media/u/CAM";
        QTest::newRow("mount point with trailing separator") << "/media/u/CAM/"
                                                             << "/media/u/CAM";
        QTest::newRow("name that only starts like a mount") << "/media/u/CAMERA/x"
                                                            << "/";
        QTest::newRow("nested mount wins") << "/media/u/CAM/inner/x"
                                           << "/media/u/CAM/inner";
        QTest::newRow("not cleaned") << "/media/u/CAM/../CAM/x"
                                     << "/media/u/CAM";
    }
    void driveRoot() {
        QFETCH(QString, path);
        QFETCH(QString, root);
        const QList<Drive> drives = {
            {"/", ""}, {"/media/u/CAM", "CAM"}, {"/media/u/CAM/inner", ""}, {"/home", ""}};
        QCOMPARE(DriveRoot(path, drives), root);
    }

    void driveRootWithoutAHoldingDrive() {
        QCOMPARE(DriveRoot("/home/u", {{"/media/u/CAM", ""}}), QString());
        QCOMPARE(DriveRoot("/home/u", {}), QString());
    }

    void driveCurrentFolder_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("folder");
        QTest::newRow("drive of the working folder") << "/"
                                                     << "/srv/photos"
                                                     << "/srv/photos";
        QTest::newRow("another drive opens at its root") << "/media/u/CAM"
                                                         << "/srv/photos"
                                                         << "/media/u/CAM";
        QTest::newRow("working folder on a mounted drive") << "/media/u/CAM"
                                                           << "/media/u/CAM/DCIM"
                                                           << "/media/u/CAM/DCIM";
        QTest::newRow("root while working on a mounted drive") << "/"
                                                               << "/media/u/CAM/DCIM"
                                                               << "/";
    }
    void driveCurrentFolder() {
        QFETCH(QString, root);
        QFETCH(QString, working);
        QFETCH(QString, folder);
        const QList<Drive> drives = {{"/", ""}, {"/media/u/CAM", "CAM"}};
        QCOMPARE(DriveCurrentFolder(root, working, drives), folder);
    }

    void realFileSystem_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("listed");
        QTest::newRow("root on ext4") << QByteArray("ext4") << "/" << true;
        QTest::newRow("root on overlay (container)") << QByteArray("overlay") << "/" << true;
        QTest::newRow("usb stick") << QByteArray("vfat") << "/media/u/CAM" << true;
        QTest::newRow("removable under /run/media")
            << QByteArray("exfat") << "/run/media/u/SD" << true;
        QTest::newRow("network share") << QByteArray("cifs") << "/mnt/photos" << true;
        QTest::newRow("proc") << QByteArray("proc") << "/proc" << false;
        QTest::newRow("sysfs") << QByteArray("sysfs") << "/sys" << false;
        QTest::newRow("cgroup") << QByteArray("cgroup2") << "/sys/fs/cgroup" << false;
        QTest::newRow("tmpfs") << QByteArray("tmpfs") << "/dev/shm" << false;
        QTest::newRow("snap image") << QByteArray("squashfs") << "/snap/core/1" << false;
        QTest::newRow("ext4 under /run") << QByteArray("ext4") << "/run/user/1000/x" << false;
        QTest::newRow("/run/media itself") << QByteArray("ext4") << "/run/media" << false;
        QTest::newRow("ext4 under /dev") << QByteArray("ext4") << "/dev/x" << false;
        QTest::newRow("name starting like /sys") << QByteArray("ext4") << "/system" << true;
    }
    void realFileSystem() {
        QFETCH(QByteArray, type);
        QFETCH(QString, root);
        QFETCH(bool, listed);
        QCOMPARE(IsRealFileSystem(type, root), listed);
    }

    // The machine's own volumes: the root is always there, every entry is a
    // folder, and no entry appears twice.
    void mountedDrivesOfThisMachine() {
        const QList<Drive> drives = MountedDrives();
        QStringList roots;
        for (const Drive& drive : drives) {
            QVERIFY2(QFileInfo(drive.root).isDir(), qPrintable(drive.root));
            QVERIFY2(!drive.root.startsWith("/proc"), qPrintable(drive.root));
            QVERIFY2(!drive.root.startsWith("/sys"), qPrintable(drive.root));
            QVERIFY(!roots.contains(drive.root));
            roots.append(drive.root);
        }
        QVERIFY(roots.contains("/"));
        QVERIFY(std::is_sorted(roots.cbegin(), roots.cend()));
    }

    void keyCodes_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("code");
        QTest::newRow("F5") << int(Qt::Key_F5) << 116;
        QTest::newRow("F1") << int(Qt::Key_F1) << 112;
        QTest::newRow("A") << int(Qt::Key_A) << 65;
        QTest::newRow("Z") << int(Qt::Key_Z) << 90;
        QTest::newRow("0") << int(Qt::Key_0) << 48;
        QTest::newRow("Return") << int(Qt::Key_Return) << 13;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << 13;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 8;
        QTest::newRow("Down") << int(Qt::Key_Down) << 40;
        QTest::newRow("no classic code") << int(Qt::Key_VolumeUp) << 0;
    }
    void keyCodes() {
        QFETCH(int, qtKey);
        QFETCH(int, code);
        QCOMPARE(KeyCodeOf(qtKey), code);
    }

    void shiftValues_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("shift");
        QTest::newRow("none") << Qt::KeyboardModifiers() << 0;
        QTest::newRow("Ctrl alone") << Qt::KeyboardModifiers(Qt::ControlModifier) << 2;
        QTest::newRow("Ctrl+Shift") << (Qt::ControlModifier | Qt::ShiftModifier) << 3;
        QTest::newRow("Shift+Alt") << (Qt::ShiftModifier | Qt::AltModifier) << 5;
        QTest::newRow("keypad flag is no modifier")
            << (Qt::ControlModifier | Qt::KeypadModifier) << 2;
    }
    void shiftValues() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, shift);
        QCOMPARE(ShiftOf(modifiers), shift);
    }

    void keyAscii_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ascii");
        const Qt::KeyboardModifiers none;
        QTest::newRow("Backspace without text") << int(Qt::Key_Backspace) << none << "" << 8;
        QTest::newRow("Backspace with text") << int(Qt::Key_Backspace) << none << "\b" << 8;
        QTest::newRow("Return") << int(Qt::Key_Return) << none << "\r" << 13;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << "\r" << 13;
        QTest::newRow("Ctrl+Backspace")
            << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::ControlModifier) << "" << 127;
        QTest::newRow("Alt+Backspace")
            << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::AltModifier) << "" << 0;
        QTest::newRow("letter") << int(Qt::Key_A) << none << "a" << 97;
        QTest::newRow("F5 types nothing") << int(Qt::Key_F5) << none << "" << 0;
    }
    void keyAscii() {
        QFETCH(int, qtKey);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);
        QFETCH(int, ascii);
        const QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, text);
        QCOMPARE(KeyAsciiOf(event), ascii);
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::PathsTest)
#include "paths_test.moc"
