#pragma once

// Stand-ins for the platform services, for any area's tests.

#include "Clock.h"
#include "DesktopBackground.h"
#include "RandomSource.h"
#include "ScreenInfo.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

// A screen of any size; the work area defaults to the whole screen.
class FakeScreenInfo : public ScreenInfo {
  public:
    explicit FakeScreenInfo(QSize size = QSize(1024, 768), QRect workArea = QRect(), qreal dpi = 96)
        : m_size(size), m_workArea(workArea.isNull() ? QRect(QPoint(0, 0), size) : workArea),
          m_dpi(dpi) {}
    QSize size() const override { return m_size; }
    QRect workArea() const override { return m_workArea; }
    qreal dotsPerInch() const override { return m_dpi; }

    QSize m_size;
    QRect m_workArea;
    qreal m_dpi;
};

// Time stands still until a test moves it.
class FakeClock : public Clock {
  public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 1, 5), QTime(9, 0)))
        : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }

    QDateTime m_now;
};

// Plays back the given values in turn and starts over after the last one;
// an empty script gives 0.
class ScriptedRandom : public RandomSource {
  public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(QList<double> values) : m_values(std::move(values)) {}
    double next() override {
        ++m_calls;
        if (m_values.isEmpty())
            return 0.0;
        const double v = m_values.at(m_next);
        m_next = (m_next + 1) % m_values.size();
        return v;
    }
    void script(QList<double> values) {
        m_values = std::move(values);
        m_next = 0;
    }
    int calls() const { return m_calls; }

  private:
    QList<double> m_values;
    qsizetype m_next = 0;
    int m_calls = 0;
};

// Records what it is asked to show; fails with a reason when told to.
class FakeDesktopBackground : public DesktopBackground {
  public:
    struct Call {
        QString path;
        QSize size;
    };

    QString name() const override { return QStringLiteral("fake"); }
    bool apply(const QString &path, const QImage &image, QString *error) override {
        calls.append({path, image.size()});
        lastImage = image;
        if (onApply)
            onApply(path);
        if (!failure.isEmpty()) {
            if (error)
                *error = failure;
            return false;
        }
        return true;
    }

    QList<Call> calls;
    QImage lastImage;
    QString failure;                              // non-empty: refuse with this reason
    std::function<void(const QString &)> onApply; // runs inside apply, before the answer
};
