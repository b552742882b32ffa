#include "UserSettingsStore.h"

#include "IniSettingsStore.h"

#include <QDir>
#include <QStandardPaths>

std::unique_ptr<SettingsStore> openUserSettingsStore() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(folder);
    return std::make_unique<IniSettingsStore>(
        QDir(folder).filePath(SettingsApplicationName + QStringLiteral(".ini")));
}
