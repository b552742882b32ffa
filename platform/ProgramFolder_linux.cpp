#include "ProgramFolder.h"

#include <QByteArray>
#include <QFile>

#include <unistd.h>

namespace {

QByteArray executablePath() {
    QByteArray path(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), size_t(path.size()));
        if (length < 0)
            return {};
        if (length < path.size())
            return path.left(length);
        path.resize(path.size() * 2);
    }
}

} // namespace

QString programFolder() {
    const QByteArray exe = executablePath();
    const qsizetype slash = exe.lastIndexOf('/');
    if (!exe.startsWith('/') || slash < 0)
        return {};
    const QByteArray folder = slash == 0 ? QByteArray("/") : exe.left(slash);
    // Bytes that are no UTF-8 would come back as some other folder's name.
    const QString name = QFile::decodeName(folder);
    return QFile::encodeName(name) == folder ? name : QString();
}
