#pragma once

#include "CommandRunner.h"
#include "DesktopBackground.h"

// XFCE: xfdesktop reads one picture property per monitor and workspace from
// the xfce4-desktop channel of xfconf; every workspace of a monitor shows
// that monitor's picture.
class XfceBackground : public DesktopBackground {
  public:
    explicit XfceBackground(CommandRunner runner = CommandRunner()) : m_runner(runner) {}

    QString name() const override { return QStringLiteral("XFCE"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool takesEachMonitor() const override { return true; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override;

  private:
    bool setProperty(const QString &property, const QString &value, QString *error) const;

    CommandRunner m_runner;
};
