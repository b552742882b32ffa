#pragma once

#include <QColor>
#include <QDate>
#include <QLocale>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// Pure geometry and text of the wallpaper; no window, no file.

// Size a picture takes when fitted to the screen: it touches two opposite
// edges and keeps its aspect ratio (equal aspects: the screen's width wins).
QSize fitToScreen(const QSize &picture, const QSize &screen);

// The caption's corner and what it says, numbered as the settings store them.
enum class Corner : qint16 { TopLeft = 0, TopRight = 1, BottomLeft = 2, BottomRight = 3 };
enum class CaptionKind : qint16 { Date = 0, FileName = 1, FreeText = 2 };

// Nothing for a number outside the option group (only a damaged store holds one).
std::optional<Corner> cornerFromStored(int stored);
std::optional<CaptionKind> captionKindFromStored(int stored);

// Top-left corner of the caption cell on the picture. text is the extent of
// the caption (width, line height). Work area and screen as the desktop has
// them; a picture larger than the work area is taken as centred on the screen.
QPointF CaptionPosition(Corner corner, const QSizeF &text, const QSize &picture,
                        const QSize &screen, const QRect &workArea);

// Text after the last path separator of the platform ("/" on Linux; "\" and
// "/" on Windows). Empty for an empty path or one ending in a separator.
QString FileNameOf(const QString &path);

// "2026年1月5日 (月)" with the locale's short weekday name.
QString dateCaption(const QDate &date, const QLocale &locale);

// The caption: the date, FileNameOf(path) or the free text.
QString captionText(CaptionKind kind, const QString &path, const QString &freeText,
                    const QDate &today, const QLocale &locale);

// Caption colours are stored as RGB with red in the low byte.
QColor colorFromRgb(qint32 rgb);
qint32 rgbFromColor(const QColor &color);
