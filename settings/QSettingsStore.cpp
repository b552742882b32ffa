#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace {

const QString ApplicationName = QStringLiteral("Mirell!");

// QSettings interprets what it reads: an unquoted comma makes a list, a leading
// "@" a serialised value, and the registry has number types. The program only
// ever deals in text, so whatever comes back is turned into the text a person
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
    QSettings::Format format = QSettings::IniFormat;
    std::unique_ptr<QSettings> settings;

    std::unique_ptr<QSettings> open() const {
        return std::make_unique<QSettings>(location, format);
    }
};

QSettingsStore::QSettingsStore() : d(std::make_unique<Private>()) {
#ifdef Q_OS_WIN
    d->location = QStringLiteral("HKEY_CURRENT_USER\\Software\\") + ApplicationName;
    d->format = QSettings::NativeFormat;
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(folder);
    d->location = QDir(folder).filePath(ApplicationName + QStringLiteral(".ini"));
#endif
    d->settings = d->open();
}

QSettingsStore::QSettingsStore(const QString &iniPath) : d(std::make_unique<Private>()) {
    d->location = QFileInfo(iniPath).absoluteFilePath();
    d->settings = d->open();
}

QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::get(const QString &section, const QString &key,
                            const QString &defaultValue) const {
    const QVariant value = d->settings->value(section + QLatin1Char('/') + key);
    return textOf(value).value_or(defaultValue);
}

void QSettingsStore::put(const QString &section, const QString &key, const QString &value) {
    d->settings->setValue(section + QLatin1Char('/') + key, value);
}

bool QSettingsStore::sync() {
    d->settings->sync();
    if (d->settings->status() == QSettings::NoError)
        return true;
    // QSettings keeps the first error it met for its whole life, so a file that
    // was garbage when read would be reported as failing for ever, even after
    // it has been rewritten cleanly. A second object on the same file shares
    // the pending changes, retries them, and tells how things stand now.
    std::unique_ptr<QSettings> fresh = d->open();
    fresh->sync();
    const bool ok = fresh->status() == QSettings::NoError;
    d->settings = std::move(fresh);
    return ok;
}

QString QSettingsStore::location() const {
    return d->location;
}
