#include "FolderIndex.h"

#include "FolderWatchBudget.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

QString rootOf(const QString &line) {
    return QDir::cleanPath(QDir::fromNativeSeparators(line));
}

QString parentOf(const QString &root) {
    return QFileInfo(root).path();
}

std::shared_ptr<const FolderIndex::Snapshot> snapshot(FolderScan::Reason reason,
                                                      const FolderTree &tree) {
    auto view = std::make_shared<FolderIndex::Snapshot>();
    view->reason = reason;
    view->tree = tree;
    qsizetype total = 0;
    for (auto it = view->tree.cbegin(); it != view->tree.cend(); ++it)
        if (it->second.count() > 0) {
            view->folders.push_back(it);
            view->ends.push_back(total += it->second.count());
        }
    return view;
}

} // namespace

// Owns the trees; every disk access of the index happens here.
class FolderIndexWorker : public QObject {
  public:
    FolderIndexWorker(FolderIndex *index, QString cacheDir)
        : m_index(index), m_cacheDir(std::move(cacheDir)) {}

    void open(const QString &line, const QString &root, quint64 generation) {
        Root &entry = m_roots[line];
        entry = Root{root, generation, {}, false};
        if (auto cached = cacheFile(root); !cached.isEmpty())
            entry.tree = FolderScan::load(cached, root).value_or(FolderTree{});
        refresh(line, generation, {}, false);
    }

    void close(const QString &line) { m_roots.remove(line); }

    // Brings the given folders up to date; a root that is back after being
    // gone is checked whole.
    void refresh(const QString &line, quint64 generation, const QStringList &rels, bool force) {
        const auto found = m_roots.find(line);
        if (found == m_roots.end() || found->generation != generation)
            return;
        Root &entry = *found;
        const FolderScan::Reason reason = FolderScan::rootState(entry.root);
        if (reason != FolderScan::Reason::None) {
            if (!entry.missing || !entry.published) {
                entry.missing = true;
                publish(line, entry, reason);
            }
            return;
        }
        bool changed = false;
        if (!entry.published || entry.missing) {
            if (entry.tree.contains(QString())) {
                QStringList all;
                for (const auto &folder : entry.tree)
                    all << folder.first;
                changed = refreshAll(entry, all, false);
            } else {
                FolderScan::scanSubtree(entry.root, QString(), entry.tree);
                changed = true;
            }
            entry.missing = false;
        } else {
            changed = refreshAll(entry, rels, force);
        }
        if (QThread::currentThread()->isInterruptionRequested())
            return;
        if (changed || !entry.published) {
            publish(line, entry, FolderScan::Reason::None);
            if (const QString file = cacheFile(entry.root); !file.isEmpty())
                FolderScan::save(file, entry.root, entry.tree);
        }
    }

  private:
    struct Root {
        QString root;
        quint64 generation = 0;
        FolderTree tree;
        bool missing = false;
        bool published = false;
    };

    bool refreshAll(Root &entry, const QStringList &rels, bool force) {
        bool changed = false;
        for (const QString &rel : rels) {
            if (QThread::currentThread()->isInterruptionRequested())
                return false;
            changed |= FolderScan::refreshFolder(entry.root, rel, entry.tree, force);
        }
        return changed;
    }

    void publish(const QString &line, Root &entry, FolderScan::Reason reason) {
        entry.published = true;
        auto view =
            snapshot(reason, reason == FolderScan::Reason::None ? entry.tree : FolderTree{});
        QMetaObject::invokeMethod(m_index, [index = m_index, line, generation = entry.generation,
                                            view] { index->deliver(line, generation, view); });
    }

    QString cacheFile(const QString &root) const {
        if (m_cacheDir.isEmpty())
            return {};
        const QByteArray key = QCryptographicHash::hash(root.toUtf8(), QCryptographicHash::Sha1);
        return m_cacheDir + QLatin1Char('/') + QString::fromLatin1(key.toHex().left(20)) +
               QStringLiteral(".index");
    }

    FolderIndex *m_index;
    QString m_cacheDir;
    QHash<QString, Root> m_roots;
};

FolderIndex::FolderIndex(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)) {
    if (m_options.watchBudget < 0)
        m_options.watchBudget = folderWatchBudget();
    m_worker = new FolderIndexWorker(this, m_options.cacheDir);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("FolderIndex"));
    m_thread.start(QThread::LowPriority);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderIndex::folderChanged);
    m_settle.setSingleShot(true);
    m_settle.setInterval(m_options.settleTime);
    connect(&m_settle, &QTimer::timeout, this, &FolderIndex::settle);
    m_poll.setInterval(m_options.pollInterval);
    connect(&m_poll, &QTimer::timeout, this, &FolderIndex::poll);
    m_poll.start();
}

FolderIndex::~FolderIndex() {
    m_thread.requestInterruption();
    m_thread.quit();
    m_thread.wait();
}

void FolderIndex::setFolders(const QStringList &lines, Client client) {
    m_wanted[client] = lines;
    QSet<QString> wanted;
    for (const QStringList &list : std::as_const(m_wanted))
        for (const QString &line : list)
            if (FolderScan::isFolderLine(line))
                wanted.insert(line);
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        QMetaObject::invokeMethod(m_worker,
                                  [worker = m_worker, line = it.key()] { worker->close(line); });
        m_pending.remove(it.key());
        it = m_lines.erase(it);
    }
    for (const QString &line : std::as_const(wanted)) {
        if (m_lines.contains(line))
            continue;
        Line &entry = m_lines[line];
        entry.root = rootOf(line);
        entry.generation = ++m_generation;
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, line, root = entry.root, generation = entry.generation] {
                worker->open(line, root, generation);
            });
    }
    updateWatches();
}

const FolderIndex::Snapshot *FolderIndex::ready(const QString &line) const {
    const auto found = m_lines.constFind(line);
    if (found == m_lines.cend() || !found->view || found->view->reason != FolderScan::Reason::None)
        return nullptr;
    return found->view.get();
}

FolderIndex::Status FolderIndex::status(const QString &line) const {
    Status status;
    const auto found = m_lines.constFind(line);
    if (found == m_lines.cend() || !found->view)
        return status;
    status.reason = found->view->reason;
    status.state = status.reason == FolderScan::Reason::None ? State::Ready : State::Missing;
    status.pictures = count(line);
    status.unwatchedFolders = int(found->unwatched.size());
    return status;
}

qsizetype FolderIndex::count(const QString &line) const {
    const Snapshot *view = ready(line);
    return view && !view->ends.empty() ? view->ends.back() : 0;
}

QString FolderIndex::picture(const QString &line, qsizetype i) const {
    const Snapshot *view = ready(line);
    if (!view || i < 0 || view->ends.empty() || i >= view->ends.back())
        return {};
    const auto at = std::upper_bound(view->ends.begin(), view->ends.end(), i);
    const std::size_t folder = std::size_t(at - view->ends.begin());
    const qsizetype first = folder == 0 ? 0 : view->ends[folder - 1];
    const auto &[rel, pictures] = *view->folders[folder];
    return QDir::toNativeSeparators(FolderScan::join(
        FolderScan::join(m_lines.value(line).root, rel), pictures.name(i - first)));
}

FolderPictures::Place FolderIndex::place(const QString &line, const QString &path) const {
    const Snapshot *view = ready(line);
    const auto rel =
        FolderScan::relativeTo(m_lines.value(line).root, QDir::fromNativeSeparators(path));
    if (!view || !rel)
        return {};
    const qsizetype slash = rel->lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : rel->left(slash);
    const QString name = rel->mid(slash + 1);
    // Folders in the tree's order, so one gone leaves its place to the next.
    const auto at = std::lower_bound(
        view->folders.begin(), view->folders.end(), folder,
        [](FolderTree::const_iterator it, const QString &rel) { return it->first < rel; });
    const std::size_t k = std::size_t(at - view->folders.begin());
    Place place{k == 0 ? 0 : view->ends[k - 1], false};
    if (at == view->folders.end() || (*at)->first != folder)
        return place;
    const IndexedFolder &pictures = (*at)->second;
    qsizetype low = 0, high = pictures.count();
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (pictures.name(mid) < name)
            low = mid + 1;
        else
            high = mid;
    }
    place.at += low;
    place.found = low < pictures.count() && pictures.name(low) == name;
    return place;
}

QString FolderIndex::note(const QStringList &lines) const {
    QStringList notes;
    int polled = 0;
    for (const QString &line : lines) {
        const auto found = m_lines.constFind(line);
        if (found == m_lines.cend() || !found->view)
            continue;
        polled += int(found->unwatched.size());
        switch (found->view->reason) {
        case FolderScan::Reason::None:
            break;
        case FolderScan::Reason::Unreadable:
            notes << QStringLiteral("フォルダを読めません: %1").arg(line);
            break;
        default:
            notes << QStringLiteral("フォルダが見つかりません: %1").arg(line);
        }
    }
    if (polled > 0)
        notes << QStringLiteral("%1個のフォルダは監視できる数を超えたため定期的に確認しています")
                     .arg(polled);
    return notes.join(QLatin1Char('\n'));
}

int FolderIndex::watchedFolders() const {
    return int(m_watcher.directories().size());
}

qsizetype FolderIndex::memoryBytes() const {
    // Node and key of the worker's tree and of the published one; the
    // packed names are shared between the two.
    qsizetype bytes = 0;
    for (const Line &line : m_lines) {
        if (!line.view)
            continue;
        for (const auto &[rel, folder] : line.view->tree)
            bytes += 2 * (64 + rel.capacity() * qsizetype(sizeof(QChar))) + folder.bytes();
        bytes += qsizetype(line.view->folders.capacity() * sizeof(FolderTree::const_iterator) +
                           line.view->ends.capacity() * sizeof(qsizetype));
    }
    return bytes;
}

void FolderIndex::deliver(const QString &line, quint64 generation,
                          std::shared_ptr<const Snapshot> view) {
    const auto found = m_lines.find(line);
    if (found == m_lines.end() || found->generation != generation)
        return;
    found->view = std::move(view);
    ++m_version;
    updateWatches();
    emit changed(line);
}

// The first folders of every line, in the order of the list, take the watch
// budget; the shallow ones come first within a line, since a new subfolder is
// seen through its parent.
void FolderIndex::updateWatches() {
    QStringList lines = m_lines.keys();
    lines.sort();
    QList<std::pair<Line *, QString>> candidates; // folders in order of preference
    QSet<QString> desired;
    for (const QString &key : std::as_const(lines)) {
        Line &line = m_lines[key];
        line.unwatched.clear();
        // A folder's own watch does not see it renamed or its disk taken
        // away; its parent's does, and sees it come back.
        if (desired.size() < m_options.watchBudget)
            desired.insert(parentOf(line.root));
        if (!line.view || line.view->reason != FolderScan::Reason::None)
            continue;
        QStringList rels;
        for (const auto &folder : line.view->tree)
            rels << folder.first;
        std::stable_sort(rels.begin(), rels.end(), [](const QString &a, const QString &b) {
            return a.count(QLatin1Char('/')) + !a.isEmpty() <
                   b.count(QLatin1Char('/')) + !b.isEmpty();
        });
        for (const QString &rel : std::as_const(rels))
            candidates.append({&line, rel});
    }
    for (const auto &[line, rel] : std::as_const(candidates)) {
        const QString path = FolderScan::join(line->root, rel);
        if (desired.contains(path) || desired.size() < m_options.watchBudget)
            desired.insert(path);
    }
    const QStringList current = m_watcher.directories();
    QStringList stale, fresh;
    for (const QString &path : current)
        if (!desired.contains(path))
            stale << path;
    const QSet<QString> watching(current.begin(), current.end());
    for (const QString &path : std::as_const(desired))
        if (!watching.contains(path))
            fresh << path;
    if (!stale.isEmpty())
        m_watcher.removePaths(stale);
    if (!fresh.isEmpty())
        m_watcher.addPaths(fresh); // refused paths stay out of directories()
    const QStringList now = m_watcher.directories();
    const QSet<QString> watched(now.begin(), now.end());
    for (const auto &[line, rel] : std::as_const(candidates))
        if (!watched.contains(FolderScan::join(line->root, rel)))
            line->unwatched << rel;
}

void FolderIndex::folderChanged(const QString &path) {
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it) {
        if (const auto rel = FolderScan::relativeTo(it->root, path))
            m_pending[it.key()].insert(*rel);
        else if (parentOf(it->root) == path)
            m_pending[it.key()]; // only whether the folder is still there
    }
    m_settle.start();
}

void FolderIndex::settle() {
    const auto pending = std::exchange(m_pending, {});
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        const auto line = m_lines.constFind(it.key());
        if (line == m_lines.cend())
            continue;
        QStringList rels(it->begin(), it->end());
        rels.sort(); // parents before their subfolders
        QMetaObject::invokeMethod(m_worker,
                                  [worker = m_worker, key = it.key(), generation = line->generation,
                                   rels] { worker->refresh(key, generation, rels, true); });
    }
}

void FolderIndex::poll() {
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it)
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, key = it.key(), generation = it->generation,
                       rels = it->unwatched] { worker->refresh(key, generation, rels, false); });
}
