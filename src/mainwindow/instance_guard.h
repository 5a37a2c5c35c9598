#pragma once

#include <memory>

#include <QString>

class QLockFile;

namespace tovrin {

// Tells whether another instance of the program runs for this user: the first
// instance holds a lock file until it ends. A lock left behind by an instance
// that died is taken over.
class InstanceGuard {
public:
    // The lock file every instance of this user competes for.
    static QString DefaultLockPath();

    explicit InstanceGuard(const QString& lockPath = DefaultLockPath());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    bool anotherInstanceRunning() const { return m_anotherRunning; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_anotherRunning = false;
};

}  // namespace tovrin
