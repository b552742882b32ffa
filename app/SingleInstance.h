#pragma once

#include <QString>

#include <memory>

class QLockFile;

// The name this user's copy of one executable goes by, for its lock and its
// control socket alike: copies installed in different folders, and other
// users' copies, never share it.
QString instanceName(const QString &executablePath);

// One running copy per user and executable: a second start of the same file
// is turned away, copies in other folders run side by side.
class SingleInstance {
  public:
    // folder: a folder only this user can enter.
    SingleInstance(const QString &executablePath, const QString &folder);
    ~SingleInstance();

    // True when no other copy of this executable holds the lock; the lock is
    // then ours until this object goes. A lock that cannot be made at all
    // (unwritable folder) does not keep the program from starting.
    bool acquire();

  private:
    std::unique_ptr<QLockFile> m_lock;
};
