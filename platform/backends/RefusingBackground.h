#pragma once

#include "DesktopBackground.h"

// Stands in where no way to set a wallpaper is known, so the rest of the
// program runs and tells the user why nothing changes.
class RefusingBackground : public DesktopBackground {
  public:
    RefusingBackground(QString name, QString reason)
        : m_name(std::move(name)), m_reason(std::move(reason)) {}

    QString name() const override { return m_name; }
    bool apply(const QString &, const QImage &, QString *error) override {
        if (error)
            *error = m_reason;
        return false;
    }

  private:
    QString m_name;
    QString m_reason;
};
