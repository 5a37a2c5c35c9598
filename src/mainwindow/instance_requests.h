#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QFileSystemWatcher;

namespace tovrin {

// How a second start reaches the instance that runs: it leaves a request
// (the folders and photos it was given, perhaps none) as a file in a folder
// of this user's beside the instance lock, and the running instance, which
// watches that folder, takes the request and comes forward. A file rather
// than a socket: it needs nothing beyond the core library on either system.
class InstanceRequests : public QObject {
    Q_OBJECT

public:
    // The folder every instance of this user uses.
    static QString DefaultFolder();

    explicit InstanceRequests(const QString& folder = DefaultFolder(), QObject* parent = nullptr);
    ~InstanceRequests() override;

    // The running instance: throws away requests an earlier instance left
    // unread and watches for new ones. False when the folder cannot be used.
    bool listen();
    // A second start: leaves one request. False when it cannot be written.
    bool send(const QStringList& paths) const;

signals:
    // A second start asked for the window, with the paths it was given.
    void received(const QStringList& paths);

private:
    void takeRequests();

    QString m_folder;
    QFileSystemWatcher* m_watcher = nullptr;
};

}  // namespace tovrin
