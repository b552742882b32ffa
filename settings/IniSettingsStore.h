#pragma once

#include "SettingsStore.h"

#include <memory>

// The store as an INI file, read and written in QSettings' format, but only
// the lines of keys whose text changed are rewritten; everything else in the
// file stays byte for byte. A save lays our changes over the file as it is on
// disk then, so another program's changes to other keys survive.
class IniSettingsStore : public SettingsStore {
  public:
    explicit IniSettingsStore(const QString &path);
    // Writes what is still pending, as QSettings does; the outcome goes unreported.
    ~IniSettingsStore() override;

    QString get(const QString &section, const QString &key,
                const QString &defaultValue) const override;
    void put(const QString &section, const QString &key, const QString &value) override;
    bool sync() override;

  private:
    struct Private;
    std::unique_ptr<Private> d;
};
