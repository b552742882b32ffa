#pragma once

#include "AliasFile.h"
#include "CommandRunner.h"
#include "DesktopBackground.h"

// Desktops whose own tool sets the wallpaper from the command line. Each one
// gets a fresh path per switch, since they keep what they loaded by path.

class LxdeBackground : public DesktopBackground {
  public:
    explicit LxdeBackground(CommandRunner runner = CommandRunner(), AliasFile alias = AliasFile())
        : m_runner(runner), m_alias(std::move(alias)) {}
    QString name() const override { return QStringLiteral("LXDE"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;

  private:
    CommandRunner m_runner;
    AliasFile m_alias;
};

class LxqtBackground : public DesktopBackground {
  public:
    explicit LxqtBackground(CommandRunner runner = CommandRunner(), AliasFile alias = AliasFile())
        : m_runner(runner), m_alias(std::move(alias)) {}
    QString name() const override { return QStringLiteral("LXQt"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;

  private:
    CommandRunner m_runner;
    AliasFile m_alias;
};

// sway hands the path to wordexp(), which runs $(...) and splits at blanks,
// and swaymsg joins its arguments into one command line: the path sway sees
// must be plain, so the copy lives in a folder with a plain path.
class SwayBackground : public DesktopBackground {
  public:
    explicit SwayBackground(CommandRunner runner = CommandRunner(),
                            AliasFile alias = AliasFile(AliasFile::Placement::PlainPath))
        : m_runner(runner), m_alias(std::move(alias)) {}
    QString name() const override { return QStringLiteral("sway"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;

  private:
    CommandRunner m_runner;
    AliasFile m_alias;
};

// hyprpaper reads "monitor,path" through its config parser, where "#" starts
// a comment and blanks are trimmed: a plain path again.
class HyprlandBackground : public DesktopBackground {
  public:
    explicit HyprlandBackground(CommandRunner runner = CommandRunner(),
                                AliasFile alias = AliasFile(AliasFile::Placement::PlainPath))
        : m_runner(runner), m_alias(std::move(alias)) {}
    QString name() const override { return QStringLiteral("Hyprland"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;

  private:
    bool hyprpaper(const QStringList &arguments, bool answerMatters, QString *error) const;

    CommandRunner m_runner;
    AliasFile m_alias;
    QString m_shown;
};
