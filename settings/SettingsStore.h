#pragma once

#include <QString>

// The application name the per-user store is kept under.
inline const QString SettingsApplicationName = QStringLiteral("Mirell!");

// Per-user store of the program: section and key to a text value, always
// under SettingsApplicationName. Values are only ever text; numbers
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
