#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// The pictures that really reached the desktop, newest first, and where the
// user stands among them after going back. It lives in a small file of its
// own, so that it outlasts the run without touching the settings store.
class History {
  public:
    struct Entry {
        QString path;
        QDateTime shown;
    };
    static constexpr int MaxEntries = 100;

    // An empty path keeps the history in memory only.
    explicit History(QString filePath = {});
    // "history.json" in the per-user data folder.
    static QString defaultPath();

    // A missing or damaged file is an empty history.
    void load();
    const QList<Entry> &entries() const { return m_entries; }
    // The entry on the desktop: 0 unless the user went back.
    int position() const { return m_position; }

    // A new picture reached the desktop: it is the newest, and going back starts from it.
    void record(const QString &path, const QDateTime &shown);
    // A picture of the history is on the desktop again.
    void moveTo(int index);

    using Usable = std::function<bool(const QString &path)>;
    // The nearest older (back) or newer (forward) entry that usable accepts and
    // that shows another picture than the one on the desktop; -1 for none.
    int older(const Usable &usable) const { return nearest(usable, +1); }
    int newer(const Usable &usable) const { return nearest(usable, -1); }

  private:
    int nearest(const Usable &usable, int direction) const;
    void save() const;

    QString m_file;
    QList<Entry> m_entries;
    int m_position = 0;
};
