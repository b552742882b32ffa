#pragma once

#include "SettingsStore.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// A settings store held in memory for tests. It keeps every put in the order
// it came, so a test can check what a handler wrote and in which sequence.
class MemorySettingsStore : public SettingsStore {
  public:
    struct Put {
        QString section;
        QString key;
        QString value;
        bool operator==(const Put &) const = default;
    };

    QString get(const QString &section, const QString &key,
                const QString &defaultValue) const override {
        ++m_gets;
        const auto found = m_values.constFind({section, key});
        return found == m_values.constEnd() ? defaultValue : *found;
    }

    void put(const QString &section, const QString &key, const QString &value) override {
        m_values.insert({section, key}, value);
        m_puts.append({section, key, value});
    }

    bool sync() override {
        ++m_syncs;
        m_putsAtLastSync = int(m_puts.size());
        return !m_failSync;
    }

    // Seeds a value without recording it as a put.
    void set(const QString &section, const QString &key, const QString &value) {
        m_values.insert({section, key}, value);
    }
    bool contains(const QString &section, const QString &key) const {
        return m_values.contains({section, key});
    }
    QString value(const QString &section, const QString &key) const {
        return m_values.value({section, key});
    }

    const QList<Put> &puts() const { return m_puts; }
    void clearPuts() {
        m_puts.clear();
        m_putsAtLastSync = 0;
    }
    int syncCount() const { return m_syncs; }
    int getCount() const { return m_gets; }
    // Puts made after the last sync: a handler that returns with any of these
    // left unsynced would lose them in a crash.
    int unsyncedPuts() const { return int(m_puts.size()) - m_putsAtLastSync; }
    // Makes sync() report failure, as a full disk or a read-only file would.
    void setFailSync(bool fail) { m_failSync = fail; }

  private:
    QMap<QPair<QString, QString>, QString> m_values;
    QList<Put> m_puts;
    mutable int m_gets = 0;
    int m_syncs = 0;
    int m_putsAtLastSync = 0;
    bool m_failSync = false;
};
