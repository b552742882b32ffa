#pragma once

#include <QRect>
#include <QSize>

// What a screen that does not say is taken to have, as Windows assumes.
inline constexpr qreal FallbackDpi = 96.0;

// The primary screen in physical pixels, as the wallpaper is drawn for it.
class ScreenInfo {
  public:
    virtual ~ScreenInfo() = default;
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
};
