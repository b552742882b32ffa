#include "WallpaperRotator.h"

#include "Clock.h"
#include "Composer.h"
#include "FolderIndex.h"
#include "Geometry.h"
#include "MonitorLayout.h"
#include "SettingsStore.h"

#include <QDir>
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

// Folder lines of a list that has no index yet hold no pictures.
struct NoFolders : FolderPictures {
    qsizetype count(const QString &) const override { return 0; }
    QString picture(const QString &, qsizetype) const override { return {}; }
    Place place(const QString &, const QString &) const override { return {}; }
    quint64 version() const override { return 0; }
};

bool anyFolderLine(const QStringList &files) {
    return std::any_of(files.begin(), files.end(), FolderScan::isFolderLine);
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
    // "Current" names the folder line; the history says which of its pictures.
    if (s >= 1 && s <= count && FolderScan::isFolderLine(m_path)) {
        const QString shown = m_history.entries().value(m_history.position()).path;
        m_path = sourceLine(shown) == s - 1 ? shown : QString();
        m_title = m_path.isEmpty() ? QString() : FileNameOf(m_path);
    }
    if (s >= 1 && s <= count)
        m_folderRotation.shown(s - 1, m_path);
    if (!m_path.isEmpty())
        m_paths = {m_path};
    armTimer();
}

void WallpaperRotator::setFolderIndex(FolderIndex *index) {
    m_folders = index;
    if (!index)
        return;
    index->setFolders(m_list.Files);
    connect(index, &FolderIndex::changed, this,
            [this] { changeNote([this] { m_folderNote = m_folders->note(m_list.Files); }); });
}

const FolderPictures &WallpaperRotator::folderPictures() const {
    static const NoFolders none;
    if (m_folders)
        return *m_folders;
    return none;
}

bool WallpaperRotator::hasFolderLines() const {
    return anyFolderLine(m_list.Files);
}

int WallpaperRotator::sourceLine(const QString &path) const {
    if (path.isEmpty())
        return -1;
    if (const qsizetype line = m_list.Files.indexOf(path); line >= 0)
        return int(line);
    const QString plain = QDir::fromNativeSeparators(path);
    for (int i = 0; i < m_list.count(); ++i) {
        const QString &line = m_list.Files.at(i);
        if (!FolderScan::isFolderLine(line))
            continue;
        const auto rel =
            FolderScan::relativeTo(QDir::cleanPath(QDir::fromNativeSeparators(line)), plain);
        if (rel && !rel->isEmpty())
            return i;
    }
    return -1;
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
    if (hasFolderLines())
        return folderStep();
    const int n = m_list.count();
    // One picture for each monitor that shows its own, the primary's first.
    const QList<int> taken = m_rotation.RotationSteps(
        n, orderFromStored(m_settings.OrderMode), m_random, m_composer.picturesPerStep(m_settings));
    // None: an empty list, or an order only a damaged store can name.
    if (taken.isEmpty() || taken.first() > n)
        return;
    QStringList paths;
    for (int k : taken)
        paths << m_list.Files.value(k - 1);
    composeStep(taken, paths, m_list.Titles.value(taken.first() - 1));
}

void WallpaperRotator::recompose() {
    if (!m_paths.isEmpty())
        compose(m_paths, m_title, {});
}

void WallpaperRotator::folderStep() {
    const auto order = orderFromStored(m_settings.OrderMode);
    if (!order)
        return;
    const FolderRotation::Pick pick =
        m_folderRotation.step(m_list.Files, folderPictures(), *order, m_random);
    if (pick.line < 0)
        return;
    // One picture for each monitor that shows its own, the primary's first.
    QStringList paths{pick.path};
    QList<int> lines{pick.line + 1};
    for (int i = 1; i < m_composer.picturesPerStep(m_settings); ++i) {
        const FolderRotation::Pick more =
            m_folderRotation.step(m_list.Files, folderPictures(), *order, m_random);
        paths << more.path;
        lines << more.line + 1;
    }
    // Where a list without folder lines would go on, should they leave it.
    m_rotation.Current = qint16(pick.line + 1);
    const bool folder = FolderScan::isFolderLine(m_list.Files.at(pick.line));
    composeStep(lines, paths, folder ? FileNameOf(pick.path) : m_list.Titles.value(pick.line));
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
    compose(withPrimary(path), titleOf(path), [this, index, path] {
        if (m_history.entries().value(index).path == path)
            m_history.moveTo(index);
    });
}

// A picture the user removed from the list is not brought back by going back.
bool WallpaperRotator::usable(const QString &path) const {
    return sourceLine(path) >= 0 && QFileInfo::exists(path);
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
    return sourceLine(m_path); // a folder's picture: the folder's line
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
        return sourceLine(m_path) >= 0
                   ? QStringLiteral("the picture on the desktop comes from a folder line; "
                                    "remove the file or the folder line")
                   : QStringLiteral("the picture on the desktop is not in the list");
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
    if (m_folders) {
        m_folders->setFolders(m_list.Files);
        changeNote([this] { m_folderNote = m_folders->note(m_list.Files); });
    }
}

void WallpaperRotator::confirm(const Settings &record, bool orderSwitched) {
    const auto each = [](const Settings &s) {
        return monitorModeFromStored(s.MonitorMode) == MonitorMode::Each;
    };
    // Monitors just given a picture each of their own get them now, the
    // rotation going on from where it stands.
    const bool eachNow = each(record) && !each(m_settings) && !m_paths.isEmpty();
    m_settings = record;
    armTimer();
    if (eachNow && !orderSwitched)
        return RotationStep();
    if (hasFolderLines()) {
        if (!orderSwitched && sourceLine(m_path) >= 0)
            return compose(m_paths, m_title, {});
        if (orderSwitched)
            m_folderRotation.shown(-1, {});
        return RotationStep();
    }
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
        return compose(m_paths, m_title, {});
    const int count = m_list.count();
    if (count == 0) {
        // Every picture was removed: nothing to compose again.
        m_title.clear();
        m_path.clear();
        m_paths.clear();
        emit currentChanged(m_title);
        return;
    }
    int index = m_rotation.indexFor(*order);
    if (index < 1 || index > count) {
        index = 1;
        m_rotation.setIndexFor(*order, index);
    }
    // The other monitors keep their pictures while those are still listed.
    QStringList paths{m_list.Files.value(index - 1)};
    for (qsizetype i = 1; i < m_paths.size() && m_list.Files.contains(m_paths[i]); ++i)
        paths << m_paths[i];
    compose(paths, FileNameOf(paths.first()), {});
}

void WallpaperRotator::applyPicture(const PictureList &list, int index) {
    const int n = list.count();
    if (index < 0 || index >= n)
        return;
    const int k = index + 1;
    if (anyFolderLine(list.Files)) {
        const FolderRotation::Pick pick =
            m_folderRotation.within(list.Files, folderPictures(), index);
        if (pick.line >= 0)
            composeStep({k}, withPrimary(pick.path), FileNameOf(pick.path));
        return;
    }
    if (const auto order = orderFromStored(m_settings.OrderMode))
        m_rotation.applyManual(k, n, *order);
    composeStep({k}, withPrimary(list.Files.value(index)), list.Titles.value(index));
}

// The other monitors keep what they show.
QStringList WallpaperRotator::withPrimary(const QString &path) const {
    QStringList paths = m_paths.isEmpty() ? QStringList{QString()} : m_paths;
    paths[0] = path;
    return paths;
}

void WallpaperRotator::compose(const QStringList &paths, const QString &title,
                               std::function<void()> onShown) {
    if (paths.isEmpty() || paths.first().isEmpty())
        return; // an entry whose stored path was lost
    // The label, the stored index and the history describe what the desktop
    // shows, so they change only once the picture is really there.
    const QPointer<WallpaperRotator> self(this);
    m_composer.ComposeWallpaper(paths, m_settings, [self, paths, title, onShown] {
        if (!self)
            return;
        self->setFailure(QString());
        // Matching orientations may have given the primary another picture.
        QStringList shown;
        for (const Composer::Shown &s : self->m_composer.shown())
            shown << s.picture;
        if (shown.isEmpty())
            shown = paths;
        // A monitor unplugged for now gets its own picture back when it returns.
        QStringList unplugged = paths;
        for (const QString &picture : std::as_const(shown))
            unplugged.removeOne(picture);
        shown += unplugged;
        self->m_path = shown.first();
        self->m_paths = shown;
        self->m_title = shown.first() == paths.first() ? title : self->titleOf(shown.first());
        emit self->currentChanged(self->m_title);
        if (onShown)
            onShown();
    });
}

void WallpaperRotator::composeStep(const QList<int> &taken, const QStringList &paths,
                                   const QString &title) {
    compose(paths, title, [this, taken, paths] {
        // "Current" names the primary monitor's picture.
        writeCurrent(m_store, taken.value(paths.indexOf(m_path), taken.first()));
        // A failed write cannot be helped here; the value stays in memory.
        m_store.sync();
        m_history.record(m_path, m_clock.now());
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
    if (!m_folderNote.isEmpty())
        lines << m_folderNote;
    return lines.join(QLatin1Char('\n'));
}

WallpaperRotator::Status WallpaperRotator::status() const {
    Status status{m_path,
                  orderFromStored(m_settings.OrderMode),
                  m_settings.MirellTime,
                  m_paused,
                  {},
                  m_composer.shown(),
                  m_list.Files.value(sourceLine(m_path))};
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
