#include "SingleInstance.h"

#include "LocalAccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

QString instanceName(const QString &executablePath) {
    // The same file reached through a link or a relative path is the same program.
    const QString canonical = QFileInfo(executablePath).canonicalFilePath();
    const QString key =
        LocalAccess::userKey() + QLatin1Char('\n') +
        (canonical.isEmpty() ? QFileInfo(executablePath).absoluteFilePath() : canonical);
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    return QStringLiteral("mirell-") + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(const QString &executablePath, const QString &folder)
    : m_lock(std::make_unique<QLockFile>(
          QDir(folder).filePath(instanceName(executablePath) + QStringLiteral(".lock")))) {
    // The running copy may hold the lock for weeks; only a dead holder makes it stale.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    if (m_lock->isLocked() || m_lock->tryLock(0))
        return true;
    return m_lock->error() != QLockFile::LockFailedError;
}
