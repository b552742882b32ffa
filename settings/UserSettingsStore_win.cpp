#include "UserSettingsStore.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace {

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

// HKCU\Software\Mirell!, a subkey per section and a string value per key, as
// QSettings' native format lays them out.
class RegistrySettingsStore : public SettingsStore {
  public:
    QString get(const QString &section, const QString &key,
                const QString &defaultValue) const override {
        return textOf(m_registry.value(path(section, key))).value_or(defaultValue);
    }
    void put(const QString &section, const QString &key, const QString &value) override {
        m_registry.setValue(path(section, key), value);
    }
    bool sync() override {
        m_registry.sync();
        return m_registry.status() == QSettings::NoError;
    }

  private:
    static QString path(const QString &section, const QString &key) {
        return section + QLatin1Char('/') + key;
    }

    QSettings m_registry{QStringLiteral("HKEY_CURRENT_USER\\Software\\") + SettingsApplicationName,
                         QSettings::NativeFormat};
};

} // namespace

std::unique_ptr<SettingsStore> openUserSettingsStore() {
    return std::make_unique<RegistrySettingsStore>();
}
