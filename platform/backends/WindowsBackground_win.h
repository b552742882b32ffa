#pragma once

#include "DesktopBackground.h"

class WindowsBackground : public DesktopBackground {
  public:
    QString name() const override { return QStringLiteral("Windows"); }
    // Windows copies the picture on every call, so the same path is fine.
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool takesEachMonitor() const override { return true; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override;
};
