#include "SettingsStore.h"

#include "AtomicFile.h"
#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <array>
#include <optional>

namespace {

const QString ApplicationName = QStringLiteral("Mirell!");

// The registry has number and list types besides text. The program only ever
// deals in text, so whatever comes back is turned into the text a person
// editing the store would expect to see.
std::optional<QString> textOf(const QVariant &value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return std::nullopt;
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        return value.toStringList().join(QLatin1String(", "));
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant &part : value.toList())
            parts.append(textOf(part).value_or(QString()));
        return parts.join(QLatin1String(", "));
    }
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        break;
    }
    if (value.canConvert<QString>()) {
        const QString text = value.toString();
        if (!text.isNull())
            return text;
    }
    return std::nullopt;
}

} // namespace

struct QSettingsStore::Private {
    QString location;
    // Windows' own store; everywhere else, and for any file path, the INI file.
    std::unique_ptr<QSettings> registry;
    // The file as it was last read or written, with the puts since applied.
    IniFile ini;
    // The bytes ini was built from; nullopt when the file could not be read.
    std::optional<QByteArray> onDisk;
    // Every put since the last successful sync, to be laid over the file as it
    // is on disk when that has changed meanwhile.
    QList<std::array<QString, 3>> pending;

    // Empty when there is no file yet; nullopt when it is there but unreadable.
    std::optional<QByteArray> read() const {
        QFile file(location);
        if (!file.exists())
            return QByteArray();
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        return bytes;
    }

    void load() {
        onDisk = read();
        ini = IniFile(onDisk.value_or(QByteArray()));
    }

    bool write(const QByteArray &bytes) const {
        QDir().mkpath(QFileInfo(location).absolutePath());
        return writeFileAtomically(location, bytes);
    }
};

QSettingsStore::QSettingsStore() : d(std::make_unique<Private>()) {
#ifdef Q_OS_WIN
    d->location = QStringLiteral("HKEY_CURRENT_USER\\Software\\") + ApplicationName;
    d->registry = std::make_unique<QSettings>(d->location, QSettings::NativeFormat);
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(folder);
    d->location = QDir(folder).filePath(ApplicationName + QStringLiteral(".ini"));
    d->load();
#endif
}

QSettingsStore::QSettingsStore(const QString &iniPath) : d(std::make_unique<Private>()) {
    d->location = QFileInfo(iniPath).absoluteFilePath();
    d->load();
}

// Like QSettings, a store that goes away writes what is still pending; only
// a crash loses puts that were never synced.
QSettingsStore::~QSettingsStore() {
    if (!d->registry)
        sync();
}

QString QSettingsStore::get(const QString &section, const QString &key,
                            const QString &defaultValue) const {
    if (d->registry)
        return textOf(d->registry->value(section + QLatin1Char('/') + key)).value_or(defaultValue);
    return d->ini.value(section, key).value_or(defaultValue);
}

void QSettingsStore::put(const QString &section, const QString &key, const QString &value) {
    if (d->registry)
        return d->registry->setValue(section + QLatin1Char('/') + key, value);
    d->ini.setValue(section, key, value);
    d->pending.append({section, key, value});
}

bool QSettingsStore::sync() {
    if (d->registry) {
        d->registry->sync();
        return d->registry->status() == QSettings::NoError;
    }
    if (d->pending.isEmpty())
        return true;
    // A file that is there but cannot be read cannot be kept either.
    const std::optional<QByteArray> disk = d->read();
    if (!disk)
        return false;
    if (disk != d->onDisk) {
        d->ini = IniFile(*disk);
        for (const auto &[section, key, value] : std::as_const(d->pending))
            d->ini.setValue(section, key, value);
        d->onDisk = disk;
    }
    const QByteArray bytes = d->ini.bytes();
    if (bytes != *disk && !d->write(bytes))
        return false;
    d->onDisk = bytes;
    d->pending.clear();
    return true;
}

QString QSettingsStore::location() const {
    return d->location;
}
