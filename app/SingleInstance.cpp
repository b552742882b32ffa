#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString &executablePath, const QString &folder)
    : m_path(lockPathFor(executablePath, folder)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPathFor(const QString &executablePath, const QString &folder) {
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    // The same file reached through a link or a relative path is the same program.
    const QString canonical = QFileInfo(executablePath).canonicalFilePath();
    const QString key =
        canonical.isEmpty() ? QFileInfo(executablePath).absoluteFilePath() : canonical;
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    return QDir(dir).filePath(QStringLiteral("mirell-%1.lock").arg(QString::fromLatin1(hash)));
}

bool SingleInstance::acquire() {
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(m_path);
    // The running copy may hold the lock for weeks; only a dead holder makes it stale.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    return m_lock->error() != QLockFile::LockFailedError;
}
