#include "browse/folder_browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

#include "browse/parent_folder.h"
#include "exif/runtime_error.h"
#include "ui/path_text.h"
#include "ui/virtual_keys.h"

namespace tovrin {

FolderBrowser::FolderBrowser(DriveList* drive1, FolderList* dir1, FileList* file1,
                             MessageBoxes& boxes, BrowserHooks hooks, QObject* parent)
    : QObject(parent),
      m_drive1(drive1),
      m_dir1(dir1),
      m_file1(file1),
      m_boxes(boxes),
      m_hooks(std::move(hooks)) {
    connect(m_drive1, &DriveList::driveChanged, this, &FolderBrowser::Drive1_Change);
    connect(m_drive1, &DriveList::focusLost, this, &FolderBrowser::Drive1_LostFocus);
    connect(m_dir1, &FolderList::pathChanged, this, &FolderBrowser::Dir1_Change);
    connect(m_dir1, &QAbstractItemView::doubleClicked, this, &FolderBrowser::Dir1_DblClick);
    connect(m_file1, &FileList::pathChanged, this, &FolderBrowser::File1_PathChange);
    connect(m_file1, &QAbstractItemView::doubleClicked, this, &FolderBrowser::File1_DblClick);
    m_file1->setClickHandler([this] {
        if (m_hooks.readout) {
            m_hooks.readout();
        }
    });
    m_drive1->installEventFilter(this);
    m_dir1->installEventFilter(this);
    m_file1->installEventFilter(this);
}

void FolderBrowser::Drive1_Change() {
    try {
        m_dir1->setPath(m_drive1->CurrentFolderOf(m_drive1->drive()));
    } catch (const RuntimeError&) {
        showError();
        // Going back is again a drive change and comes through here. Back on
        // the folder list's own drive it cannot fail the same way twice: the
        // drive list then already shows that drive and raises no change.
        const QString back = m_drive1->driveRootOf(m_dir1->path());
        if (!back.isEmpty()) {
            m_drive1->setDrive(back);
        }
    }
}

bool FolderBrowser::Drive1_KeyDown(int keyCode, int /*shift*/) {
    QCoreApplication::processEvents();
    if (keyCode == keys::F5) {
        m_drive1->refresh();
        followVanishedFolder();
        return true;
    }
    return false;
}

void FolderBrowser::Drive1_LostFocus() {
    m_drive1->refresh();
    followVanishedFolder();
    QCoreApplication::processEvents();
}

void FolderBrowser::Dir1_Change() {
    m_file1->setPath(m_dir1->path());
    if (m_hooks.showFolder) {
        m_hooks.showFolder(QDir::toNativeSeparators(m_dir1->path()));
    }
}

bool FolderBrowser::Dir1_KeyDown(int keyCode, int /*shift*/) {
    if (keyCode == keys::F5) {
        m_file1->refresh();
        if (!followVanishedFolder()) {
            selectFirstPhoto();
        }
        return true;
    }
    return false;
}

bool FolderBrowser::Dir1_KeyPress(int keyAscii) {
    if (keyAscii == keys::Backspace) {
        upOneFolder();
        return true;
    }
    if (keyAscii == keys::Enter) {
        openFolder(m_dir1->entry(m_dir1->currentEntry()));
        return true;
    }
    return false;
}

void FolderBrowser::Dir1_DblClick() { openFolder(m_dir1->entry(m_dir1->currentEntry())); }

void FolderBrowser::File1_DblClick() {
    if (!m_hooks.thumbnailShown || !m_hooks.thumbnailShown()) {
        return;
    }
    const QString fileName = m_file1->currentFileName();
    if (fileName.isEmpty()) {
        return;
    }
    const QString fullPath = FolderWithSeparator(m_file1->path()) + fileName;
    if (m_hooks.openViewer) {
        m_hooks.openViewer(fullPath, fileName);
    }
}

bool FolderBrowser::File1_KeyDown(int keyCode, int shift) {
    if (keyCode == keys::F5) {
        m_drive1->refresh();
        m_dir1->refresh();
        m_file1->refresh();
        if (!followVanishedFolder()) {
            selectFirstPhoto();
        }
        return true;
    }
    if (keyCode == keys::A && shift == keys::CtrlMask) {
        m_file1->selectEveryEntry();
        return true;
    }
    if (keyCode == keys::Enter) {
        QCoreApplication::processEvents();
        return true;
    }
    return false;
}

bool FolderBrowser::File1_KeyPress(int keyAscii) {
    if (keyAscii == keys::Backspace) {
        upOneFolder();
        return true;
    }
    return false;
}

void FolderBrowser::File1_PathChange() {
    if (m_file1->entryCount() == 0) {
        if (m_hooks.clearInformation) {
            m_hooks.clearInformation();
        }
        return;
    }
    m_file1->setCurrentEntry(0);
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event) {
    // A disabled list takes no keys, whoever sends them.
    if (event->type() == QEvent::KeyPress && static_cast<QWidget*>(watched)->isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int keyCode = VirtualKeyFromQt(key->key());
        const int shift = ShiftState(key->modifiers());
        const int keyAscii = KeyAsciiOf(*key);
        // The key-down handler runs first and the key-press handler after it,
        // as Windows lists raise them; either may take the key.
        if (watched == m_drive1) {
            return Drive1_KeyDown(keyCode, shift);
        }
        if (watched == m_dir1) {
            const bool down = Dir1_KeyDown(keyCode, shift);
            const bool press = keyAscii != 0 && Dir1_KeyPress(keyAscii);
            return down || press;
        }
        if (watched == m_file1) {
            const bool down = File1_KeyDown(keyCode, shift);
            const bool press = keyAscii != 0 && File1_KeyPress(keyAscii);
            return down || press;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FolderBrowser::openFolder(const QString& folder) {
    if (folder.isEmpty()) {
        return;
    }
    try {
        m_dir1->setPath(folder);
    } catch (const RuntimeError&) {
        showError();
        m_dir1->refresh();
    }
}

bool FolderBrowser::followVanishedFolder() {
    // Lists locked by a run keep their folder: the run is working on it and
    // reports what it finds missing itself. Lists being torn down have none.
    if (!m_drive1 || !m_dir1 || !m_file1 || !m_dir1->isEnabled()) {
        return false;
    }
    const QString gone = m_dir1->path();
    if (QFileInfo(gone).isDir()) {
        return false;
    }
    QString nearest = gone;
    while (!QFileInfo(nearest).isDir()) {
        const QString up = ParentFolder(nearest);
        if (up == nearest) {
            return false;  // not even the root is left; nothing better to go to
        }
        nearest = up;
    }
    // Nothing of the vanished folder stays on show, even when the folder the
    // lists land on has a photo to show instead.
    if (m_hooks.clearInformation) {
        m_hooks.clearInformation();
    }
    // A volume that went away leaves its parent on another drive; the drive
    // list moves first, as it would when the user chose that drive.
    const QString root = m_drive1->driveRootOf(nearest);
    if (!root.isEmpty() && root != m_drive1->drive()) {
        m_drive1->setDrive(root);
    }
    openFolder(nearest);
    return true;
}

void FolderBrowser::upOneFolder() { openFolder(ParentFolder(m_dir1->path())); }

void FolderBrowser::selectFirstPhoto() {
    if (m_file1->entryCount() > 0) {
        m_file1->setCurrentEntry(0);
    }
}

void FolderBrowser::showError() { m_boxes.show("エラー", MsgButtons::Ok, MsgIcon::None, AppTitle); }

}  // namespace tovrin
