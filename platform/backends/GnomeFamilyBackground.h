#pragma once

#include "AliasFile.h"
#include "CommandRunner.h"
#include "DesktopBackground.h"

// Desktops that read their wallpaper from GSettings: GNOME and its relatives,
// Cinnamon and MATE. Only the picture keys are written; the placement the
// user chose stays as it is, except while a canvas spans several monitors,
// when it is "spanned" and the user's own comes back with the next single picture.
class GnomeFamilyBackground : public DesktopBackground {
  public:
    enum class Flavour { Gnome, Cinnamon, Mate };

    explicit GnomeFamilyBackground(Flavour flavour, CommandRunner runner = CommandRunner(),
                                   AliasFile alias = AliasFile());

    QString name() const override;
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool spansMonitors() const override { return true; }
    bool applySpanning(const QString &path, const QImage &image, QString *error) override;

    // A GVariant text literal for a string, as "gsettings set" parses it.
    // Without it a value that happens to look like GVariant text would be
    // read as something else than the path.
    static QString variantLiteral(const QString &text);

  private:
    bool findKeys(QString *error);
    bool setPicture(const QString &path, QString *error);
    bool setPlacement(const QString &literal, QString *error);

    Flavour m_flavour;
    CommandRunner m_runner;
    AliasFile m_alias;
    QString m_schema;
    QStringList m_wantedKeys;
    QStringList m_keys;      // the wanted keys this system's schema has; filled once
    QString m_userPlacement; // while spanning: the user's picture-options, as GVariant text
};
