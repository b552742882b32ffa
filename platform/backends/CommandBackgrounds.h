#pragma once

#include "AliasFile.h"
#include "CommandRunner.h"
#include "DesktopBackground.h"

// Desktops whose own tool sets the wallpaper from the command line. Each one
// gets a fresh path per switch, since they keep what they loaded by path.

// One program call per switch, with the argument list built around the copy.
class CommandBackground : public DesktopBackground {
  public:
    QString name() const override { return m_name; }
    bool apply(const QString &path, const QImage &image, QString *error) override;

  protected:
    using Arguments = QStringList (*)(const QString &picture);
    CommandBackground(QString name, QString program, Arguments arguments, CommandRunner runner,
                      AliasFile alias, bool plainPathOnly)
        : m_name(std::move(name)), m_program(std::move(program)), m_arguments(arguments),
          m_runner(runner), m_copies(std::move(alias)), m_plainPathOnly(plainPathOnly) {}

    QString m_name;
    QString m_program;
    Arguments m_arguments;
    CommandRunner m_runner;
    MonitorCopies m_copies;
    bool m_plainPathOnly;
};

class LxdeBackground : public CommandBackground {
  public:
    explicit LxdeBackground(CommandRunner runner = CommandRunner(), AliasFile alias = AliasFile())
        : CommandBackground(
              QStringLiteral("LXDE"), QStringLiteral("pcmanfm"),
              [](const QString &p) { return QStringList{QStringLiteral("--set-wallpaper=") + p}; },
              runner, std::move(alias), false) {}
};

class LxqtBackground : public CommandBackground {
  public:
    explicit LxqtBackground(CommandRunner runner = CommandRunner(), AliasFile alias = AliasFile())
        : CommandBackground(
              QStringLiteral("LXQt"), QStringLiteral("pcmanfm-qt"),
              [](const QString &p) {
                  return QStringList{QStringLiteral("--set-wallpaper"), p};
              },
              runner, std::move(alias), false) {}
};

// sway hands the path to wordexp(), which runs $(...) and splits at blanks,
// and swaymsg joins its arguments into one command line: the path sway sees
// must be plain, so the copy lives in a folder with a plain path.
// Each output has its own picture, named by the output's name.
class SwayBackground : public CommandBackground {
  public:
    explicit SwayBackground(CommandRunner runner = CommandRunner(),
                            AliasFile alias = AliasFile(AliasFile::Placement::PlainPath))
        : CommandBackground(QStringLiteral("sway"), QStringLiteral("swaymsg"), &arguments, runner,
                            std::move(alias), true) {}
    bool takesEachMonitor() const override { return true; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override;

  private:
    static QStringList arguments(const QString &p) {
        return {QStringLiteral("output"), QStringLiteral("*"), QStringLiteral("bg"), p,
                QStringLiteral("fill")};
    }
};

// hyprpaper reads "monitor,path" through its config parser, where "#" starts
// a comment and blanks are trimmed: a plain path again. Before 0.8 a picture
// had to be preloaded (and unloaded when no longer shown); 0.8 dropped both
// requests and loads what "wallpaper" names.
class HyprlandBackground : public DesktopBackground {
  public:
    explicit HyprlandBackground(CommandRunner runner = CommandRunner(),
                                AliasFile alias = AliasFile(AliasFile::Placement::PlainPath))
        : m_runner(runner), m_copies(std::move(alias)) {}
    QString name() const override { return QStringLiteral("Hyprland"); }
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool takesEachMonitor() const override { return true; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override;

  private:
    bool hyprpaper(const QStringList &arguments, bool answerMatters, QString *error) const;

    CommandRunner m_runner;
    MonitorCopies m_copies;
    QStringList m_shown;    // the copies on screen, to be unloaded once replaced
    bool m_preloads = true; // false once hyprpaper refused a preload (0.8 on)
};
