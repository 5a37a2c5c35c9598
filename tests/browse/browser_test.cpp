// The three linked lists on a real folder tree: what they list, the chain from
// drive to photo, the keys, the mouse, and the folders and drives that cannot
// be read.

#include <memory>

#include <QApplication>
#include <QFocusEvent>
#include <QTemporaryDir>
#include <QTest>

#include "browse/folder_browser.h"
#include "exif/photo_kinds.h"
#include "exif/runtime_error.h"

namespace tovrin {

class BrowserTest : public QObject, public MessageBoxes {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    const QString m_workingFolder = QDir::currentPath();
    QList<Drive> m_drives;
    std::unique_ptr<QWidget> m_host;
    DriveList* m_drive1 = nullptr;
    FolderList* m_dir1 = nullptr;
    FileList* m_file1 = nullptr;
    FolderBrowser* m_browser = nullptr;
    // What the window was asked to do.
    struct {
        QStringList log;  // each readout's file name, "(clear)", and each box's text
        QStringList status;
        QStringList viewers;  // "full path|file name"
        bool thumbnail = false;
        bool readoutFails = false;
    } m_window;

    // The browser only ever shows the plain error box.
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        const bool plain = buttons == MsgButtons::Ok && icon == MsgIcon::None && title == "Tovrin";
        m_window.log.append(QString::fromStdString(text) + (plain ? "" : " (other box)"));
        return MsgAnswer::Ok;
    }

    // A folder of the test drive; absolute paths stay as they are, and "/" is
    // the root of the drive the test's folder is on ("C:/" on Windows).
    QString at(const QString& relative) const {
#ifdef Q_OS_WIN
        if (relative == QLatin1String("/")) return m_dir->path().left(3);
#endif
        return relative.startsWith('/') ? relative
                                        : QDir::cleanPath(m_dir->filePath("disk/" + relative));
    }

    // Creates folders ("name/"), files and links ("name -> target") below the test drive.
    bool makeTree(const QStringList& entries) const {
        for (const QString& entry : entries) {
            const QString path = at(entry.section(" -> ", 0, 0));
            if (entry.contains(" -> ") ? !QFile::link(at(entry.section(" -> ", 1)), path)
                : entry.endsWith('/')  ? !QDir().mkpath(path)
                                       : !QDir().mkpath(QFileInfo(path).path()) ||
                                            !QFile(path).open(QIODevice::WriteOnly)) {
                return false;
            }
        }
        return true;
    }

    // Places the lists on a folder of the test drive, as start-up does, and
    // forgets what that showed.
    void openAt(const QString& relative, bool shown = false) {
        m_drive1->setDrive(at(""));
        m_dir1->setPath(at(relative));
        m_window.log.clear();
        m_window.status.clear();
        if (shown) {
            m_host->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
        }
    }

    // Runs steps such as "Dir1:Up File1:Ctrl+A" (keys on a list), "cd:photos"
    // (folder list), "drive" (the test drive), "pick:2" (a drive chosen from
    // the list), "cwd:photos" (the working folder) and "rm:photos" (removed).
    void run(const QString& script) {
        for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
            const QString verb = step.section(':', 0, 0), arg = step.section(':', 1);
            if (verb == "cd") {
                m_dir1->setPath(at(arg));
            } else if (verb == "drive") {
                m_drive1->setDrive(at(""));
            } else if (verb == "pick") {
                emit m_drive1->activated(arg.toInt());
            } else if (verb == "cwd" || verb == "rm") {
                QVERIFY(verb == "cwd" ? QDir::setCurrent(at(arg))
                                      : QDir(at(arg)).removeRecursively());
            } else {
                const QKeyCombination key = QKeySequence(arg)[0];
                QWidget* list = verb == "Drive1" ? static_cast<QWidget*>(m_drive1)
                                : verb == "Dir1" ? static_cast<QWidget*>(m_dir1)
                                                 : m_file1;
                QTest::keyClick(list, key.key(), key.keyboardModifiers());
            }
        }
    }

    void click(QAbstractItemView* list, int row, Qt::KeyboardModifiers modifiers = {},
               bool twice = false) {
        const QPoint centre = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, centre);
        if (twice) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, modifiers, centre);
        }
    }

    static void row(const char* name, const char* start, const char* script, const char* end,
                    const char* log, int selected) {
        QTest::newRow(name) << QString(start) << QString(script) << QString(end)
                            << QString(log).split(',', Qt::SkipEmptyParts) << selected;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(makeTree({"top.jpg", "photos/a.jpg", "photos/B.JPEG", "photos/c.Jpeg",
                          "photos/.x.jpg", "photos/d.txt", "photos/e.jpg.bak", "photos/2006/x.JPG",
                          "photos/2006/y.jpeg", "photos/empty/", "photos/.hidden/"}));
        // The root volume, the test's own volume, and a listed volume that can
        // no longer be opened (a removed card).
        m_drives = {{"/", ""}, {at(""), "DISK"}, {m_dir->filePath("gone"), "GONE"}};
        m_window = {};
        m_host = std::make_unique<QWidget>();
        m_host->resize(420, 340);
        m_drive1 = new DriveList(m_host.get(), [this] { return m_drives; });
        m_dir1 = new FolderList(m_host.get());
        m_file1 = new FileList(m_host.get());
        m_dir1->setGeometry(0, 30, 200, 300);
        m_file1->setGeometry(210, 0, 200, 330);
        BrowserHooks hooks;
        hooks.readout = [this] {
            if (m_window.readoutFails) {
                throw RuntimeError(error::FileNotFound);
            }
            m_window.log.append(m_file1->currentFileName());
        };
        hooks.clearInformation = [this] { m_window.log.append("(clear)"); };
        hooks.showFolder = [this](const QString& folder) { m_window.status.append(folder); };
        hooks.thumbnailShown = [this] { return m_window.thumbnail; };
        hooks.openViewer = [this](const QString& path, const QString& name) {
            m_window.viewers.append(path + "|" + name);
        };
        m_browser = new FolderBrowser(m_drive1, m_dir1, m_file1, *this, hooks, m_host.get());
    }

    void cleanup() {
        m_host.reset();
        QDir::setCurrent(m_workingFolder);
        m_dir.reset();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    // Only the names of the engine's list (PhotoKinds) in any case, no hidden
    // files, no folders, sorted without regard to case; a link to a photo
    // counts, a broken link not.
    void fileListing_data() {
        QTest::addColumn<QString>("row");  // "created => listed"
        QTest::newRow("any case")
            << "b.JPG,A.jpeg,z.jpe,w.png,a2.Jpeg,t.txt => A.jpeg,a2.Jpeg,b.JPG,w.png,z.jpe";
        QTest::newRow("other kinds")
            << "IMG_1.HEIC,p.heif,q.hif,r.avif,s.tif,t.TIFF,u.webp,v.mov,w.MP4,x.m4v,y.3gp => "
               "IMG_1.HEIC,p.heif,q.hif,r.avif,s.tif,t.TIFF,u.webp,v.mov,w.MP4,x.m4v,y.3gp";
        QTest::newRow("raw files")
            << "a.dng,b.CR2,c.cr3,d.nef,e.nrw,f.ARW,g.srf,h.sr2,i.pef,j.srw,k.orf,l.Rw2,m.raf,"
               "n.crw,o.x3f => a.dng,b.CR2,c.cr3,d.nef,e.nrw,f.ARW,g.srf,h.sr2,i.pef,j.srw,k.orf,"
               "l.Rw2,m.raf";
        QTest::newRow("hidden, look-alikes")
            << ".x.jpg,.jpg,.heic,.x.CR3,x.jpg.txt,xjpg,x.jpgx,a.heic.bak,heic,b.gif => ";
        QTest::newRow("folders") << "sub.jpg/,sub/inner.jpg,p.jpg => p.jpg";
        QTest::newRow("blanks, Japanese") << "写真 1.jpg,IMG 0001.JPG => IMG 0001.JPG,写真 1.jpg";
#ifndef Q_OS_WIN
        // (A link made by Qt on Windows is a shortcut file, "name.lnk".)
        QTest::newRow("links") << "l.jpg -> top.jpg,broken.jpg -> gone.jpg => l.jpg";
#endif
    }
    void fileListing() {
        QFETCH(QString, row);
        const QString listed = row.section(" => ", 1);
        QString created = "list/," + row.section(" => ", 0, 0);  // all in "list/"
        QVERIFY(makeTree(created.replace(",", ",list/").split(',')));
        m_file1->setPath(at("list"));
        QStringList names;
        for (int i = 0; i <= m_file1->entryCount(); ++i) {
            names.append(m_file1->entry(i));
        }
        QCOMPARE(names, listed.split(',', Qt::SkipEmptyParts) << QString());
        // The first photo is selected at once.
        QCOMPARE(m_window.log.join(','), listed.isEmpty() ? "(clear)" : listed.section(',', 0, 0));
    }

    // The list shows exactly the names the engine takes (tovrin-cli's walk
    // takes the same): every extension of PhotoKinds in lower, upper and mixed
    // case, none of the look-alikes, no hidden name.
    void fileListingIsTheEnginesList() {
        QStringList created = {"list/"};
        QStringList expected;
        for (const PhotoKind& kind : PhotoKinds) {
            const QString ext =
                QString::fromLatin1(kind.extension.data(), qsizetype(kind.extension.size()));
            QString mixed = ext;
            mixed[0] = mixed[0].toUpper();
            for (const QString& name : {"l." + ext, "U." + ext.toUpper(), "m." + mixed}) {
                created << "list/" + name;
                expected << name;
            }
            created << "list/x." + ext + ".txt"
                    << "list/." + ext << "list/.h." + ext;
        }
        QVERIFY(makeTree(created));
        for (const QString& name : created) {
            const QString file = name.section('/', 1);
            const bool hidden = file.startsWith('.');
            if (!file.isEmpty()) {
                QCOMPARE(IsPhotoName(file.toStdString()) && !hidden, expected.contains(file));
            }
        }
        m_file1->setPath(at("list"));
        QStringList names;
        for (int i = 0; i < m_file1->entryCount(); ++i) {
            names.append(m_file1->entry(i));
        }
        expected.sort(Qt::CaseInsensitive);
        names.sort(Qt::CaseInsensitive);
        QCOMPARE(names, expected);
        QCOMPARE(FileList::Pattern.split(';').size(), qsizetype(PhotoKinds.size()));
    }

    // The readout runs for every selection made in code, as for a user's
    // click: the date-setting run relies on it.
    void codeSelectionRunsTheReadout() {
        openAt("photos");
        m_file1->setCurrentEntry(FileList::NoEntry);
        m_file1->setSelected(1, true);  // no current entry: it becomes current
        m_file1->setSelected(2, true);
        QCOMPARE(m_file1->currentEntry(), 1);
        QCOMPARE(m_file1->selectedCount(), 2);
        m_file1->setSelected(1, false);
        QVERIFY(!m_file1->isSelected(1));
        m_file1->setSelected(5, true);  // no such entry: nothing happens
        m_file1->selectEveryEntry();
        QCOMPARE(m_file1->selectedCount(), 3);
        m_file1->setCurrentEntry(2);
        QCOMPARE(m_file1->selectedCount(), 1);
        QCOMPARE(m_window.log.join(','), QStringLiteral(",B.JPEG,B.JPEG,B.JPEG,B.JPEG,c.Jpeg"));

        // The run reports the readout's failures itself, so they must reach it.
        m_window.readoutFails = true;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, m_file1->setCurrentEntry(0));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, m_file1->setSelected(1, true));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, m_file1->selectEveryEntry());
    }

    // A path is kept clean, so the same folder written another way is no
    // change and selects nothing again; a missing folder lists nothing.
    void fileListPaths() {
        openAt("photos");
        m_file1->setPath(m_dir->filePath("disk/photos/"));
        m_file1->setPath(m_dir->filePath("disk/photos/2006/.."));
        QCOMPARE(m_file1->path(), at("photos"));
        m_file1->setPath(at("gone"));
        QCOMPARE(m_file1->entryCount(), 0);
        QCOMPARE(m_window.log, QStringList{"(clear)"});
    }

    // From a folder (none: fresh lists), a script of steps; then where the
    // folder and file lists are, what the window showed, how many files are
    // selected (-1: whatever the machine's root holds).
    void scenario_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("selected");
        row("drive opens at its root", nullptr, "drive", "", "top.jpg", 1);
        row("drive opens at the working folder", nullptr, "cwd:photos/2006 drive", "photos/2006",
            "x.JPG", 1);
        row("folder, first photo", "", "cd:photos", "photos", "a.jpg", 1);
        row("folder without photos", "", "cd:photos/empty", "photos/empty", "(clear)", 0);
        row("current drive chosen again", "photos", "pick:1", "photos", "", 1);
        row("unreadable drive", "photos", "pick:2", "", "エラー,top.jpg", 1);
        row("unreadable drive by arrow key", "photos", "Drive1:Down", "", "エラー,top.jpg", 1);
        row("unreadable drive, back at the working folder", "photos", "cwd:photos/2006 pick:2",
            "photos/2006", "エラー,x.JPG", 1);
        row("Dir1 Backspace", "photos/2006", "Dir1:Backspace", "photos", "a.jpg", 1);
        row("File1 Backspace twice", "photos/2006", "File1:Backspace File1:Backspace", "",
            "a.jpg,top.jpg", 1);
        row("Backspace above the drive", "", "Dir1:Backspace", "..", "(clear)", 0);
        row("Backspace at the root stays", "/", "Dir1:Backspace File1:Backspace", "/", "", -1);
        // The arrows only move the highlight, also onto the ancestors.
        row("Enter on a subfolder", "photos", "Dir1:Down Dir1:Return", "photos/2006", "x.JPG", 1);
        row("keypad Enter on the drive", "photos", "Dir1:Up Dir1:Num+Enter", "", "top.jpg", 1);
        row("Enter on a folder gone meanwhile", "photos", "Dir1:Down rm:photos/2006 Dir1:Return",
            "photos", "エラー", 1);
        row("Enter in the file list", "photos", "File1:Return", "photos", "", 1);
        // A folder gone from the disk: the information is cleared and the
        // lists move to the nearest folder above it that is still there.
        row("F5 in a folder gone meanwhile", "photos/2006", "rm:photos/2006 File1:F5", "photos",
            "(clear),a.jpg", 1);
        row("F5 in the folder list", "photos/2006", "rm:photos/2006 Dir1:F5", "photos",
            "(clear),a.jpg", 1);
        row("F5 in the drive list", "photos/2006", "rm:photos/2006 Drive1:F5", "photos",
            "(clear),a.jpg", 1);
        row("F5 two levels below", "photos/2006", "rm:photos File1:F5", "", "(clear),top.jpg", 1);
        row("Ctrl+A", "photos", "File1:Ctrl+A", "photos", "a.jpg", 3);
        row("Ctrl+Shift+A", "photos", "File1:Ctrl+Shift+A", "photos", "", 1);
        row("Ctrl+Alt+A", "photos", "File1:Ctrl+Alt+A", "photos", "", 1);
        row("Alt+A", "photos", "File1:Alt+A", "photos", "", 1);
        row("Shift+Down", "photos", "File1:Shift+Down", "photos", "B.JPEG", 2);
    }
    void scenario() {
        QFETCH(QString, start);
        QFETCH(QString, script);
        QFETCH(QString, end);
        QFETCH(QStringList, log);
        QFETCH(int, selected);
        if (!start.isNull()) {
            openAt(start);
        }
        run(script);
        QCOMPARE(m_dir1->path(), at(end));
        QCOMPARE(m_file1->path(), at(end));
        QCOMPARE(m_window.log, log);
        QVERIFY(selected < 0 || m_file1->selectedCount() == selected);
        // The status bar shows the folder in the system's own form.
        QVERIFY(m_window.status.isEmpty() ||
                QDir::fromNativeSeparators(m_window.status.last()) == at(end));
    }

    // The drives are read again when the list loses the focus (not to its own
    // pop-up) and on F5; the current drive stays shown after it went away.
    void driveListIsReadAgain() {
        openAt("photos", true);
        QApplication::setActiveWindow(m_host.get());
        m_drive1->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_drive1->hasFocus());
        m_drives.append({m_dir->filePath("card"), "CARD"});
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(m_drive1, &popup);
        QCOMPARE(m_drive1->entryCount(), 3);
        m_file1->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(m_drive1->entryCount(), 4);
        m_drives.removeAt(1);
        run("Drive1:F5");
        QCOMPARE(m_drive1->entry(m_drive1->currentIndex()), at(""));
        QVERIFY(m_window.log.isEmpty());  // the folder list stays
        // Closing the window while the drive list has the focus must not read
        // from a half-destroyed list.
        m_drive1->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_drive1->hasFocus());
        m_host.reset();
    }

    // F5 in the folder list reads the files again and selects the first
    // photo; in the file list it reads the drives and folders as well.
    void f5() {
        openAt("photos");
        m_file1->setCurrentEntry(2);
        m_window.log.clear();
        QVERIFY(makeTree({"photos/0new.JPG", "photos/new/"}));
        QVERIFY(QFile::remove(at("photos/a.jpg")));
        m_drives.append({m_dir->filePath("card"), "CARD"});
        run("Dir1:F5");
        QCOMPARE(m_file1->entryCount(), 3);
        QCOMPARE(m_drive1->entryCount(), 3);
        QCOMPARE(m_dir1->entryCount(), 2);
        run("File1:F5");
        QCOMPARE(m_drive1->entryCount(), 4);
        QCOMPARE(m_dir1->entryCount(), 3);
        QCOMPARE(m_window.log, QStringList({"0new.JPG", "0new.JPG"}));
    }

    // Ancestors from the root down, then the subfolders without hidden ones,
    // sorted without regard to case.
    void folderEntries() {
        QVERIFY(makeTree({"top/Beta/", "top/alpha/", "top/2006/", "top/.hidden/", "top/p.jpg"}));
        m_dir1->setPath(at("top"));
        QCOMPARE(m_dir1->entry(0), at("top/2006"));
        QCOMPARE(m_dir1->entry(2), at("top/Beta"));
        QCOMPARE(m_dir1->entry(3), QString());
        QCOMPARE(m_dir1->entry(FolderList::CurrentFolderEntry), at("top"));
        const int depth = int(at("top").count('/'));
        QCOMPARE(m_dir1->count(), depth + 1 + 3);
        QCOMPARE(m_dir1->entry(FolderList::CurrentFolderEntry - depth), at("/"));
        QCOMPARE(m_dir1->entry(FolderList::CurrentFolderEntry - depth - 1), QString());
        QCOMPARE(m_dir1->item(depth)->text(), QStringLiteral("top"));
    }

    // A folder or a drive that cannot be opened leaves the lists where they are.
    void cannotBeOpened() {
        openAt("photos");
        const auto errorOf = [this](const QString& target) {
            try {
                m_dir1->setPath(at(target));
            } catch (const RuntimeError& e) {
                return e.number();
            }
            return 0;
        };
        QCOMPARE(errorOf("missing/deeper"), error::PathNotFound);
        QCOMPARE(errorOf("photos/a.jpg"), error::PathFileAccess);
        QCOMPARE(m_dir1->path(), at("photos"));
        QCOMPARE(m_dir1->entryCount(), 2);
        m_drives = {{at(""), "DISK"}};
        m_drive1->refresh();
        QVERIFY_THROWS_EXCEPTION(RuntimeError, m_drive1->setDrive("/elsewhere"));
        QVERIFY(m_window.log.isEmpty());
    }

    // A double-click opens a folder, also an ancestor.
    void doubleClickOpensAFolder() {
        openAt("photos", true);
        click(m_dir1, int(m_dir1->count()) - 2, {}, true);  // 2006, the first subfolder
        QCOMPARE(m_dir1->path(), at("photos/2006"));
        click(m_dir1, int(m_dir1->count()) - 2, {}, true);  // the parent, above the current folder
        QCOMPARE(m_dir1->path(), at("photos"));
        QCOMPARE(m_window.log, QStringList({"x.JPG", "a.jpg"}));
    }

    // Clicks and arrow keys run the readout; a double-click reaches the list
    // as a click and then the double-click, and opens the viewer, but only
    // for a current entry whose picture is shown.
    void mouseAndArrowsOnFiles() {
        openAt("photos", true);
        m_file1->setCurrentEntry(FileList::NoEntry);
        m_window.log.clear();
        QTest::mouseClick(m_file1->viewport(), Qt::LeftButton, {}, QPoint(20, 320));  // no entry
        QVERIFY(m_window.log.isEmpty());
        click(m_file1, 1);
        click(m_file1, 0, Qt::ShiftModifier);
        QCOMPARE(m_file1->selectedCount(), 2);
        click(m_file1, 1, Qt::ControlModifier);
        QCOMPARE(m_file1->selectedCount(), 1);
        run("File1:Down");
        QCOMPARE(m_window.log.first(), QStringLiteral("B.JPEG"));
        QCOMPARE(m_window.log.last(), QStringLiteral("c.Jpeg"));
        m_browser->File1_DblClick();  // no picture in the thumbnail
        m_window.thumbnail = true;
        click(m_file1, 1, {}, true);
        QCOMPARE(m_window.viewers, QStringList{at("photos/B.JPEG") + "|B.JPEG"});
        m_file1->setCurrentEntry(FileList::NoEntry);
        m_browser->File1_DblClick();
        QCOMPARE(m_window.viewers.size(), 1);
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::BrowserTest)
#include "browser_test.moc"
