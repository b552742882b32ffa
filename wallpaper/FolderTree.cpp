#include "FolderTree.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <array>

namespace {

constexpr quint32 kCacheMagic = 0x4d464958; // "MFIX"
constexpr quint32 kCacheVersion = 1;
// A folder changed this recently may change again within the same tick of
// its modification time (FAT counts in 2 s), unseen by a comparison of times.
constexpr qint64 kRacyMs = 3000;
// Far deeper than any photo collection; stops a loop that escapes detection
// (a bind mount of a folder into itself).
constexpr int kMaxDepth = 64;

QString child(const QString &rel, const QString &name) {
    return rel.isEmpty() ? name : rel + QLatin1Char('/') + name;
}

qint64 trustedMtime(const QFileInfo &info) {
    const qint64 mtime = info.lastModified().toMSecsSinceEpoch();
    return QDateTime::currentMSecsSinceEpoch() - mtime < kRacyMs ? -1 : mtime;
}

bool inside(const QString &path, const QString &folder) {
    return FolderScan::relativeTo(folder, path).has_value();
}

// The subfolders of rel (all of them below it, not rel itself).
std::pair<FolderTree::iterator, FolderTree::iterator> below(FolderTree &tree, const QString &rel) {
    if (rel.isEmpty())
        return {tree.upper_bound(QString()), tree.end()};
    // '0' follows '/', so [rel/, rel0) holds exactly the paths under rel.
    return {tree.lower_bound(rel + QLatin1Char('/')), tree.lower_bound(rel + QLatin1Char('0'))};
}

struct Listing {
    bool ok = false;
    qint64 mtime = -1;
    QStringList pictures;
    QStringList folders;
};

// Time first, names after: a change while we list makes the folder newer
// than what we record, so the next comparison catches it.
Listing list(const QString &root, const QString &rel) {
    Listing listing;
    const QString path = FolderScan::join(root, rel);
    const QFileInfo self(path);
    if (!self.isDir() || !self.isReadable())
        return listing;
    listing.mtime = trustedMtime(self);
    QString canonicalRoot, canonicalSelf; // only needed for symlinked subfolders
    // Without QDir::Hidden, hidden files and folders never show up.
    QDirIterator entries(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        const QString name = info.fileName();
        if (info.isDir()) {
            if (FolderScan::isSkippedFolder(name))
                continue;
            if (info.isSymLink()) {
                if (canonicalRoot.isEmpty()) {
                    canonicalRoot = QFileInfo(root).canonicalFilePath();
                    canonicalSelf = self.canonicalFilePath();
                }
                // A link into the tree repeats pictures already indexed; one to
                // a folder above it would loop.
                const QString target = info.canonicalFilePath();
                if (target.isEmpty() || inside(target, canonicalRoot) ||
                    inside(canonicalSelf, target))
                    continue;
            }
            listing.folders << name;
        } else if (FolderScan::isPictureName(name)) {
            listing.pictures << name;
        }
    }
    listing.pictures.sort();
    listing.folders.sort();
    listing.ok = true;
    return listing;
}

void scanInto(const QString &root, const QString &rel, FolderTree &tree, int depth) {
    if (depth > kMaxDepth || QThread::currentThread()->isInterruptionRequested())
        return;
    Listing listing = list(root, rel);
    if (!listing.ok)
        return;
    IndexedFolder &folder = tree[rel];
    folder.mtime = listing.mtime;
    folder.setNames(listing.pictures);
    for (const QString &name : std::as_const(listing.folders))
        scanInto(root, child(rel, name), tree, depth + 1);
}

void erase(FolderTree &tree, const QString &rel) {
    const auto [first, last] = below(tree, rel);
    tree.erase(first, last);
    tree.erase(rel);
}

} // namespace

QString IndexedFolder::name(qsizetype i) const {
    const quint32 start = i == 0 ? 0 : ends[i - 1];
    return names.mid(start, ends[i] - start - 1);
}

void IndexedFolder::setNames(const QStringList &sorted) {
    names.clear();
    ends.clear();
    ends.reserve(sorted.size());
    for (const QString &name : sorted) {
        names += name;
        names += QLatin1Char('/');
        ends.append(quint32(names.size()));
    }
    names.squeeze();
}

qsizetype IndexedFolder::bytes() const {
    return sizeof(IndexedFolder) + names.capacity() * qsizetype(sizeof(QChar)) +
           ends.capacity() * qsizetype(sizeof(quint32));
}

namespace FolderScan {

bool isFolderLine(const QString &line) {
    return line.endsWith(QLatin1Char('/')) || line.endsWith(QDir::separator());
}

QString join(const QString &root, const QString &rel) {
    if (rel.isEmpty())
        return root;
    return root.endsWith(QLatin1Char('/')) ? root + rel : root + QLatin1Char('/') + rel;
}

std::optional<QString> relativeTo(const QString &root, const QString &path) {
    if (path == root)
        return QString();
    const qsizetype skip = root.size() + (root.endsWith(QLatin1Char('/')) ? 0 : 1);
    if (path.size() > skip && path.startsWith(root) && path[skip - 1] == QLatin1Char('/'))
        return path.mid(skip);
    return std::nullopt;
}

bool isPictureName(QStringView name) {
    static constexpr std::array suffixes{u"bmp",  u"dib", u"gif",  u"jpg",
                                         u"jpeg", u"jpe", u"jfif", u"png"};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return false;
    const QStringView suffix = name.mid(dot + 1);
    return std::any_of(suffixes.begin(), suffixes.end(), [&](const char16_t *known) {
        return suffix.compare(QStringView(known), Qt::CaseInsensitive) == 0;
    });
}

bool isSkippedFolder(QStringView name) {
    static constexpr std::array skipped{u"@eaDir", u".thumbnails", u"#recycle", u"#snapshot"};
    return name.startsWith(QLatin1Char('.')) ||
           std::any_of(skipped.begin(), skipped.end(), [&](const char16_t *known) {
               return name.compare(QStringView(known), Qt::CaseInsensitive) == 0;
           });
}

Reason rootState(const QString &root) {
    const QFileInfo info(root);
    if (!info.exists())
        return Reason::NotFound;
    if (!info.isDir())
        return Reason::NotAFolder;
    return info.isReadable() ? Reason::None : Reason::Unreadable;
}

void scanSubtree(const QString &root, const QString &rel, FolderTree &tree) {
    erase(tree, rel);
    scanInto(root, rel, tree, int(rel.isEmpty() ? 0 : rel.count(QLatin1Char('/')) + 1));
}

bool refreshFolder(const QString &root, const QString &rel, FolderTree &tree, bool force) {
    const auto found = tree.find(rel);
    if (found == tree.end())
        return false;
    if (!force && found->second.mtime != -1) {
        const QFileInfo info(FolderScan::join(root, rel));
        if (info.isDir() && info.lastModified().toMSecsSinceEpoch() == found->second.mtime)
            return false;
    }
    Listing listing = list(root, rel);
    if (!listing.ok) {
        erase(tree, rel);
        return true;
    }
    IndexedFolder &folder = found->second;
    bool changed = folder.mtime != listing.mtime;
    folder.mtime = listing.mtime;
    IndexedFolder fresh;
    fresh.setNames(listing.pictures);
    if (fresh.names != folder.names) {
        folder.names = fresh.names;
        folder.ends = fresh.ends;
        changed = true;
    }
    QStringList known;
    const QString prefix = rel.isEmpty() ? QString() : rel + QLatin1Char('/');
    for (auto [it, last] = below(tree, rel); it != last; ++it) {
        const QStringView tail = QStringView(it->first).mid(prefix.size());
        if (!tail.contains(QLatin1Char('/')))
            known << tail.toString();
    }
    for (const QString &name : std::as_const(known))
        if (!listing.folders.contains(name)) {
            erase(tree, child(rel, name));
            changed = true;
        }
    for (const QString &name : std::as_const(listing.folders))
        if (!known.contains(name)) {
            scanSubtree(root, child(rel, name), tree);
            changed = true;
        }
    return changed;
}

bool save(const QString &file, const QString &root, const FolderTree &tree) {
    QDir().mkpath(QFileInfo(file).path());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QDataStream stream(&out);
    stream.setVersion(QDataStream::Qt_6_4);
    stream << kCacheMagic << kCacheVersion << root << quint32(tree.size());
    for (const auto &[rel, folder] : tree)
        stream << rel << folder.mtime << folder.names;
    return stream.status() == QDataStream::Ok && out.commit();
}

std::optional<FolderTree> load(const QString &file, const QString &root) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDataStream stream(&in);
    stream.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0, version = 0, count = 0;
    QString storedRoot;
    stream >> magic >> version >> storedRoot >> count;
    if (magic != kCacheMagic || version != kCacheVersion || storedRoot != root)
        return std::nullopt;
    FolderTree tree;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        QString rel;
        IndexedFolder folder;
        stream >> rel >> folder.mtime >> folder.names;
        if (!folder.names.isEmpty() && !folder.names.endsWith(QLatin1Char('/')))
            return std::nullopt;
        for (qsizetype at = 0; (at = folder.names.indexOf(QLatin1Char('/'), at)) >= 0; ++at)
            folder.ends.append(quint32(at + 1));
        tree.emplace(std::move(rel), std::move(folder));
    }
    if (stream.status() != QDataStream::Ok || !tree.contains(QString()))
        return std::nullopt;
    return tree;
}

} // namespace FolderScan
