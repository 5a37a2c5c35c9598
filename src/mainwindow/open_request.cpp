#include "mainwindow/open_request.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "browse/drive_list.h"
#include "browse/file_list.h"
#include "browse/folder_browser.h"
#include "browse/folder_list.h"
#include "browse/parent_folder.h"
#include "mainwindow/main_controls.h"

namespace tovrin {

OpenRequest ReadOpenRequest(const QStringList& paths) {
    OpenRequest request;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            request.missing << path;
            continue;
        }
        const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
        if (request.folder.isEmpty()) {
            request.folder = QDir::cleanPath(folder);
        }
        if (!info.isDir() && QDir::cleanPath(folder) == request.folder &&
            !request.photos.contains(info.fileName())) {
            request.photos << info.fileName();
        }
    }
    return request;
}

std::string MissingPathsText(const QStringList& missing) {
    std::string text = "指定されたファイルまたはフォルダが見つかりません。";
    for (const QString& path : missing) {
        text += "\r\n" + QDir::toNativeSeparators(path).toStdString();
    }
    return text;
}

QStringList LocalPathsOf(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return {};
    }
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths << url.toLocalFile();
    }
    return paths;
}

void OpenInLists(const OpenRequest& request, const MainControls& controls, FolderBrowser& browser) {
    if (request.folder.isEmpty()) {
        return;
    }
    const bool sameFolder = controls.File1->path() == CleanFolder(request.folder);
    const QString root = controls.Drive1->driveRootOf(request.folder);
    if (!root.isEmpty() && root != controls.Drive1->drive()) {
        controls.Drive1->setDrive(root);
    }
    controls.Dir1->setPath(request.folder);
    // The same folder again moves no list, and a photo given last time may
    // still be selected: the list starts afresh from its first photo.
    if (sameFolder) {
        browser.File1_PathChange();
    }
    controls.File1->selectNames(request.photos);
}

}  // namespace tovrin
