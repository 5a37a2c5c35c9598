#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_list.h"
#include "messages/message_boxes.h"

namespace tovrin {

// What the linked lists need from the window that holds them.
struct BrowserHooks {
    // `File1_Click`, the photo information readout for the file list's
    // current entry. Runs inside the call that selected the entry.
    std::function<void()> readout;
    // Empties the information text and removes the thumbnail's picture
    // (a folder without photos).
    std::function<void()> clearInformation;
    // Shows the current folder in the status bar's first panel.
    std::function<void(const QString& folder)> showFolder;
    // Whether the thumbnail holds a picture.
    std::function<bool()> thumbnailShown;
    // Opens the photo viewer, modally, for one photo.
    std::function<void(const QString& fullPath, const QString& fileName)> openViewer;
};

// Links the drive list `Drive1`, the folder list `Dir1` and the file list
// `File1`: choosing a drive moves the folder list there, a new folder moves
// the file list, and a new file list selects its first photo, whose
// information the readout then shows. It also gives the three lists their
// keys (F5, Ctrl+A, Enter, Backspace). The window owns and places the lists;
// the browser only watches them, and the handlers below are public so that
// the window's toolbar and menu can reach the same handling.
class FolderBrowser : public QObject {
    Q_OBJECT

public:
    FolderBrowser(DriveList* drive1, FolderList* dir1, FileList* file1, MessageBoxes& boxes,
                  BrowserHooks hooks, QObject* parent = nullptr);

    // The current drive changed: the folder list goes to that drive. A drive
    // that cannot be opened shows "エラー" and the drive list goes back to
    // the drive of the folder list's path.
    void Drive1_Change();
    // Key handlers take Windows key codes (list_keys.h) and return whether
    // they acted on the key, in which case the list does not process it.
    bool Drive1_KeyDown(int keyCode, int shift);
    void Drive1_LostFocus();

    // The folder list's path changed: the file list and the status bar follow.
    void Dir1_Change();
    bool Dir1_KeyDown(int keyCode, int shift);
    // Backspace goes one folder up; Enter opens the highlighted entry. The
    // toolbar's "up" button calls this with keys::Backspace.
    bool Dir1_KeyPress(int keyAscii);
    // A double-click opens the highlighted entry.
    void Dir1_DblClick();

    // Opens the viewer for the current entry when the thumbnail shows a
    // picture. Also reached from the thumbnail, the menu and the toolbar.
    void File1_DblClick();
    bool File1_KeyDown(int keyCode, int shift);
    bool File1_KeyPress(int keyAscii);
    // The file list's folder changed: select its first photo, or clear the
    // information when there is none.
    void File1_PathChange();

    // When the folder list's folder has gone from the disk: clears the
    // information, moves the lists to the nearest folder above it that
    // still exists, and returns true. Runs on F5, when the drive list loses
    // the focus, and whenever the window finds a listed photo gone.
    bool followVanishedFolder();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the folder list; a folder that cannot be opened shows "エラー"
    // and the list re-reads where it is.
    void openFolder(const QString& folder);
    void upOneFolder();
    void selectFirstPhoto();
    void showError();

    QPointer<DriveList> m_drive1;
    QPointer<FolderList> m_dir1;
    QPointer<FileList> m_file1;
    MessageBoxes& m_boxes;
    BrowserHooks m_hooks;
};

}  // namespace tovrin
