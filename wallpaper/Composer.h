#pragma once

#include "Settings.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

class ScreenInfo;
class Clock;
class DesktopBackground;

// Turns a picture into the desktop wallpaper: load, fit, caption, write
// "MirellWP.bmp", hand it to the desktop.
class Composer : public QObject {
    Q_OBJECT
  public:
    Composer(const ScreenInfo &screen, const Clock &clock, DesktopBackground &desktop,
             QString outputPath, QObject *parent = nullptr);

    // Composes path with the settings as they are now. A request made while
    // another composition runs (it lets pending events run) waits for it.
    // onApplied runs only once the new wallpaper is on the desktop; when the
    // picture cannot be loaded or the file cannot be written, nothing changes
    // and onApplied is not called.
    void ComposeWallpaper(const QString &path, const Settings &settings,
                          std::function<void()> onApplied = {});

    // "MirellWP.bmp" in the program's folder, or in the per-user data folder
    // when the program's folder cannot be written (an installed copy).
    static QString defaultOutputPath();

  signals:
    // The picture did not reach the desktop: its file could not be written or
    // the desktop refused it; at every failure, reason is for the user.
    void desktopFailed(const QString &reason);
    void applied(const QString &picturePath);

  private:
    struct Request {
        QString path;
        Settings settings;
        std::function<void()> onApplied;
    };
    bool composeOne(const Request &request);
    // The composed picture without writing or applying anything (null on failure).
    QImage composeImage(const QString &path, const Settings &settings) const;

    const ScreenInfo &m_screen;
    const Clock &m_clock;
    DesktopBackground &m_desktop;
    QString m_outputPath;
    std::deque<Request> m_queue;
    bool m_running = false;
};
