#pragma once

// Stand-ins for the platform services, for any area's tests.

#include "Clock.h"
#include "DesktopBackground.h"
#include "RandomSource.h"
#include "ScreenInfo.h"

#include <QImage>

// A screen of any size; the work area defaults to the whole screen.
struct FakeScreenInfo : ScreenInfo {
    explicit FakeScreenInfo(QSize size = QSize(1024, 768), QRect area = QRect(), qreal dpi = 96)
        : m_size(size), m_area(area.isNull() ? QRect(QPoint(0, 0), size) : area), m_dpi(dpi) {}
    QSize size() const override { return m_size; }
    QRect workArea() const override { return m_area; }
    qreal dotsPerInch() const override { return m_dpi; }
    QList<MonitorInfo> monitors() const override {
        return m_monitors.isEmpty() ? ScreenInfo::monitors() : m_monitors;
    }
    QList<MonitorInfo> m_monitors; // several monitors, when set
    QSize m_size;
    QRect m_area;
    qreal m_dpi;
};

class FakeClock : public Clock {
  public:
    QDateTime now() const override { return QDateTime(QDate(2026, 1, 5), QTime(9, 0)); }
};

// Plays back the given values in turn, starting over after the last; none gives 0.
class ScriptedRandom : public RandomSource {
  public:
    explicit ScriptedRandom(QList<double> values = {}) { script(std::move(values)); }
    double next() override {
        return m_values.isEmpty() ? 0.0 : m_values[m_next++ % m_values.size()];
    }
    void script(QList<double> values) { m_values = std::move(values), m_next = 0; }

  private:
    QList<double> m_values;
    qsizetype m_next = 0;
};

// Records the paths it is asked to show (a spanning canvas's marked "span",
// one per monitor's joined with "+"); refuses with `failure` when that is set.
class FakeDesktopBackground : public DesktopBackground {
  public:
    QString name() const override { return QStringLiteral("fake"); }
    bool apply(const QString &path, const QImage &image, QString *error) override {
        calls.append(path);
        if (keepImages)
            images = {image};
        if (!failure.isEmpty() && error)
            *error = failure;
        return failure.isEmpty();
    }
    bool takesEachMonitor() const override { return eachMonitor; }
    bool applyEach(const QList<MonitorPicture> &pictures, QString *error) override {
        QStringList paths;
        QList<QImage> shown;
        for (const MonitorPicture &p : pictures)
            paths << p.path, shown << p.image;
        const bool ok = apply(paths.join('+'), {}, error);
        images = shown;
        return ok;
    }
    bool spansMonitors() const override { return !eachMonitor; }
    bool applySpanning(const QString &path, const QImage &image, QString *error) override {
        return apply("span " + path, image, error);
    }

    bool eachMonitor = false, keepImages = false;
    QList<QImage> images; // as last shown, when kept
    QStringList calls;
    QString failure;
};

// A plain picture at path (its format from the name); the path, or empty when it cannot be written.
inline QString writePicture(const QString &path, QSize size = QSize(16, 12),
                            const QColor &color = Qt::darkCyan) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path) ? path : QString();
}
