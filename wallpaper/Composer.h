#pragma once

#include "DesktopBackground.h"
#include "Settings.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

class ScreenInfo;
class Clock;

// Turns pictures into the desktop wallpaper: load, fit, caption, write
// "MirellWP.bmp" (and one file beside it for each further monitor that shows
// a picture of its own), hand them to the desktop.
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
    // The monitor mode of settings decides what paths mean: the first is shown
    // on every monitor or across all of them, or each monitor (the primary
    // first) shows its own, a missing one the first.
    void ComposeWallpaper(const QStringList &paths, const Settings &settings,
                          std::function<void()> onApplied = {});
    void ComposeWallpaper(const QString &path, const Settings &settings,
                          std::function<void()> onApplied = {}) {
        ComposeWallpaper(QStringList{path}, settings, std::move(onApplied));
    }

    // How many pictures a step is to bring under settings, for the monitors there are now.
    int picturesPerStep(const Settings &settings) const;

    // What each monitor shows since the last composition that reached the desktop.
    struct Shown {
        MonitorInfo monitor;
        QString picture;
    };
    const QList<Shown> &shown() const { return m_shown; }

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
        QStringList paths;
        Settings settings;
        std::function<void()> onApplied;
    };
    bool composeOne(const Request &request);
    // The composed picture for one monitor without writing or applying
    // anything (null on failure).
    QImage composeImage(const QByteArray &data, const QString &path, const Settings &settings,
                        const MonitorInfo &monitor) const;
    // One picture fitted to the bounding box of monitors, its caption on the first.
    QImage composeAcross(const QString &path, const Settings &settings,
                         const QList<MonitorInfo> &monitors) const;
    // Pictures for each monitor, composed side by side on the machine's cores.
    // With orientations to match, paths come back in the order given to the monitors.
    QList<QImage> composeEach(QStringList &paths, const Settings &settings,
                              const QList<MonitorInfo> &monitors) const;
    bool write(const QString &path, const QImage &image);
    bool show(const QList<DesktopBackground::MonitorPicture> &pictures, QImage canvas, bool across);

    const ScreenInfo &m_screen;
    const Clock &m_clock;
    DesktopBackground &m_desktop;
    QString m_outputPath;
    std::deque<Request> m_queue;
    QList<Shown> m_shown;
    bool m_running = false;
};
