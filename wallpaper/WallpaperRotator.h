#pragma once

#include "Composer.h"
#include "FolderRotation.h"
#include "History.h"
#include "Rotation.h"
#include "Settings.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class Clock;
class Composer;
class FolderIndex;
class RandomSource;
class SettingsStore;

// The working heart of the program: the confirmed settings and picture list,
// the rotation state, and what the desktop shows. The timer, the tray, the
// settings window and the commands of a second start all drive this one object.
class WallpaperRotator : public QObject {
    Q_OBJECT
  public:
    struct Status {
        QString picture; // full path of the picture on the desktop, empty when unknown
        std::optional<Order> order;
        int interval = 0; // minutes
        bool paused = false;
        QDateTime next;                  // when the next timed switch is due; null when none is
        QList<Composer::Shown> monitors; // since the first switch of this run
        QString source; // the list line the picture comes from (a folder's for its pictures)
    };

    WallpaperRotator(SettingsStore &store, Composer &composer, RandomSource &random,
                     const Clock &clock, QObject *parent = nullptr);

    // The record, the list and "Current" as start-up finds them in the store,
    // and the pictures shown before, kept in historyFile (none: in memory only).
    void load(const QString &historyFile = {});
    // The minute timer (property AlarmMinute, signal Alarm()), known only by
    // its meta-object; the rotator arms it and owns it from now on.
    void setTimer(QObject *timer);
    // The index that opens the list's folder lines; without one they show nothing.
    void setFolderIndex(FolderIndex *index);
    FolderIndex *folderIndex() const { return m_folders; }

    const Settings &settings() const { return m_settings; }
    const PictureList &pictures() const { return m_list; }
    // The title of the picture on the desktop (labCurr).
    QString currentTitle() const { return m_title; }
    Status status() const;
    const History &history() const { return m_history; }
    // The line (0-based) of the picture on the desktop; -1 when it is on none.
    int currentLine() const;
    bool hasPrevious() const;
    // What the icon's tip adds to the program's name: the pause and the
    // desktop's last refusal, which lasts only until a picture gets through.
    QString note() const;

    // The list as the window last saved it; the steps use it from now on.
    void setPictures(const PictureList &list);
    // OK: the record takes effect and the desktop follows it, with a step
    // when the order was switched or nothing was chosen yet, else the
    // picture it shows composed again.
    void confirm(const Settings &record, bool orderSwitched);
    // cmdLet: picture index (0-based) of list, which may hold edits not yet confirmed.
    void applyPicture(const PictureList &list, int index);
    // While paused the timer's alarms switch nothing; a step asked for still runs.
    void setPaused(bool paused);

    // The picture on the desktop leaves the list, every line of it, as the
    // window's remove and OK would (the file stays); the list is saved and
    // the next picture comes. The reason when nothing was removed.
    QString removeCurrent();

  public slots:
    void RotationStep();
    // The tray's "now" and the command: after going back, forward through the
    // history first; from its newest picture on, the rotation.
    void next();
    // The picture shown before the one on the desktop, skipping pictures no
    // longer in the list. The rotation is left as it is.
    void previous();
    // The monitors changed: what is shown is composed again for them, the
    // rotation left as it is.
    void recompose();

  signals:
    void currentChanged(const QString &title);
    void noteChanged(const QString &note);
    // The desktop refused a picture for a reason other than the one already noted.
    void failed(const QString &reason);

  private slots:
    void onAlarm();

  private:
    void armTimer();
    void compose(const QStringList &paths, const QString &title, std::function<void()> onShown);
    // taken: the pictures' 1-based indices, path for path.
    void composeStep(const QList<int> &taken, const QStringList &paths, const QString &title);
    void showFromHistory(int index);
    bool usable(const QString &path) const;
    bool hasFolderLines() const;
    const FolderPictures &folderPictures() const;
    // The line (0-based) a picture comes from, its own or its folder's; -1: none.
    int sourceLine(const QString &path) const;
    void folderStep();
    QStringList withPrimary(const QString &path) const;
    QString titleOf(const QString &path) const;
    void setFailure(const QString &reason);
    void changeNote(const std::function<void()> &change);

    SettingsStore &m_store;
    Composer &m_composer;
    RandomSource &m_random;
    const Clock &m_clock;
    QPointer<QObject> m_timer;
    Settings m_settings;
    PictureList m_list;
    Rotation m_rotation;
    FolderIndex *m_folders = nullptr;
    FolderRotation m_folderRotation;
    QString m_folderNote;
    History m_history;
    QString m_title;
    QString m_path;
    QStringList m_paths; // on each monitor that shows its own, the primary's first
    QString m_failure;
    bool m_paused = false;
};
