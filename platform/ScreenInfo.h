#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// What a screen that does not say is taken to have, as Windows assumes.
inline constexpr qreal FallbackDpi = 96.0;

// One monitor in physical pixels, as a wallpaper is drawn for it.
struct MonitorInfo {
    QString name;   // the output's name ("HDMI-1"), empty when the system gives none
    QRect geometry; // where it sits on the desktop
    QRect workArea; // what docked bars leave of it, from its own top-left corner
    qreal dpi = FallbackDpi;

    bool operator==(const MonitorInfo &) const = default;
};

// Which of places overlaps area most (the first of equals); -1 when none touches it. Finds
// the monitor a desktop means when it names monitors its own way.
qsizetype mostOverlapping(const QRect &area, const QList<QRect> &places);

// The primary screen in physical pixels, as the wallpaper is drawn for it.
class ScreenInfo {
  public:
    virtual ~ScreenInfo() = default;
    // Every monitor, the primary first; never empty. Without a list of its
    // own, the primary screen alone.
    virtual QList<MonitorInfo> monitors() const {
        return {{QString(), QRect(QPoint(0, 0), size()), workArea(), dotsPerInch()}};
    }
    virtual QSize size() const = 0;     // SW x SH
    virtual QRect workArea() const = 0; // screen minus docked bars, same units
    // Physical dots per inch of the screen, so that a caption of 12 points
    // on the wallpaper looks like 12 points on the screen.
    virtual qreal dotsPerInch() const = 0;
};

// Primary QScreen: geometry() and availableGeometry() times devicePixelRatio().
class QtScreenInfo : public ScreenInfo {
  public:
    QSize size() const override;
    QRect workArea() const override;
    qreal dotsPerInch() const override;
    QList<MonitorInfo> monitors() const override;
};
