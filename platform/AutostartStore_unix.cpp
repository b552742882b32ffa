#include "AutostartStore.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Far beyond any real entry; more is not an entry, and is not read in full.
constexpr qint64 MaxEntryBytes = 64 * 1024;

class DesktopEntryFile : public AutostartStore {
  public:
    explicit DesktopEntryFile(const QString &desktopId)
        : m_path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                 QStringLiteral("/autostart/") + desktopId + QStringLiteral(".desktop")) {}

    Form form() const override { return Form::DesktopEntry; }
    std::optional<QString> read(QString *error) const override {
        const QFileInfo info(m_path);
        if (!info.exists())
            return std::nullopt;
        // Opening a pipe waits for a writer, and a device never ends.
        if (!info.isFile()) {
            *error = QStringLiteral("it is not a regular file");
            return std::nullopt;
        }
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = file.errorString();
            return std::nullopt;
        }
        const QByteArray data = file.read(MaxEntryBytes + 1);
        if (data.size() > MaxEntryBytes) {
            *error = QStringLiteral("it is far larger than an autostart entry");
            return std::nullopt;
        }
        return QString::fromUtf8(data);
    }
    bool write(const QString &entry) override {
        QDir().mkpath(QFileInfo(m_path).path());
        return writeFileAtomically(m_path, entry.toUtf8());
    }
    bool remove() override { return QFile::remove(m_path); }
    QString where() const override { return m_path; }

  private:
    QString m_path;
};

} // namespace

std::unique_ptr<AutostartStore> userAutostartStore(const QString &desktopId) {
    return std::make_unique<DesktopEntryFile>(desktopId);
}
