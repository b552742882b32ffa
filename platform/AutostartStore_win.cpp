#include "AutostartStore.h"

#include <QSettings>

namespace {

class RunKey : public AutostartStore {
  public:
    Form form() const override { return Form::CommandLine; }
    std::optional<QString> read(QString *) const override {
        const QVariant value = m_settings.value(name());
        return value.isValid() ? std::optional<QString>(value.toString()) : std::nullopt;
    }
    bool write(const QString &entry) override {
        m_settings.setValue(name(), entry);
        m_settings.sync();
        return m_settings.status() == QSettings::NoError;
    }
    bool remove() override {
        m_settings.remove(name());
        m_settings.sync();
        return m_settings.status() == QSettings::NoError;
    }
    // QSettings names the key with a leading backslash regedit does not show.
    QString where() const override {
        QString key = m_settings.fileName() + QLatin1Char('\\') + name();
        return key.startsWith(QLatin1Char('\\')) ? key.mid(1) : key;
    }

  private:
    static QString name() { return QStringLiteral("Mirell"); }
    mutable QSettings m_settings{
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat};
};

} // namespace

std::unique_ptr<AutostartStore> userAutostartStore(const QString &) {
    return std::make_unique<RunKey>();
}
