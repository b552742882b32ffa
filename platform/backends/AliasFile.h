#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Two alternating copies of the composed wallpaper (e.g. MirellWP-a.bmp and
// MirellWP-b.bmp). Desktops that cache a picture by its path only reload when
// the path changes, so each switch hands them the copy that is not on screen.
// The copy on screen is never touched, so a desktop that refuses the new one
// keeps showing the old picture intact.
class AliasFile {
  public:
    enum class Placement {
        BesideSource, // next to the composed file, any path
        PlainPath,    // only in a folder whose full path is plain (see isPlainPath)
    };

    // fallbackFolders: where PlainPath copies go when the composed file's own
    // folder is not plain; the first usable one wins. Empty means
    // defaultFallbackFolders().
    explicit AliasFile(Placement placement = Placement::BesideSource,
                       QStringList fallbackFolders = {});

    // Writes the composed file's content to the copy that is not in use and
    // returns its path, or an empty string and a reason.
    QString prepare(const QString &source, QString *error);
    // Copies of another file, placed by the same rules.
    AliasFile sibling() const { return AliasFile(m_placement, m_fallbackFolders); }
    // The desktop now shows this copy; the next prepare() writes the other.
    void accept(const QString &aliasPath) { m_inUse = aliasPath; }

    // Letters, digits and "/._+-" only: nothing a shell word expansion, a
    // command parser splitting at blanks, commas or semicolons, or a config
    // parser with comments could read as anything but the path itself.
    static bool isPlainPath(const QString &path);
    // The per-user runtime folder, then the per-user cache folder.
    static QStringList defaultFallbackFolders();

  private:
    QString folderFor(const QString &source, QString *error) const;

    Placement m_placement;
    QStringList m_fallbackFolders;
    QString m_inUse;
};

// The copies of every monitor's picture, each monitor's two alternating on
// their own; the first monitor's placed as given, the others alike.
class MonitorCopies {
  public:
    explicit MonitorCopies(AliasFile first) : m_files{std::move(first)} {}
    // A copy of each source, the primary's first; with plainOnly, only plain
    // paths (see AliasFile::isPlainPath). Empty, with a reason, on failure.
    QStringList prepare(const QStringList &sources, bool plainOnly, QString *error);
    // The desktop now shows these copies.
    void accept(const QStringList &copies);

  private:
    QList<AliasFile> m_files;
};
