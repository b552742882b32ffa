#include "IniSettingsStore.h"

#include "AtomicFile.h"
#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

namespace {

// Far more than any real settings file holds (a full list of long paths takes
// a few megabytes); reading more would only make the start wait and eat memory.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

} // namespace

struct IniSettingsStore::Private {
    QString location;
    // The file as it was last read or written, with the puts since applied.
    IniFile ini;
    // The bytes ini was built from; nullopt when the file could not be read.
    std::optional<QByteArray> onDisk;
    // Every put since the last successful sync, to be laid over the file as it
    // is on disk when that has changed meanwhile.
    QList<std::array<QString, 3>> pending;

    // Empty when there is no file yet; nullopt when it is there but cannot be
    // read, or must not be: then why not, in problem.
    std::optional<QByteArray> read(QString *problem = nullptr) const {
        const QFileInfo info(location);
        if (!info.exists())
            return QByteArray();
        // A FIFO would hold the start until someone writes to it, and a device
        // such as /dev/zero never ends, so only a regular file is opened.
        if (!info.isFile())
            return refuse(problem, QStringLiteral("it is not a regular file"));
        if (info.size() > MaxFileSize)
            return refuse(
                problem,
                QStringLiteral("it is larger than %1 MB").arg(MaxFileSize / (1024 * 1024)));
        QFile file(location);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError || bytes.size() > MaxFileSize)
            return std::nullopt;
        return bytes;
    }

    static std::nullopt_t refuse(QString *problem, const QString &why) {
        if (problem)
            *problem = why;
        return std::nullopt;
    }

    void load() {
        QString problem;
        onDisk = read(&problem);
        ini = IniFile(onDisk.value_or(QByteArray()));
        // The defaults stand in for what the file holds, and every save fails
        // until the file is taken away, so nothing of it is lost.
        if (!problem.isEmpty())
            qWarning("mirell: the settings in %s are left alone, as %s; nothing is saved",
                     qPrintable(QDir::toNativeSeparators(location)), qPrintable(problem));
    }

    bool write(const QByteArray &bytes) const {
        QDir().mkpath(QFileInfo(location).absolutePath());
        return writeFileAtomically(location, bytes);
    }
};

IniSettingsStore::IniSettingsStore(const QString &path) : d(std::make_unique<Private>()) {
    d->location = QFileInfo(path).absoluteFilePath();
    d->load();
}

// Like QSettings, a store that goes away writes what is still pending; only
// a crash loses puts that were never synced.
IniSettingsStore::~IniSettingsStore() {
    sync();
}

QString IniSettingsStore::get(const QString &section, const QString &key,
                              const QString &defaultValue) const {
    return d->ini.value(section, key).value_or(defaultValue);
}

void IniSettingsStore::put(const QString &section, const QString &key, const QString &value) {
    // Only a change is laid over what another program may have saved since.
    if (d->ini.value(section, key) == value)
        return;
    d->ini.setValue(section, key, value);
    d->pending.append({section, key, value});
}

bool IniSettingsStore::sync() {
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
