#pragma once

#include <QString>

namespace platform {

// The program's single-instance lock: an exclusive flock on a lock file. The
// kernel drops the lock when the holding process ends in any way, so a crashed
// or killed instance never blocks the next start. Held from construction to
// destruction.
class SingleInstance {
  public:
    // $XDG_RUNTIME_DIR/<name>.lock; without a runtime folder, a lock file of this
    // user in /tmp (one user's instance must not stop another user's).
    static QString DefaultLockPath(const QString& name);

    explicit SingleInstance(const QString& lockPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the lock. When the lock file cannot be
    // opened at all the program runs without the lock (a line on the debug output)
    // rather than refusing to start.
    bool IsFirst() const { return first_; }

  private:
    int fd_ = -1;
    bool first_ = true;
};

}  // namespace platform
