#include "History.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace {
const QString PositionKey = QStringLiteral("position");
const QString PicturesKey = QStringLiteral("pictures");
const QString PathKey = QStringLiteral("path");
const QString ShownKey = QStringLiteral("shown");
// A history file is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 MaxFileSize = 1 << 20;
} // namespace

History::History(QString filePath) : m_file(std::move(filePath)) {}

QString History::defaultPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("history.json"));
}

void History::load() {
    m_entries.clear();
    m_position = 0;
    QFile file(m_file);
    if (m_file.isEmpty() || file.size() > MaxFileSize || !file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonArray pictures = root.value(PicturesKey).toArray();
    for (const QJsonValue &value : pictures) {
        const QJsonObject entry = value.toObject();
        const QString path = entry.value(PathKey).toString();
        if (!path.isEmpty() && m_entries.size() < MaxEntries)
            m_entries.append(
                {path, QDateTime::fromString(entry.value(ShownKey).toString(), Qt::ISODate)});
    }
    const int position = root.value(PositionKey).toInt();
    m_position = position >= 0 && position < m_entries.size() ? position : 0;
}

void History::record(const QString &path, const QDateTime &shown) {
    m_entries.prepend({path, shown});
    if (m_entries.size() > MaxEntries)
        m_entries.resize(MaxEntries);
    m_position = 0;
    save();
}

void History::moveTo(int index) {
    if (index < 0 || index >= m_entries.size() || index == m_position)
        return;
    m_position = index;
    save();
}

int History::nearest(const Usable &usable, int direction) const {
    const QString shown = m_entries.value(m_position).path;
    for (int i = m_position + direction; i >= 0 && i < m_entries.size(); i += direction) {
        const QString &path = m_entries[i].path;
        if (path != shown && usable(path))
            return i;
    }
    return -1;
}

void History::save() const {
    if (m_file.isEmpty())
        return;
    QJsonArray pictures;
    for (const Entry &entry : m_entries)
        pictures.append(QJsonObject{
            {PathKey, entry.path},
            {ShownKey,
             entry.shown.toOffsetFromUtc(entry.shown.offsetFromUtc()).toString(Qt::ISODate)}});
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    // A history that cannot be written stays in memory for this run.
    writeFileAtomically(
        m_file,
        QJsonDocument(QJsonObject{{PositionKey, m_position}, {PicturesKey, pictures}}).toJson());
}
