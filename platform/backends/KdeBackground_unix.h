#pragma once

#include "AliasFile.h"
#include "DesktopBackground.h"

// KDE Plasma 5 and 6: asks the running plasmashell, over the session bus, to
// run a desktop script that gives every desktop the picture.
class KdeBackground : public DesktopBackground {
  public:
    explicit KdeBackground(int timeoutMs = 10000, AliasFile alias = AliasFile());

    QString name() const override { return QStringLiteral("KDE Plasma"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;

    // The script for a picture URL. The URL enters the script as a JSON
    // string literal, so no path can end the literal and run code of its own.
    static QString script(const QString &url);

  private:
    int m_timeoutMs;
    AliasFile m_alias;
};
