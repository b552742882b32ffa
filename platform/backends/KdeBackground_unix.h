#pragma once

#include "AliasFile.h"
#include "DesktopBackground.h"

// KDE Plasma 5 and 6: asks the running plasmashell, over the session bus, to
// run a desktop script that gives every desktop (one per screen) its picture.
class KdeBackground : public DesktopBackground {
  public:
    explicit KdeBackground(int timeoutMs = 10000, AliasFile alias = AliasFile());

    QString name() const override { return QStringLiteral("KDE Plasma"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool takesEachMonitor() const override { return true; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override;

    // The script for picture URLs, one for each of the screens at those
    // places, the primary's first. The URLs enter the script as JSON string
    // literals, so no path can end a literal and run code of its own.
    static QString script(const QStringList &urls, const QList<QRect> &screens = {});

  private:
    int m_timeoutMs;
    MonitorCopies m_copies;
};
