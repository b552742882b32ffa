#pragma once

#include "SettingsStore.h"

#include <QMap>
#include <QStringList>

// A settings store in memory that records every put in order.
class MemorySettingsStore : public SettingsStore {
  public:
    QString get(const QString &section, const QString &key, const QString &def) const override {
        return m_values.value({section, key}, def);
    }
    void put(const QString &section, const QString &key, const QString &value) override {
        set(section, key, value);
        m_puts.append(section + '/' + key + '=' + value);
    }
    bool full = false; // a full disk: every sync fails
    bool sync() override {
        if (!full)
            m_synced = int(m_puts.size());
        return !full;
    }

    // Seeds a value without recording it as a put.
    void set(const QString &s, const QString &k, const QString &v) { m_values.insert({s, k}, v); }
    bool contains(const QString &s, const QString &k) const { return m_values.contains({s, k}); }
    QString value(const QString &s, const QString &k) const { return get(s, k, {}); }
    const QStringList &puts() const { return m_puts; } // "Section/Key=value"
    void clearPuts() { m_puts.clear(), m_synced = 0; }
    // Puts a crash right now would lose.
    int unsyncedPuts() const { return int(m_puts.size()) - m_synced; }

  private:
    QMap<QPair<QString, QString>, QString> m_values;
    QStringList m_puts;
    int m_synced = 0;
};
