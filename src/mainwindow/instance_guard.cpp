#include "mainwindow/instance_guard.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tovrin {

QString InstanceGuard::DefaultLockPath() {
#ifdef Q_OS_UNIX
    // Without a session's runtime folder the lock goes to the shared
    // temporary folder, made per user by the user id in its name.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return QDir::tempPath() + QStringLiteral("/Tovrin-%1.lock").arg(::getuid());
    }
#endif
#ifdef Q_OS_WIN
    // Windows has no runtime folder (Qt would give the home folder): the
    // user's own temporary folder holds it.
    return QDir::tempPath() + QStringLiteral("/Tovrin.lock");
#endif
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/Tovrin.lock");
}

InstanceGuard::InstanceGuard(const QString& lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath)) {
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    // A lock never grows stale with age, only when its owner has died.
    m_lock->setStaleLockTime(0);
    // Only a lock that another live instance holds keeps this one out; a lock
    // file that cannot be written at all must not stop the program forever.
    m_anotherRunning = !m_lock->tryLock(0) && m_lock->error() == QLockFile::LockFailedError;
}

InstanceGuard::~InstanceGuard() = default;

}  // namespace tovrin
