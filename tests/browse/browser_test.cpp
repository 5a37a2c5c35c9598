// The three linked lists on a real folder tree: the chain from drive to
// photo, the keys, the drive that cannot be read and the viewer hook.

#include <memory>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QTemporaryDir>
#include <QTest>

#include "browse_fixtures.h"
#include "folder_browser.h"
#include "list_keys.h"
#include "runtime_error.h"

namespace tovrin {

using test::makeTree;
using test::RecordingBoxes;

class BrowserTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_workingFolder;
    QList<Drive> m_drives;
    RecordingBoxes m_boxes;
    std::unique_ptr<QWidget> m_host;
    DriveList* m_drive1 = nullptr;
    FolderList* m_dir1 = nullptr;
    FileList* m_file1 = nullptr;
    FolderBrowser* m_browser = nullptr;

    // What the window was asked to do.
    QStringList m_readouts;  // the current file name at each readout
    int m_clears = 0;
    QStringList m_statusTexts;
    bool m_thumbnail = false;
    QStringList m_viewers;  // "full path|file name"

    QString at(const QString& relative) const {
        return relative.isEmpty() ? m_dir->filePath("disk") : m_dir->filePath("disk/" + relative);
    }

    void build() {
        m_host = std::make_unique<QWidget>();
        m_drive1 = new DriveList(m_host.get(), [this] { return m_drives; });
        m_dir1 = new FolderList(m_host.get());
        m_file1 = new FileList(m_host.get());
        m_drive1->setGeometry(0, 0, 200, 25);
        m_dir1->setGeometry(0, 30, 200, 300);
        m_file1->setGeometry(210, 0, 200, 330);
        BrowserHooks hooks;
        hooks.readout = [this] { m_readouts.append(m_file1->FileName()); };
        hooks.clearInformation = [this] { ++m_clears; };
        hooks.showFolder = [this](const QString& folder) { m_statusTexts.append(folder); };
        hooks.thumbnailShown = [this] { return m_thumbnail; };
        hooks.openViewer = [this](const QString& fullPath, const QString& fileName) {
            m_viewers.append(fullPath + "|" + fileName);
        };
        m_browser = new FolderBrowser(m_drive1, m_dir1, m_file1, m_boxes, hooks, m_host.get());
    }

    void show() {
        m_host->resize(420, 340);
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    }

    // Places the lists on a folder of the test drive, as start-up does, and
    // forgets what that showed.
    void openAt(const QString& relative) {
        m_drive1->setDrive(at(""));
        m_dir1->setPath(at(relative));
        m_readouts.clear();
        m_statusTexts.clear();
        m_clears = 0;
    }

    void clickFolderEntry(int listIndex, bool twice) {
        const int row = listIndex + int(m_dir1->count()) - m_dir1->ListCount();
        const QPoint centre = m_dir1->visualItemRect(m_dir1->item(row)).center();
        QTest::mouseClick(m_dir1->viewport(), Qt::LeftButton, {}, centre);
        if (twice) {
            QTest::mouseDClick(m_dir1->viewport(), Qt::LeftButton, {}, centre);
        }
    }

    QWidget* listNamed(const QString& name) const {
        if (name == "Drive1") {
            return m_drive1;
        }
        return name == "Dir1" ? static_cast<QWidget*>(m_dir1) : m_file1;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(makeTree(m_dir->filePath("disk"),
                         {"top.jpg", "photos/a.jpg", "photos/B.JPEG", "photos/c.Jpeg",
                          "photos/.x.jpg", "photos/d.png", "photos/e.jpe", "photos/2006/x.JPG",
                          "photos/2006/y.jpeg", "photos/empty/", "photos/.hidden/"}));
        // The root volume, the test's own "mounted" volume, and a listed
        // volume that can no longer be opened (a removed card).
        m_drives = {{"/", ""}, {at(""), "DISK"}, {m_dir->filePath("gone"), "GONE"}};
        m_workingFolder = QDir::currentPath();
        m_boxes.shown.clear();
        m_readouts.clear();
        m_statusTexts.clear();
        m_viewers.clear();
        m_clears = 0;
        m_thumbnail = false;
        build();
    }

    void cleanup() {
        m_host.reset();
        QDir::setCurrent(m_workingFolder);
        m_dir.reset();
        QCOMPARE(test::topLevelCount(), 0);
    }

    void driveChangeRunsTheChainToTheFirstPhoto() {
        m_drive1->setDrive(at(""));
        QCOMPARE(m_dir1->Path(), at(""));
        QCOMPARE(m_file1->Path(), at(""));
        QCOMPARE(m_readouts, QStringList{"top.jpg"});
        QCOMPARE(m_statusTexts, QStringList{at("")});
        QCOMPARE(m_file1->ListIndex(), 0);
        QVERIFY(m_file1->Selected(0));
        QVERIFY(m_boxes.shown.empty());
    }

    void drivePlacesTheListOnItsCurrentFolder() {
        QVERIFY(QDir::setCurrent(at("photos/2006")));
        m_drive1->setDrive(at(""));
        QCOMPARE(m_dir1->Path(), at("photos/2006"));
        QCOMPARE(m_readouts, QStringList{"x.JPG"});
    }

    void folderChangeMovesTheFileList_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("readouts");
        QTest::addColumn<int>("clears");
        QTest::newRow("photos") << "photos" << 3 << QStringList{"a.jpg"} << 0;
        QTest::newRow("upper-case photos") << "photos/2006" << 2 << QStringList{"x.JPG"} << 0;
        QTest::newRow("folder without photos") << "photos/empty" << 0 << QStringList{} << 1;
    }
    void folderChangeMovesTheFileList() {
        QFETCH(QString, folder);
        QFETCH(int, count);
        QFETCH(QStringList, readouts);
        QFETCH(int, clears);
        openAt("");
        m_dir1->setPath(at(folder));
        QCOMPARE(m_file1->Path(), at(folder));
        QCOMPARE(m_file1->ListCount(), count);
        QCOMPARE(m_readouts, readouts);
        QCOMPARE(m_clears, clears);
        QCOMPARE(m_statusTexts, QStringList{at(folder)});
    }

    void driveThatCannotBeRead_data() {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("landing");
        QTest::newRow("chosen from the list") << false << QString() << QString();
        QTest::newRow("chosen with the arrow key") << true << QString() << QString();
        QTest::newRow("back on the drive's current folder") << false << "photos/2006"
                                                            << "photos/2006";
    }
    void driveThatCannotBeRead() {
        QFETCH(bool, byKey);
        QFETCH(QString, working);
        QFETCH(QString, landing);
        if (!working.isNull()) {
            QVERIFY(QDir::setCurrent(at(working)));
        }
        openAt("photos");
        const int gone = 2;
        QCOMPARE(m_drive1->List(gone), m_dir->filePath("gone"));
        if (byKey) {
            QTest::keyClick(m_drive1, Qt::Key_Down);
        } else {
            emit m_drive1->activated(gone);
        }
        QCOMPARE(int(m_boxes.shown.size()), 1);
        QCOMPARE(m_boxes.shown[0].text, std::string("エラー"));
        QCOMPARE(m_boxes.shown[0].buttons, MsgButtons::Ok);
        QCOMPARE(m_boxes.shown[0].icon, MsgIcon::None);
        QCOMPARE(m_boxes.shown[0].title, std::string("Tovrin"));
        // The drive list is back on the folder list's drive, and that change
        // placed the folder list on the drive's current folder.
        QCOMPARE(m_drive1->Drive(), at(""));
        QCOMPARE(m_drive1->currentIndex(), 1);
        QCOMPARE(m_dir1->Path(), at(landing));
        QCOMPARE(m_file1->Path(), at(landing));
        QCOMPARE(m_readouts.size(), 1);
    }

    void chosenDriveThatIsAlreadyCurrentDoesNothing() {
        openAt("photos");
        emit m_drive1->activated(1);
        QCOMPARE(m_dir1->Path(), at("photos"));
        QVERIFY(m_readouts.isEmpty());
    }

    void unknownDriveIsRefused() {
        m_drives = {{at(""), "DISK"}};
        m_host.reset();
        build();
        bool refused = false;
        try {
            m_drive1->setDrive("/elsewhere");
        } catch (const RuntimeError& e) {
            refused = e.number() == error::DeviceUnavailable;
        }
        QVERIFY(refused);
    }

    void driveListIsReadAgain() {
        openAt("photos");
        QCOMPARE(m_drive1->ListCount(), 3);
        m_drives.append({m_dir->filePath("card"), "CARD"});

        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(m_drive1, &popup);
        QCOMPARE(m_drive1->ListCount(), 3);

        QFocusEvent lost(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(m_drive1, &lost);
        QCOMPARE(m_drive1->ListCount(), 4);

        m_drives.removeLast();
        QTest::keyClick(m_drive1, Qt::Key_F5);
        QCOMPARE(m_drive1->ListCount(), 3);
        QCOMPARE(m_drive1->Drive(), at(""));
        QCOMPARE(m_drive1->currentIndex(), 1);

        // The current drive, gone from the system, stays shown.
        m_drives.removeAt(1);
        QTest::keyClick(m_drive1, Qt::Key_F5);
        QCOMPARE(m_drive1->Drive(), at(""));
        QCOMPARE(m_drive1->List(m_drive1->currentIndex()), at(""));
        QCOMPARE(m_dir1->Path(), at("photos"));
        QVERIFY(m_boxes.shown.empty());
    }

    void focusMovingOnReadsTheDrivesAgain() {
        show();
        openAt("photos");
        QApplication::setActiveWindow(m_host.get());
        m_drive1->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_drive1->hasFocus());
        m_drives.append({m_dir->filePath("card"), "CARD"});
        m_file1->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_file1->hasFocus());
        QCOMPARE(m_drive1->ListCount(), 4);
        // Closing the window while the drive list has the focus reads nothing
        // from a half-destroyed list.
        m_drive1->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_drive1->hasFocus());
        m_host.reset();
    }

    // Pending events are let through exactly where the lists' handlers say.
    void pendingEvents_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("processed");
        QTest::newRow("drive list, F5") << "Drive1" << int(Qt::Key_F5) << true;
        QTest::newRow("drive list, any key") << "Drive1" << int(Qt::Key_Shift) << true;
        QTest::newRow("file list, Enter") << "File1" << int(Qt::Key_Return) << true;
        QTest::newRow("file list, F5") << "File1" << int(Qt::Key_F5) << false;
        QTest::newRow("folder list, F5") << "Dir1" << int(Qt::Key_F5) << false;
        QTest::newRow("folder list, Enter") << "Dir1" << int(Qt::Key_Return) << false;
    }
    void pendingEvents() {
        QFETCH(QString, list);
        QFETCH(int, key);
        QFETCH(bool, processed);
        openAt("photos");
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        QTest::keyClick(listNamed(list), Qt::Key(key));
        QCOMPARE(ran, processed);
        QTRY_VERIFY(ran);
    }

    void focusLossLetsPendingEventsThrough() {
        openAt("photos");
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        QFocusEvent lost(QEvent::FocusOut, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(m_drive1, &lost);
        QVERIFY(ran);
    }

    void backspace_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("end");
        for (const char* list : {"Dir1", "File1"}) {
            QTest::addRow("%s: one up", list) << list << "photos/2006" << 1 << "photos";
            QTest::addRow("%s: two up", list) << list << "photos/2006" << 2 << "";
            QTest::addRow("%s: into the parent of the drive", list) << list << "" << 1 << "..";
            QTest::addRow("%s: root stays", list) << list << "/" << 2 << "/";
        }
    }
    void backspace() {
        QFETCH(QString, list);
        QFETCH(QString, start);
        QFETCH(int, presses);
        QFETCH(QString, end);
        const auto place = [this](const QString& relative) {
            if (relative == "/") {
                return relative;
            }
            return relative == ".." ? m_dir->path() : at(relative);
        };
        openAt("");
        m_dir1->setPath(place(start));
        m_readouts.clear();
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(listNamed(list), Qt::Key_Backspace);
        }
        QCOMPARE(m_dir1->Path(), place(end));
        QCOMPARE(m_file1->Path(), place(end));
        if (start == "/") {
            QVERIFY(m_readouts.isEmpty());  // nothing changed
        }
        QVERIFY(m_boxes.shown.empty());
    }

    void toolbarUpIsTheFolderListsBackspace() {
        openAt("photos/2006");
        QVERIFY(m_browser->Dir1_KeyPress(keys::Backspace));
        QCOMPARE(m_dir1->Path(), at("photos"));
        QCOMPARE(m_readouts, QStringList{"a.jpg"});
        QCOMPARE(m_statusTexts, QStringList{at("photos")});
    }

    void enterOpensTheHighlightedFolder() {
        openAt("photos");
        QCOMPARE(m_dir1->ListCount(), 2);  // 2006, empty; hidden left out
        QTest::keyClick(m_dir1, Qt::Key_Down);
        QCOMPARE(m_dir1->ListIndex(), 0);
        QCOMPARE(m_dir1->Path(), at("photos"));  // highlighted, not opened
        QCOMPARE(m_file1->Path(), at("photos"));
        QVERIFY(m_readouts.isEmpty());

        QTest::keyClick(m_dir1, Qt::Key_Return);
        QCOMPARE(m_dir1->Path(), at("photos/2006"));
        QCOMPARE(m_file1->Path(), at("photos/2006"));
        QCOMPARE(m_readouts, QStringList{"x.JPG"});

        // An ancestor opens as well: the highlight two rows up is the drive.
        QTest::keyClick(m_dir1, Qt::Key_Up);
        QTest::keyClick(m_dir1, Qt::Key_Up);
        QCOMPARE(m_dir1->ListIndex(), -3);
        QTest::keyClick(m_dir1, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(m_dir1->Path(), at(""));
        QCOMPARE(m_readouts, (QStringList{"x.JPG", "top.jpg"}));
    }

    void mouseHighlightsAndDoubleClickOpens() {
        show();
        openAt("photos");
        clickFolderEntry(1, false);
        QCOMPARE(m_dir1->ListIndex(), 1);
        QCOMPARE(m_dir1->Path(), at("photos"));
        QVERIFY(m_readouts.isEmpty());

        clickFolderEntry(0, true);
        QCOMPARE(m_dir1->Path(), at("photos/2006"));
        QCOMPARE(m_readouts, QStringList{"x.JPG"});

        clickFolderEntry(-2, true);  // the parent, shown above the current folder
        QCOMPARE(m_dir1->Path(), at("photos"));

        clickFolderEntry(1, true);
        QCOMPARE(m_dir1->Path(), at("photos/empty"));
        QCOMPARE(m_file1->ListCount(), 0);
        QCOMPARE(m_clears, 1);
        QCOMPARE(m_statusTexts.size(), 3);
        QVERIFY(m_boxes.shown.empty());
    }

    void highlightedFolderGoneMeanwhile() {
        openAt("photos");
        m_dir1->setListIndex(0);
        QVERIFY(QDir(at("photos/2006")).removeRecursively());
        QTest::keyClick(m_dir1, Qt::Key_Return);
        QCOMPARE(int(m_boxes.shown.size()), 1);
        QCOMPARE(m_boxes.shown[0].text, std::string("エラー"));
        QCOMPARE(m_dir1->Path(), at("photos"));
        QCOMPARE(m_dir1->ListCount(), 1);
        QCOMPARE(m_file1->Path(), at("photos"));
        QVERIFY(m_readouts.isEmpty());
    }

    void f5InTheFileListReadsEverythingAgain() {
        openAt("photos");
        m_file1->setListIndex(2);
        m_readouts.clear();
        QVERIFY(makeTree(at("photos"), {"0new.JPG", "new/"}));
        QVERIFY(QFile::remove(at("photos/a.jpg")));
        m_drives.append({m_dir->filePath("card"), "CARD"});

        QTest::keyClick(m_file1, Qt::Key_F5);
        QCOMPARE(m_drive1->ListCount(), 4);
        QCOMPARE(m_dir1->ListCount(), 3);
        QCOMPARE(m_file1->ListCount(), 3);
        QCOMPARE(m_file1->List(0), QStringLiteral("0new.JPG"));
        QCOMPARE(m_file1->ListIndex(), 0);
        QCOMPARE(m_file1->SelectedCount(), 1);
        QCOMPARE(m_readouts, QStringList{"0new.JPG"});
    }

    void f5InAnEmptiedFolderSelectsNothing() {
        openAt("photos/2006");
        QVERIFY(QFile::remove(at("photos/2006/x.JPG")));
        QVERIFY(QFile::remove(at("photos/2006/y.jpeg")));
        QTest::keyClick(m_file1, Qt::Key_F5);
        QCOMPARE(m_file1->ListCount(), 0);
        QVERIFY(m_readouts.isEmpty());
        QCOMPARE(m_clears, 0);
    }

    void f5InTheFolderListReadsTheFiles() {
        openAt("photos");
        QVERIFY(makeTree(at("photos"), {"0new.jpg"}));
        m_drives.append({m_dir->filePath("card"), "CARD"});
        QTest::keyClick(m_dir1, Qt::Key_F5);
        QCOMPARE(m_file1->ListCount(), 4);
        QCOMPARE(m_readouts, QStringList{"0new.jpg"});
        QCOMPARE(m_drive1->ListCount(), 3);  // only the file list is read again
    }

    void selectAll_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("readouts");
        QTest::newRow("Ctrl+A") << Qt::KeyboardModifiers(Qt::ControlModifier) << 3 << 1;
        QTest::newRow("Ctrl+Shift+A") << (Qt::ControlModifier | Qt::ShiftModifier) << 1 << 0;
        QTest::newRow("Ctrl+Alt+A") << (Qt::ControlModifier | Qt::AltModifier) << 1 << 0;
        QTest::newRow("Alt+A") << Qt::KeyboardModifiers(Qt::AltModifier) << 1 << 0;
    }
    void selectAll() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, selected);
        QFETCH(int, readouts);
        openAt("photos");
        m_file1->setListIndex(0);
        m_readouts.clear();
        QTest::keyClick(m_file1, Qt::Key_A, modifiers);
        QCOMPARE(m_file1->SelectedCount(), selected);
        QCOMPARE(m_readouts.size(), readouts);
        QCOMPARE(m_file1->ListIndex(), 0);
    }

    void enterInTheFileListChangesNothing() {
        openAt("photos");
        m_file1->setListIndex(1);
        m_readouts.clear();
        QTest::keyClick(m_file1, Qt::Key_Return);
        QCOMPARE(m_file1->ListIndex(), 1);
        QCOMPARE(m_file1->SelectedCount(), 1);
        QCOMPARE(m_dir1->Path(), at("photos"));
        QVERIFY(m_readouts.isEmpty());
        QVERIFY(m_viewers.isEmpty());
    }

    void viewer_data() {
        QTest::addColumn<bool>("thumbnail");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("opened");
        QTest::newRow("photo shown") << true << 1 << "B.JPEG";
        QTest::newRow("no picture in the thumbnail") << false << 1 << "";
        QTest::newRow("no current entry") << true << -1 << "";
    }
    void viewer() {
        QFETCH(bool, thumbnail);
        QFETCH(int, entry);
        QFETCH(QString, opened);
        openAt("photos");
        m_file1->setListIndex(entry);
        m_thumbnail = thumbnail;
        m_browser->File1_DblClick();
        if (opened.isEmpty()) {
            QVERIFY(m_viewers.isEmpty());
        } else {
            QCOMPARE(m_viewers, QStringList{at("photos/") + opened + "|" + opened});
        }
    }

    void doubleClickOnAPhotoOpensTheViewer() {
        show();
        openAt("photos/2006");
        m_thumbnail = true;
        const QPoint centre = m_file1->visualRect(m_file1->model()->index(1, 0)).center();
        // A double-click reaches the list as a click followed by the
        // double-click event.
        QTest::mouseClick(m_file1->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(m_file1->viewport(), Qt::LeftButton, {}, centre);
        QVERIFY(m_readouts.contains("y.jpeg"));
        QCOMPARE(m_viewers, QStringList{at("photos/2006/y.jpeg") + "|y.jpeg"});
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::BrowserTest)
#include "browser_test.moc"
