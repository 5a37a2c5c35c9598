#pragma once

#include <string>

#include <QString>
#include <QStringList>

class QMimeData;

namespace tovrin {

class FolderBrowser;
struct MainControls;

// What the paths given to the program (on its command line, dropped on its
// window, or handed over by a second start) ask it to open: a folder, and
// the photos in it to select.
struct OpenRequest {
    // The folder to open; empty when no path named anything that exists.
    QString folder;
    // Names of the files given inside `folder`, in the order given; the
    // first one's information is shown.
    QStringList photos;
    // The paths that named nothing, as given.
    QStringList missing;
};

// The first path that exists decides the folder: a folder opens itself, a
// file opens the folder holding it. The files given that lie in that folder
// are the photos to select; paths elsewhere are left out.
OpenRequest ReadOpenRequest(const QStringList& paths);

// The box for paths that named nothing.
std::string MissingPathsText(const QStringList& missing);

// The local files and folders a drag carries; a drag that carries anything
// else (a web address, text) gives none.
QStringList LocalPathsOf(const QMimeData* data);

// Moves the drive, folder and file lists to the request's folder and selects
// its photos, the first one current. Raises what moving the lists raises.
void OpenInLists(const OpenRequest& request, const MainControls& controls, FolderBrowser& browser);

}  // namespace tovrin
