#pragma once

#include "FolderRotation.h"
#include "FolderTree.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

class FolderIndexWorker;

// The pictures of the folder lines of the picture list, in all their
// subfolders. Folders are read on a worker thread and remembered in a cache
// file, so a restart reads only folders whose modification time moved; they
// are watched one folder at a time (never file by file) within the platform's
// budget, and folders beyond it are rescanned periodically. A folder line
// whose folder is gone (a removed disk, an unmounted share) counts no
// pictures until the folder is back.
class FolderIndex : public QObject, public FolderPictures {
    Q_OBJECT
  public:
    struct Options {
        QString cacheDir;     // empty: nothing is cached
        int watchBudget = -1; // folders watched at most; -1: the platform's share
        std::chrono::milliseconds pollInterval{60000};
        // Changes are gathered this long, so copying a thousand photos is one rescan.
        std::chrono::milliseconds settleTime{200};
    };
    enum class State { Indexing, Ready, Missing };
    struct Status {
        State state = State::Indexing;
        FolderScan::Reason reason = FolderScan::Reason::None;
        qsizetype pictures = 0;
        int unwatchedFolders = 0;
    };

    explicit FolderIndex(Options options, QObject *parent = nullptr);
    ~FolderIndex() override;

    // Who asks for folders: the rotation its confirmed list, the window the
    // list being edited. The index holds the folder lines of both.
    enum class Client { Rotation, Window };
    // Takes the folder lines among lines; others are left out.
    void setFolders(const QStringList &lines, Client client = Client::Rotation);

    Status status(const QString &line) const;
    qsizetype count(const QString &line) const override;
    // Picture i of the line, 0 <= i < count(line), with native separators.
    QString picture(const QString &line, qsizetype i) const override;
    Place place(const QString &line, const QString &path) const override;
    quint64 version() const override { return m_version; }
    // Lines of lines whose folder is gone or polled, for the tray's tip.
    QString note(const QStringList &lines) const;

    int watchedFolders() const;
    qsizetype memoryBytes() const;

    // Published by the worker: an immutable view of one line's tree.
    struct Snapshot {
        FolderScan::Reason reason = FolderScan::Reason::None;
        FolderTree tree;
        std::vector<FolderTree::const_iterator> folders; // those with pictures
        std::vector<qsizetype> ends;                     // running picture count
    };

  signals:
    // The line's pictures or its state changed.
    void changed(const QString &line);

  private:
    struct Line {
        QString root;
        quint64 generation = 0;
        std::shared_ptr<const Snapshot> view;
        QStringList unwatched; // folders below root that only the poll looks at
    };

    void deliver(const QString &line, quint64 generation, std::shared_ptr<const Snapshot> view);
    void updateWatches();
    void folderChanged(const QString &path);
    void settle();
    void poll();
    const Snapshot *ready(const QString &line) const;

    Options m_options;
    QHash<QString, Line> m_lines;
    QHash<Client, QStringList> m_wanted;
    QHash<QString, QSet<QString>> m_pending; // line -> changed folders
    quint64 m_generation = 0;
    quint64 m_version = 0;
    QFileSystemWatcher m_watcher;
    QTimer m_settle, m_poll;
    QThread m_thread;
    FolderIndexWorker *m_worker = nullptr;

    friend class FolderIndexWorker;
};
