#include "LocalAccess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Why path is no folder for us alone; empty when it is one. With close, a
// folder of ours that others may enter is closed first: only we or root can
// have opened it.
QString whyNotPrivate(const QByteArray &path, bool close = false) {
    struct stat info {};
    if (lstat(path.constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != geteuid())
        return QStringLiteral("it belongs to another user");
    if ((info.st_mode & 077) && !(close && chmod(path.constData(), 0700) == 0))
        return QStringLiteral("other users can enter it");
    return {};
}

} // namespace

QString LocalAccess::userKey() {
    return QString::number(geteuid());
}

QString LocalAccess::privateFolder(QString *error) {
    // The login manager makes this one ours alone; a stale or borrowed value is not trusted.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && whyNotPrivate(runtime).isEmpty())
        return QFile::decodeName(runtime);
    // Not Qt's fallback in /tmp, where another user may have made it first.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache)) {
        *error = QStringLiteral("no cache folder to keep the lock and socket in");
        return {};
    }
    const QString folder = cache + QStringLiteral("/mirell-runtime");
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    const QString why = whyNotPrivate(path, true);
    if (!why.isEmpty()) {
        *error = QStringLiteral("%1: %2").arg(folder, why);
        return {};
    }
    return folder;
}

QString LocalAccess::serverAddress(const QString &folder, const QString &name) {
    return QDir(folder).filePath(name + QStringLiteral(".sock"));
}

bool LocalAccess::peerIsThisUser(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == geteuid();
}
