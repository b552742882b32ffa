#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// An INI file kept as the lines it was read from, so that setting a key rewrites
// that key's line alone and every other byte stays as it was: comments, keys of
// other programs, lines this reader cannot make sense of, text in another
// encoding. Values are quoted and escaped the way QSettings writes them, so a
// file written by either reads the same in both.
class IniFile {
  public:
    explicit IniFile(const QByteArray &bytes = {});

    // The text of the key, or nullopt when the section or key is absent or the
    // value is one of QSettings' serialised objects rather than text.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Leaves the file untouched when the key already holds this text.
    void setValue(const QString &section, const QString &key, const QString &text);
    QByteArray bytes() const;

  private:
    // A section header and the lines up to the next one (the first block holds
    // what comes before any header). keyEnd is the line after the block's last
    // key, where new keys go: before the blank lines and comments that follow.
    struct Block {
        QByteArray name;         // escaped, as in the file
        QList<QByteArray> lines; // each with its own line break, if it had one
        qsizetype keyEnd = 0;
    };
    struct Place {
        qsizetype block, line;
    };

    void appendLine(QByteArray line);
    void endLine(QByteArray &line) const;

    QList<Block> m_blocks;
    QByteArray m_lineBreak = "\n";
    // Both keyed by the escaped names, as they stand in the file. A name seen
    // twice means its last occurrence, as QSettings reads it.
    QHash<QByteArray, qsizetype> m_sections;
    QHash<QByteArray, QHash<QByteArray, Place>> m_keys;
};
