#pragma once

#include "Rotation.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class RandomSource;

// What the folder lines of a list hold, as the rotation reads it.
class FolderPictures {
  public:
    virtual ~FolderPictures() = default;
    virtual qsizetype count(const QString &line) const = 0;
    // Picture i of the line, 0 <= i < count(line).
    virtual QString picture(const QString &line, qsizetype i) const = 0;
    // Where path stands among the line's pictures, or where it would stand
    // were it there (a picture deleted since it was shown).
    struct Place {
        qsizetype at = 0;
        bool found = false;
    };
    virtual Place place(const QString &line, const QString &path) const = 0;
    // Moves on whenever any line's pictures change.
    virtual quint64 version() const = 0;
};

// The rotation of a list that has folder lines: every picture of a folder
// takes part as a line of its own would. The set may change between two
// steps, so the state names pictures by path, not by number: the list order
// goes on after the picture last shown (or where it stood), and the shuffle
// draws among the pictures not yet shown this round, so that one added during
// the round lands at a random place among those still to come.
class FolderRotation {
  public:
    struct Pick {
        int line = -1; // 0-based line of the list; -1: nothing to show
        QString path;
    };

    Pick step(const QStringList &files, const FolderPictures &folders, Order order,
              RandomSource &random);
    // Picture i of one line (a folder's next after the one last shown from it).
    Pick within(const QStringList &files, const FolderPictures &folders, int line);
    // The picture on the desktop, shown by hand or found at start.
    void shown(int line, const QString &path);
    int line() const { return m_line; }

  private:
    Pick shuffled(const QStringList &files, const FolderPictures &folders, RandomSource &random);

    int m_line = -1;
    QString m_path;
    QSet<size_t> m_round; // hashes of the paths shown this round
    // The pictures left in the round once random draws rarely find one,
    // valid while the list and the folders stay as they were.
    struct Left {
        QStringList files;
        quint64 version = 0;
        std::vector<Pick> pictures;
    } m_left;
};
