#pragma once

#include "AliasFile.h"
#include "CommandRunner.h"
#include "DesktopBackground.h"

#include <functional>

// Desktops whose own tool sets the wallpaper from the command line. Each one
// gets a fresh path per switch, since they keep what they loaded by path.

// One program call per switch, with the argument list built around the copy.
class CommandBackground : public DesktopBackground {
  public:
    QString name() const override { return m_name; }
    bool apply(const QString &path, const QImage &, QString *error) override {
        return show(path, {}, error);
    }

  protected:
    // Sets a fresh copy of path with the program's arguments and extra ones.
    bool show(const QString &path, const QStringList &extra, QString *error);

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

// pcmanfm's command line reaches only its first monitor. Its "screen" mode
// stretches one picture over the whole X screen, each monitor showing its own
// part, so a canvas of all monitors is what spans them. The other monitors
// take their picture from their own settings files (desktop-items-N.conf):
// pcmanfm reads those when it starts, and a desktop with a picture per
// workspace reloads its picture from disk whenever the workspace is announced.
class LxdeBackground : public CommandBackground {
  public:
    // What the backend needs of the running session; either may be missing.
    struct Session {
        std::function<QString()> settingsFolder; // the running pcmanfm's profile folder
        std::function<void()> announceWorkspace; // makes pcmanfm reread its pictures
    };
    explicit LxdeBackground(CommandRunner runner = CommandRunner(), AliasFile alias = AliasFile(),
                            Session session = {})
        : CommandBackground(
              QStringLiteral("LXDE"), QStringLiteral("pcmanfm"),
              [](const QString &p) { return QStringList{QStringLiteral("--set-wallpaper=") + p}; },
              runner, std::move(alias), false),
          m_session(std::move(session)) {}
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool spansMonitors() const override { return true; }
    bool applySpanning(const QString &path, const QImage &image, QString *error) override;

    // A desktop settings file whose desktop group ("[*]") shows picture in
    // "screen" mode on every workspace; icon places and other settings stay.
    static QByteArray spanningSettings(const QByteArray &settings, const QString &picture);

  private:
    void spanOtherMonitors(const QString &path);

    Session m_session;
    qint64 m_stamp = 0; // the last modification second given to the canvas
};

// pcmanfm-qt paints one picture over the bounding box of all screens, and
// in "stretch" mode scales it to exactly that box: a canvas of all monitors
// lands pixel for pixel, each monitor showing its own part. It has no picture
// per screen: its per-screen option shrinks the one picture onto each. The
// mode goes with every call: the picture already has the size it should, and
// pcmanfm-qt's default profile shows no picture at all ("none").
class LxqtBackground : public CommandBackground {
  public:
    explicit LxqtBackground(CommandRunner runner = CommandRunner(), AliasFile alias = AliasFile())
        : CommandBackground(
              QStringLiteral("LXQt"), QStringLiteral("pcmanfm-qt"),
              [](const QString &p) {
                  return QStringList{QStringLiteral("--set-wallpaper"), p,
                                     QStringLiteral("--wallpaper-mode"), QStringLiteral("stretch")};
              },
              runner, std::move(alias), false) {}
    bool apply(const QString &path, const QImage &image, QString *error) override;
    bool spansMonitors() const override { return true; }
    bool applySpanning(const QString &path, const QImage &image, QString *error) override {
        return apply(path, image, error);
    }
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
