#include "WallpaperRotator.h"

#include "Clock.h"
#include "Composer.h"
#include "Geometry.h"
#include "SettingsStore.h"

#include <QFileInfo>
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

void WallpaperRotator::load(const QString &historyFile) {
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
    m_history = History(historyFile);
    m_history.load();
    // The last run ended back in the history: that picture is still on the desktop.
    if (m_history.position() > 0) {
        m_path = m_history.entries().at(m_history.position()).path;
        m_title = titleOf(m_path);
    }
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
    composeStep(k, m_list.Files.value(k - 1), m_list.Titles.value(k - 1));
}

void WallpaperRotator::next() {
    if (m_history.position() > 0) {
        const int newer = m_history.newer([this](const QString &p) { return usable(p); });
        if (newer >= 0)
            return showFromHistory(newer);
    }
    RotationStep();
}

void WallpaperRotator::previous() {
    const int older = m_history.older([this](const QString &p) { return usable(p); });
    if (older >= 0)
        showFromHistory(older);
}

bool WallpaperRotator::hasPrevious() const {
    return m_history.older([this](const QString &p) { return usable(p); }) >= 0;
}

void WallpaperRotator::showFromHistory(int index) {
    const QString path = m_history.entries().at(index).path;
    compose(path, titleOf(path), [this, index, path] {
        if (m_history.entries().value(index).path == path)
            m_history.moveTo(index);
    });
}

// A picture the user removed from the list is not brought back by going back.
bool WallpaperRotator::usable(const QString &path) const {
    return m_list.Files.contains(path) && QFileInfo::exists(path);
}

QString WallpaperRotator::titleOf(const QString &path) const {
    const qsizetype line = m_list.Files.indexOf(path);
    return line >= 0 ? m_list.Titles.value(line) : FileNameOf(path);
}

int WallpaperRotator::currentLine() const {
    if (m_path.isEmpty())
        return -1;
    // With the same file listed twice, the line the rotation stands on.
    if (const auto order = orderFromStored(m_settings.OrderMode)) {
        const int index = m_rotation.indexFor(*order);
        if (m_list.Files.value(index - 1) == m_path)
            return index - 1;
    }
    return int(m_list.Files.indexOf(m_path));
}

QString WallpaperRotator::removeCurrent() {
    PictureList kept;
    QList<int> removed;
    for (int i = 0; i < m_list.count(); ++i) {
        if (!m_path.isEmpty() && m_list.Files[i] == m_path) {
            removed << i + 1;
        } else {
            kept.Files << m_list.Files[i];
            kept.Titles << m_list.Titles.value(i);
        }
    }
    if (removed.isEmpty())
        return QStringLiteral("the picture on the desktop is not in the list");
    m_rotation.removePictures(removed);
    m_list = kept;
    writePictureList(m_store, m_list);
    const bool saved = m_store.sync();
    if (m_list.count() == 0) {
        m_title.clear();
        emit currentChanged(m_title);
    } else {
        next();
    }
    return saved ? QString() : QStringLiteral("the shorter list could not be saved");
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
    // Back in the history, the desktop shows that picture, not the rotation's.
    if (m_history.position() > 0 && m_list.Files.contains(m_path))
        return compose(m_path, m_title, {});
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
    compose(path, FileNameOf(path), {});
}

void WallpaperRotator::applyPicture(const PictureList &list, int index) {
    const int n = list.count();
    if (index < 0 || index >= n)
        return;
    const int k = index + 1;
    if (const auto order = orderFromStored(m_settings.OrderMode))
        m_rotation.applyManual(k, n, *order);
    composeStep(k, list.Files.value(index), list.Titles.value(index));
}

void WallpaperRotator::compose(const QString &path, const QString &title,
                               std::function<void()> onShown) {
    if (path.isEmpty())
        return; // an entry whose stored path was lost
    // The label, the stored index and the history describe what the desktop
    // shows, so they change only once the picture is really there.
    const QPointer<WallpaperRotator> self(this);
    m_composer.ComposeWallpaper(path, m_settings, [self, path, title, onShown] {
        if (!self)
            return;
        self->setFailure(QString());
        self->m_path = path;
        self->m_title = title;
        emit self->currentChanged(title);
        if (onShown)
            onShown();
    });
}

void WallpaperRotator::composeStep(int k, const QString &path, const QString &title) {
    compose(path, title, [this, k, path] {
        writeCurrent(m_store, k);
        // A failed write cannot be helped here; the value stays in memory.
        m_store.sync();
        m_history.record(path, m_clock.now());
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
