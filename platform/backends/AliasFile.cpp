#include "AliasFile.h"

#include "BackendError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

bool copyAtomically(const QString &source, const QString &target, QString *error) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot read %1: %2").arg(source, in.errorString()));
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(target, out.errorString()));
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            break;
        if (out.write(chunk) != chunk.size())
            break;
    }
    if (in.error() != QFileDevice::NoError || !out.commit()) {
        out.cancelWriting();
        setError(
            error,
            QStringLiteral("cannot copy the wallpaper to %1: %2").arg(target, out.errorString()));
        return false;
    }
    return true;
}

} // namespace

AliasFile::AliasFile(Placement placement, QStringList fallbackFolders)
    : m_placement(placement), m_fallbackFolders(std::move(fallbackFolders)) {}

bool AliasFile::isPlainPath(const QString &path) {
    if (path.isEmpty())
        return false;
    for (const QChar c : path) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                           (u >= u'0' && u <= u'9') || u == u'/' || u == u'.' || u == u'_' ||
                           u == u'+' || u == u'-';
        if (!plain)
            return false;
    }
    return true;
}

QStringList AliasFile::defaultFallbackFolders() {
    QStringList folders;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        folders << runtime + QStringLiteral("/mirell");
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        folders << cache + QStringLiteral("/mirell");
    return folders;
}

QString AliasFile::folderFor(const QString &source, QString *error) const {
    const QString own = QFileInfo(source).absolutePath();
    if (m_placement == Placement::BesideSource || isPlainPath(own))
        return own;
    const QStringList candidates =
        m_fallbackFolders.isEmpty() ? defaultFallbackFolders() : m_fallbackFolders;
    for (const QString &folder : candidates) {
        const QString clean = QDir::cleanPath(folder);
        if (!isPlainPath(clean) || !QDir().mkpath(clean))
            continue;
        // Only this user should be able to swap the picture under the desktop.
        QFile::setPermissions(clean, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (QFileInfo(clean).isWritable())
            return clean;
    }
    setError(error, QStringLiteral("no folder with a plain path (letters, digits and ._+- only) "
                                   "is available for a copy of the wallpaper"));
    return {};
}

QString AliasFile::prepare(const QString &source, QString *error) {
    const QString folder = folderFor(source, error);
    if (folder.isEmpty())
        return {};
    const QFileInfo info(source);
    QString base = info.completeBaseName();
    if (m_placement == Placement::PlainPath && !isPlainPath(base))
        base = QStringLiteral("MirellWP");
    QString suffix = info.suffix();
    if (m_placement == Placement::PlainPath && !isPlainPath(suffix))
        suffix = QStringLiteral("bmp");
    const QString dot = suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix;
    const QString first = folder + QStringLiteral("/") + base + QStringLiteral("-a") + dot;
    const QString second = folder + QStringLiteral("/") + base + QStringLiteral("-b") + dot;

    QString target;
    if (m_inUse == first) {
        target = second;
    } else if (m_inUse == second) {
        target = first;
    } else {
        // After a restart nobody knows which copy the desktop shows; the one
        // written last is the likely one, so write the other.
        const QFileInfo a(first), b(second);
        target =
            (a.exists() && (!b.exists() || a.lastModified() > b.lastModified())) ? second : first;
    }

    // A real copy, not a link: whoever rewrites the composed file in place
    // must not change the picture under the desktop.
    if (!copyAtomically(source, target, error))
        return {};
    return target;
}

QStringList MonitorCopies::prepare(const QStringList &sources, bool plainOnly, QString *error) {
    while (m_files.size() < sources.size())
        m_files << m_files.first().sibling();
    QStringList copies;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        copies << m_files[i].prepare(sources[i], error);
        if (copies.last().isEmpty())
            return {};
        // A last guard where a shell or a parser reads the path.
        if (plainOnly && !AliasFile::isPlainPath(copies.last())) {
            if (error)
                *error = QStringLiteral("the picture's path is not plain: ") + copies.last();
            return {};
        }
    }
    return copies;
}

void MonitorCopies::accept(const QStringList &copies) {
    for (qsizetype i = 0; i < copies.size() && i < m_files.size(); ++i)
        m_files[i].accept(copies[i]);
}
