#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One running copy per executable: a lock file named after the executable's
// canonical path, so copies installed in different folders run side by side
// while a second start of the same file is turned away.
class SingleInstance {
  public:
    // folder: where the lock lives; empty for the per-user runtime folder
    // (the temp folder where the platform has none).
    explicit SingleInstance(const QString &executablePath, const QString &folder = QString());
    ~SingleInstance();

    // True when no other copy of this executable holds the lock; the lock is
    // then ours until this object goes. A lock that cannot be made at all
    // (unwritable folder) does not keep the program from starting.
    bool acquire();

    QString lockPath() const { return m_path; }

    static QString lockPathFor(const QString &executablePath, const QString &folder = QString());

  private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
