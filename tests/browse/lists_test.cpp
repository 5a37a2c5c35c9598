// The file list and the folder list on their own, on real folders.

#include <memory>
#include <stdexcept>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "browse_fixtures.h"
#include "file_list.h"
#include "folder_list.h"
#include "runtime_error.h"

namespace tovrin {

using test::makeTree;
using test::topLevelCount;

class ListsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FileList> m_files;
    std::unique_ptr<FolderList> m_folders;
    int m_clicks = 0;

    QString at(const QString& relative) const { return m_dir->filePath(relative); }

    FileList& files() {
        m_files = std::make_unique<FileList>();
        m_files->setClickHandler([this] { ++m_clicks; });
        return *m_files;
    }

    FileList& shownFiles(const QString& folder) {
        FileList& list = files();
        list.setPath(folder);
        list.resize(300, 400);
        list.show();
        if (!QTest::qWaitForWindowExposed(&list)) {
            qWarning("file list not exposed");
        }
        return list;
    }

    QPoint centreOf(const FileList& list, int row) const {
        return list.visualRect(list.model()->index(row, 0)).center();
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_clicks = 0;
    }

    void cleanup() {
        m_files.reset();
        m_folders.reset();
        m_dir.reset();
        QCOMPARE(topLevelCount(), 0);
    }

    void fileListing_data() {
        QTest::addColumn<QStringList>("created");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("jpg and jpeg in any case")
            << QStringList{"x.JPG", "y.Jpeg", "z.jpe", "w.png"} << QStringList{"x.JPG", "y.Jpeg"};
        QTest::newRow("sorted without regard to case")
            << QStringList{"b.jpg", "A.jpg", "c.JPEG", "a2.jpg"}
            << QStringList{"A.jpg", "a2.jpg", "b.jpg", "c.JPEG"};
        QTest::newRow("hidden files and look-alikes left out")
            << QStringList{".x.jpg", ".jpg", "x.jpg.txt", "xjpg", "x.jpgx", "x.jp"}
            << QStringList{};
        QTest::newRow("folders named like photos left out")
            << QStringList{"sub.jpg/", "album.JPEG/", "p.jpg"} << QStringList{"p.jpg"};
        QTest::newRow("blanks and Japanese names as the disk has them")
            << QStringList{"写真 1.jpg", "IMG 0001.JPG", "img 0002.jpeg"}
            << QStringList{"IMG 0001.JPG", "img 0002.jpeg", "写真 1.jpg"};
        QTest::newRow("photos in subfolders are not listed")
            << QStringList{"sub/inner.jpg", "top.jpg"} << QStringList{"top.jpg"};
        QTest::newRow("no photos") << QStringList{"a.txt", "b.png"} << QStringList{};
    }
    void fileListing() {
        QFETCH(QStringList, created);
        QFETCH(QStringList, listed);
        QVERIFY(makeTree(m_dir->path(), created));
        FileList& list = files();
        list.setPath(m_dir->path());
        QCOMPARE(list.ListCount(), listed.size());
        for (int i = 0; i < listed.size(); ++i) {
            QCOMPARE(list.List(i), listed.at(i));
        }
        QCOMPARE(list.List(int(listed.size())), QString());
        QCOMPARE(list.List(-1), QString());
        QCOMPARE(FileList::Pattern, QStringLiteral("*.jpg;*.jpeg"));
    }

    void linksToPhotosListedBrokenLinksNot() {
        QVERIFY(makeTree(at("elsewhere"), {"real.jpg"}));
        QVERIFY(makeTree(at("folder"), {"own.jpg"}));
        QVERIFY(QFile::link(at("elsewhere/real.jpg"), at("folder/linked.jpg")));
        QVERIFY(QFile::link(at("elsewhere/missing.jpg"), at("folder/broken.jpg")));
        FileList& list = files();
        list.setPath(at("folder"));
        QCOMPARE(list.ListCount(), 2);
        QCOMPARE(list.List(0), QStringLiteral("linked.jpg"));
        QCOMPARE(list.List(1), QStringLiteral("own.jpg"));
    }

    void pathIsKeptCleanAndChangesOnce() {
        QVERIFY(makeTree(m_dir->path(), {"a/1.jpg", "b/"}));
        FileList& list = files();
        QSignalSpy changed(&list, &FileList::pathChanged);
        list.setPath(at("a") + "/");
        QCOMPARE(list.Path(), at("a"));
        QCOMPARE(changed.count(), 1);
        list.setPath(at("b/../a"));
        QCOMPARE(changed.count(), 1);
        list.setPath(at("b"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(m_clicks, 0);  // a new folder selects nothing by itself
    }

    void missingFolderListsNothing() {
        FileList& list = files();
        list.setPath(at("gone"));
        QCOMPARE(list.Path(), at("gone"));
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(list.FileName(), QString());
        QCOMPARE(list.ListIndex(), -1);
    }

    void refreshReadsTheDiskAgain() {
        QVERIFY(makeTree(m_dir->path(), {"b.jpg", "c.jpg"}));
        FileList& list = files();
        list.setPath(m_dir->path());
        list.setListIndex(1);
        QVERIFY(makeTree(m_dir->path(), {"a.JPG"}));
        QVERIFY(QFile::remove(at("c.jpg")));
        QCOMPARE(list.ListCount(), 2);  // nothing is read until asked
        const int clicks = m_clicks;
        list.Refresh();
        QCOMPARE(list.ListCount(), 2);
        QCOMPARE(list.List(0), QStringLiteral("a.JPG"));
        QCOMPARE(list.List(1), QStringLiteral("b.jpg"));
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.SelectedCount(), 0);
        QCOMPARE(m_clicks, clicks);
    }

    // Selecting in code runs the click handling, as a user's click does; the
    // date-setting run and the lists' keys rely on it.
    void codeSelectionRunsTheClickHandler() {
        QVERIFY(makeTree(m_dir->path(), {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
        FileList& list = files();
        list.setPath(m_dir->path());
        QString seen;
        list.setClickHandler([&] {
            ++m_clicks;
            seen = list.FileName();
        });

        list.setListIndex(1);
        QCOMPARE(m_clicks, 1);
        QCOMPARE(seen, QStringLiteral("b.jpg"));
        QCOMPARE(list.SelectedCount(), 1);
        QVERIFY(list.Selected(1));

        list.setSelected(3, true);
        QCOMPARE(m_clicks, 2);
        QCOMPARE(list.ListIndex(), 1);  // adding to the selection keeps the current entry
        QCOMPARE(list.SelectedCount(), 2);
        QVERIFY(list.Selected(3));

        list.setSelected(1, false);
        QCOMPARE(m_clicks, 3);
        QVERIFY(!list.Selected(1));
        QCOMPARE(list.SelectedCount(), 1);

        list.selectEveryEntry();
        QCOMPARE(m_clicks, 4);
        QCOMPARE(list.SelectedCount(), 4);

        list.setListIndex(2);
        QCOMPARE(list.SelectedCount(), 1);
        QCOMPARE(seen, QStringLiteral("c.jpg"));

        list.setListIndex(-1);
        QCOMPARE(m_clicks, 6);
        QCOMPARE(list.SelectedCount(), 0);
        QCOMPARE(list.FileName(), QString());
    }

    void selectingWithoutCurrentEntryMakesItCurrent() {
        QVERIFY(makeTree(m_dir->path(), {"a.jpg", "b.jpg"}));
        FileList& list = files();
        list.setPath(m_dir->path());
        list.setSelected(1, true);
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(list.FileName(), QStringLiteral("b.jpg"));
        list.setSelected(5, true);  // no such entry: nothing happens
        QCOMPARE(m_clicks, 1);
    }

    // The run reports the readout's failures itself, so they must reach it.
    void clickHandlerErrorsReachTheCaller() {
        QVERIFY(makeTree(m_dir->path(), {"a.jpg"}));
        FileList& list = files();
        list.setPath(m_dir->path());
        list.setClickHandler([] { throw RuntimeError(error::FileNotFound); });
        bool caught = false;
        try {
            list.setListIndex(0);
        } catch (const RuntimeError& e) {
            caught = e.number() == error::FileNotFound;
        }
        QVERIFY(caught);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, list.setSelected(0, true));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, list.selectEveryEntry());
    }

    void mouseSelection() {
        QVERIFY(makeTree(m_dir->path(), {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
        FileList& list = shownFiles(m_dir->path());
        QWidget* area = list.viewport();

        QTest::mouseClick(area, Qt::LeftButton, {}, centreOf(list, 0));
        QCOMPARE(m_clicks, 1);
        QCOMPARE(list.FileName(), QStringLiteral("a.jpg"));

        QTest::mouseClick(area, Qt::LeftButton, Qt::ShiftModifier, centreOf(list, 2));
        QVERIFY(m_clicks >= 2);
        QCOMPARE(list.SelectedCount(), 3);
        QCOMPARE(list.ListIndex(), 2);

        const int clicks = m_clicks;
        QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, centreOf(list, 1));
        QVERIFY(m_clicks > clicks);
        QVERIFY(!list.Selected(1));
        QCOMPARE(list.SelectedCount(), 2);

        QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, centreOf(list, 3));
        QCOMPARE(list.SelectedCount(), 3);

        QTest::mouseClick(area, Qt::LeftButton, {}, centreOf(list, 3));
        QCOMPARE(list.SelectedCount(), 1);
        QCOMPARE(list.FileName(), QStringLiteral("d.jpg"));
    }

    void clickBelowTheEntriesIsNoClick() {
        QVERIFY(makeTree(m_dir->path(), {"a.jpg"}));
        FileList& list = shownFiles(m_dir->path());
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 380));
        QCOMPARE(m_clicks, 0);
    }

    void arrowKeysMoveTheSelection() {
        QVERIFY(makeTree(m_dir->path(), {"a.jpg", "b.jpg", "c.jpg"}));
        FileList& list = shownFiles(m_dir->path());
        list.setListIndex(0);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(m_clicks, 2);
        QCOMPARE(list.FileName(), QStringLiteral("b.jpg"));
        QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(m_clicks, 3);
        QCOMPARE(list.SelectedCount(), 2);
    }

    void largeFolder() {
        constexpr int count = 20000;
        QDir dir(m_dir->path());
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("IMG_%1.%2")
                                     .arg(i, 5, 10, QLatin1Char('0'))
                                     .arg(i % 2 ? "JPG" : "jpeg");
            QVERIFY(test::touch(dir.filePath(name)));
        }
        QVERIFY(test::touch(dir.filePath("notes.txt")));
        FileList& list = shownFiles(m_dir->path());
        QCOMPARE(list.ListCount(), count);
        QCOMPARE(list.List(0), QStringLiteral("IMG_00000.jpeg"));
        QCOMPARE(list.List(count - 1), QStringLiteral("IMG_19999.JPG"));
        list.setListIndex(count - 1);
        list.selectEveryEntry();
        QCOMPARE(list.SelectedCount(), count);
        QVERIFY(list.Selected(count / 2));
    }

    void folderEntries() {
        QVERIFY(makeTree(m_dir->path(), {"top/Beta/", "top/alpha/", "top/2006/", "top/.hidden/",
                                         "top/photo.jpg", "top/alpha/deeper/"}));
        m_folders = std::make_unique<FolderList>();
        FolderList& list = *m_folders;
        list.setPath(at("top"));
        QCOMPARE(list.Path(), at("top"));
        QCOMPARE(list.ListCount(), 3);
        QCOMPARE(list.List(0), at("top/2006"));
        QCOMPARE(list.List(1), at("top/alpha"));
        QCOMPARE(list.List(2), at("top/Beta"));
        QCOMPARE(list.List(3), QString());
        QCOMPARE(list.List(-1), at("top"));
        QCOMPARE(list.List(-2), m_dir->path());

        // Ancestors from the root down, then the subfolders.
        const int depth = int(at("top").count(QLatin1Char('/')));
        QCOMPARE(list.count(), depth + 1 + 3);
        QCOMPARE(list.List(-(depth + 1)), QStringLiteral("/"));
        QCOMPARE(list.List(-(depth + 2)), QString());
        QCOMPARE(list.item(0)->text(), QStringLiteral("/"));
        QCOMPARE(list.item(depth)->text(), QStringLiteral("top"));
        QCOMPARE(list.item(depth + 1)->text(), QStringLiteral("2006"));
    }

    void highlightIsNotThePath() {
        QVERIFY(makeTree(m_dir->path(), {"top/a/", "top/b/"}));
        m_folders = std::make_unique<FolderList>();
        FolderList& list = *m_folders;
        QSignalSpy changed(&list, &FolderList::pathChanged);
        list.setPath(at("top"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(list.ListIndex(), -1);
        list.setListIndex(1);
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(list.Path(), at("top"));
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(list.ListIndex(), 0);
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(list.ListIndex(), -1);
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(list.ListIndex(), -2);
        QCOMPARE(list.Path(), at("top"));
        QCOMPARE(changed.count(), 1);

        list.setListIndex(0);
        QVERIFY(makeTree(m_dir->path(), {"top/0new/"}));
        list.Refresh();
        QCOMPARE(list.ListCount(), 3);
        QCOMPARE(list.List(list.ListIndex()), at("top/a"));  // the highlight follows its folder

        list.setPath(at("top"));  // the same folder: read again, no change
        QCOMPARE(changed.count(), 1);
        QCOMPARE(list.ListIndex(), -1);
    }

    void refreshOfAVanishedFolder() {
        QVERIFY(makeTree(m_dir->path(), {"top/a/"}));
        m_folders = std::make_unique<FolderList>();
        m_folders->setPath(at("top"));
        QVERIFY(QDir(at("top")).removeRecursively());
        m_folders->Refresh();
        QCOMPARE(m_folders->ListCount(), 0);
        QCOMPARE(m_folders->Path(), at("top"));
    }

    void folderThatCannotBeOpened_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("number");
        QTest::newRow("missing folder") << "missing" << error::PathNotFound;
        QTest::newRow("missing parent") << "missing/deeper" << error::PathNotFound;
        QTest::newRow("a file") << "top/photo.jpg" << error::PathFileAccess;
    }
    void folderThatCannotBeOpened() {
        QFETCH(QString, target);
        QFETCH(int, number);
        QVERIFY(makeTree(m_dir->path(), {"top/a/", "top/photo.jpg"}));
        m_folders = std::make_unique<FolderList>();
        FolderList& list = *m_folders;
        list.setPath(at("top"));
        QSignalSpy changed(&list, &FolderList::pathChanged);
        int thrown = 0;
        try {
            list.setPath(at(target));
        } catch (const RuntimeError& e) {
            thrown = e.number();
        }
        QCOMPARE(thrown, number);
        QCOMPARE(list.Path(), at("top"));
        QCOMPARE(list.ListCount(), 1);
        QCOMPARE(changed.count(), 0);
    }
};

}  // namespace tovrin

QTEST_MAIN(tovrin::ListsTest)
#include "lists_test.moc"
