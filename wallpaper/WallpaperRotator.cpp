#include "WallpaperRotator.h"

#include "Clock.h"
#include "Composer.h"
#include "Geometry.h"
#include "SettingsStore.h"

#include <QVariant>

#include <algorithm>

namespace {

// Seconds until the timer's alarm, from its counts (a minute is 60 ticks; an
// interval below 1 alarms every minute). The alarm comes at the first minute
// boundary where the count reaches the interval.
int secondsToAlarm(int alarmMinute, int minutesCounted, int ticksCounted) {
    const int boundaries = std::max(1, alarmMinute - minutesCounted);
    return boundaries * 60 - ticksCounted;
}

} // namespace

WallpaperRotator::WallpaperRotator(SettingsStore &store, Composer &composer, RandomSource &random,
                                   const Clock &clock, QObject *parent)
    : QObject(parent), m_store(store), m_composer(composer), m_random(random), m_clock(clock) {
    connect(&m_composer, &Composer::desktopFailed, this, &WallpaperRotator::setFailure);
}

void WallpaperRotator::load() {
    m_list = readPictureList(m_store);
    const StoredSettings stored = readSettings(m_store);
    m_settings = stored.record;
    const qint32 s = stored.storedCurrent;
    const int count = m_list.count();
    if (s >= 1 && s <= count) {
        m_title = m_list.Titles.value(s - 1);
        m_path = m_list.Files.value(s - 1);
    }
    // A negative index (only a damaged store holds one) would never wrap
    // back into the list; start the list afresh instead.
    const bool usable = s >= 0 && s <= MaxPictureCount;
    const bool listOrder = orderFromStored(m_settings.OrderMode) == Order::List;
    m_rotation.Current = count >= 1 && listOrder && usable ? qint16(s) : 0;
    armTimer();
}

void WallpaperRotator::setTimer(QObject *timer) {
    m_timer = timer;
    if (!timer)
        return;
    timer->setParent(this);
    // The timer comes from a plugin known only by its meta-object.
    connect(timer, SIGNAL(Alarm()), this, SLOT(onAlarm()));
    armTimer();
}

void WallpaperRotator::armTimer() {
    if (m_timer)
        m_timer->setProperty("AlarmMinute", int(m_settings.MirellTime));
}

void WallpaperRotator::onAlarm() {
    if (!m_paused)
        RotationStep();
}

void WallpaperRotator::RotationStep() {
    const int n = m_list.count();
    const int k = m_rotation.RotationStep(n, orderFromStored(m_settings.OrderMode), m_random);
    // 0: an empty list, or an order only a damaged store can name.
    if (k < 1 || k > n)
        return;
    compose(k, m_list.Files.value(k - 1), m_list.Titles.value(k - 1), true);
}

void WallpaperRotator::setPictures(const PictureList &list) {
    m_list = list;
}

void WallpaperRotator::confirm(const Settings &record, bool orderSwitched) {
    m_settings = record;
    armTimer();
    if (orderSwitched || m_rotation.Current == 0) {
        m_rotation.Current = 0;
        RotationStep();
        return;
    }
    const auto order = orderFromStored(m_settings.OrderMode);
    if (!order)
        return;
    const int count = m_list.count();
    if (count == 0) {
        // Every picture was removed: nothing to compose again.
        m_title.clear();
        m_path.clear();
        emit currentChanged(m_title);
        return;
    }
    int index = m_rotation.indexFor(*order);
    if (index < 1 || index > count) {
        index = 1;
        m_rotation.setIndexFor(*order, index);
    }
    const QString path = m_list.Files.value(index - 1);
    compose(index, path, FileNameOf(path), false);
}

void WallpaperRotator::applyPicture(const PictureList &list, int index) {
    const int n = list.count();
    if (index < 0 || index >= n)
        return;
    const int k = index + 1;
    if (const auto order = orderFromStored(m_settings.OrderMode))
        m_rotation.applyManual(k, n, *order);
    compose(k, list.Files.value(index), list.Titles.value(index), true);
}

void WallpaperRotator::compose(int k, const QString &path, const QString &title,
                               bool recordCurrent) {
    if (path.isEmpty())
        return; // an entry whose stored path was lost
    // The label and the stored index describe what the desktop shows, so
    // they change only once the picture is really there.
    const QPointer<WallpaperRotator> self(this);
    m_composer.ComposeWallpaper(path, m_settings, [self, k, path, title, recordCurrent] {
        if (!self)
            return;
        self->setFailure(QString());
        self->m_path = path;
        self->m_title = title;
        emit self->currentChanged(title);
        if (recordCurrent) {
            writeCurrent(self->m_store, k);
            // A failed write cannot be helped here; the value stays in memory.
            self->m_store.sync();
        }
    });
}

void WallpaperRotator::setPaused(bool paused) {
    if (paused != m_paused)
        changeNote([&] { m_paused = paused; });
}

void WallpaperRotator::setFailure(const QString &reason) {
    if (reason == m_failure)
        return;
    changeNote([&] { m_failure = reason; });
    if (!reason.isEmpty())
        emit failed(reason);
}

void WallpaperRotator::changeNote(const std::function<void()> &change) {
    const QString before = note();
    change();
    if (note() != before)
        emit noteChanged(note());
}

QString WallpaperRotator::note() const {
    QStringList lines;
    if (m_paused)
        lines << QStringLiteral("一時停止中");
    if (!m_failure.isEmpty())
        lines << m_failure;
    return lines.join(QLatin1Char('\n'));
}

WallpaperRotator::Status WallpaperRotator::status() const {
    Status status{
        m_path, orderFromStored(m_settings.OrderMode), m_settings.MirellTime, m_paused, {}};
    if (m_timer && !m_paused) {
        const QVariant minutes = m_timer->property("MinuteCount");
        const QVariant ticks = m_timer->property("TickCount");
        if (minutes.isValid() && ticks.isValid()) {
            const int alarm = m_timer->property("AlarmMinute").toInt();
            status.next =
                m_clock.now().addSecs(secondsToAlarm(alarm, minutes.toInt(), ticks.toInt()));
        }
    }
    return status;
}
