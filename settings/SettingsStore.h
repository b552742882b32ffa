#pragma once

#include <QString>

#include <memory>

// Per-user store of the program: section and key to a text value, always
// under the application name "Mirell!". Values are only ever text; numbers
// and truth values are converted by TextForms at the boundary.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The stored text, or defaultValue when the key or its section is absent.
    virtual QString get(const QString &section, const QString &key,
                        const QString &defaultValue) const = 0;
    // Creates section and key as needed and replaces any earlier text.
    virtual void put(const QString &section, const QString &key, const QString &value) = 0;
    // Makes every put so far durable. Handlers that write call it before they
    // return, so a crash or power cut never loses a confirmed change. Returns
    // false when the store could not be written; what it held before stays
    // intact, and the puts stay pending for the next sync to try again.
    virtual bool sync() = 0;
};

// The real store: an INI file on Linux (under $XDG_CONFIG_HOME), the registry
// (HKCU\Software\Mirell!) on Windows. The INI file is read and written in
// QSettings' format, but only the lines of keys whose text changed are
// rewritten; everything else in the file stays byte for byte.
class QSettingsStore : public SettingsStore {
  public:
    // Opens the per-user store of the platform.
    QSettingsStore();
    // Opens an INI file at the given path (tests, portable set-ups).
    explicit QSettingsStore(const QString &iniPath);
    // Writes what is still pending, as QSettings does; the outcome goes unreported.
    ~QSettingsStore() override;

    QString get(const QString &section, const QString &key,
                const QString &defaultValue) const override;
    void put(const QString &section, const QString &key, const QString &value) override;
    bool sync() override;

    // Where the per-user store lives (a file path, or the registry path on Windows).
    QString location() const;

  private:
    struct Private;
    std::unique_ptr<Private> d;
};
