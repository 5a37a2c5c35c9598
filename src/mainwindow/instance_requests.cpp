#include "mainwindow/instance_requests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSaveFile>
#include <QUuid>

#include "mainwindow/instance_guard.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tovrin {

namespace {

// Only files of this name end are requests; a request still being written
// has another name until it is complete.
const QString RequestSuffix = QStringLiteral(".request");

// A path holds no NUL, so NUL separates the paths of one request.
QByteArray Encode(const QStringList& paths) { return paths.join(QChar(0)).toUtf8(); }

QStringList Decode(const QByteArray& bytes) {
    return bytes.isEmpty() ? QStringList() : QString::fromUtf8(bytes).split(QChar(0));
}

}  // namespace

QString InstanceRequests::DefaultFolder() {
    // Beside the lock, and per user as the lock is: "Tovrin.lock" gives
    // "Tovrin.requests", "Tovrin-1000.lock" gives "Tovrin-1000.requests".
    QString lock = InstanceGuard::DefaultLockPath();
    lock.chop(int(QStringLiteral(".lock").size()));
    return lock + QStringLiteral(".requests");
}

InstanceRequests::InstanceRequests(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder) {}

InstanceRequests::~InstanceRequests() = default;

bool InstanceRequests::listen() {
    QDir dir(m_folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        return false;
    }
    const QFileInfo info(m_folder);
#ifdef Q_OS_UNIX
    // The folder may lie in the shared temporary folder: one that another
    // user made could feed this window folders to open.
    if (info.ownerId() != ::getuid()) {
        return false;
    }
#endif
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        dir.remove(name);
    }
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &InstanceRequests::takeRequests);
    return m_watcher->addPath(m_folder);
}

void InstanceRequests::takeRequests() {
    QDir dir(m_folder);
    const QStringList names =
        dir.entryList({QLatin1Char('*') + RequestSuffix}, QDir::Files | QDir::Hidden,
                      QDir::Time | QDir::Reversed);
    for (const QString& name : names) {
        QFile request(dir.filePath(name));
        if (!request.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QStringList paths = Decode(request.readAll());
        request.close();
        // Taken once: gone before the window acts on it.
        if (request.remove()) {
            emit received(paths);
        }
    }
}

bool InstanceRequests::send(const QStringList& paths) const {
    if (!QFileInfo(m_folder).isDir()) {
        return false;
    }
    QSaveFile request(QDir(m_folder).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) +
                                              RequestSuffix));
    return request.open(QIODevice::WriteOnly) && request.write(Encode(paths)) >= 0 &&
           request.commit();
}

}  // namespace tovrin
