#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// The pictures of one folder, their names packed into one string: a tree of
// 100,000 pictures holds a few megabytes and no object per file.
struct IndexedFolder {
    qint64 mtime = -1; // ms since the epoch; -1: changed too recently to be trusted
    QString names;     // every name followed by '/', which no file name contains
    QList<quint32> ends;

    qsizetype count() const { return ends.size(); }
    QString name(qsizetype i) const;
    void setNames(const QStringList &sorted);
    qsizetype bytes() const;
};

// Folders by their path below the root ("" the root itself, "a/b" below it).
// Ordered by path, so a folder's subfolders form one range.
using FolderTree = std::map<QString, IndexedFolder>;

namespace FolderScan {

enum class Reason { None, NotFound, NotAFolder, Unreadable };

// A list line that names a folder: its path ends with a separator.
bool isFolderLine(const QString &line);

// root joined with a path below it ("" for root itself).
QString join(const QString &root, const QString &rel);
// path below root, "" for root itself; nothing when path is elsewhere.
std::optional<QString> relativeTo(const QString &root, const QString &path);

bool isPictureName(QStringView name);
// Hidden folders and those NAS boxes and cameras fill with thumbnails and trash.
bool isSkippedFolder(QStringView name);

Reason rootState(const QString &root);

// Indexes rel and everything below it afresh.
void scanSubtree(const QString &root, const QString &rel, FolderTree &tree);

// Brings rel up to date, entering new subfolders and dropping vanished ones.
// Unless forced, a folder whose modification time is unchanged is taken as it
// is. True when anything in the tree changed.
bool refreshFolder(const QString &root, const QString &rel, FolderTree &tree, bool force);

bool save(const QString &file, const QString &root, const FolderTree &tree);
std::optional<FolderTree> load(const QString &file, const QString &root);

} // namespace FolderScan
