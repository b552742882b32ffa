#include "FolderIndex.h"

#include <QtTest>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {
enum Change { AddPicture, AddTrusted, RemovePicture, AddFolder, RemoveFolder, DamageCache };

const QStringList Indexed = {"a.jpg", "b.PNG", "ext/o.jpeg", "sub/c.gif", "sub/deeper/d.bmp"};

void touch(const QString &path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// An hour old, so the index trusts the folders' times.
void age(const QString &folder) {
    fs::last_write_time(folder.toStdString(), fs::file_time_type::clock::now() - 1h);
}
} // namespace

class TestFolderIndex : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root, m_cache, m_locked;
    QSet<QString> m_expected;

    QString at(const QString &rel) const { return m_root + '/' + rel; }

    std::unique_ptr<FolderIndex> open(int budget = 1000, std::chrono::milliseconds poll = 1h) {
        auto index =
            std::make_unique<FolderIndex>(FolderIndex::Options{m_cache, budget, poll, 50ms});
        index->setFolders({"unrelated.jpg", line()});
        if (!QTest::qWaitFor(
                [&] { return index->status(line()).state != FolderIndex::State::Indexing; }))
            qWarning("index not ready");
        return index;
    }
    QString line() const { return QDir::toNativeSeparators(m_root + '/'); }

    QSet<QString> pictures(const FolderIndex &index) const {
        QSet<QString> rels;
        for (qsizetype i = 0; i < index.count(line()); ++i)
            rels << QDir::fromNativeSeparators(index.picture(line(), i)).mid(m_root.size() + 1);
        return rels;
    }

    void apply(Change change) {
        switch (change) {
        case AddPicture:
            return touch(at("sub/new.jpg"));
        case AddTrusted: {
            // Its time put back: the cache has no reason to look again.
            const auto before = fs::last_write_time(at("sub").toStdString());
            touch(at("sub/new.jpg"));
            return fs::last_write_time(at("sub").toStdString(), before);
        }
        case RemovePicture:
            QVERIFY(QFile::remove(at("sub/c.gif")));
            return;
        case AddFolder:
            return touch(at("sub/fresh/more/n.gif"));
        case RemoveFolder:
            QVERIFY(QDir(at("sub/deeper")).removeRecursively());
            return;
        case DamageCache:
            for (const QFileInfo &file : QDir(m_cache).entryInfoList(QDir::Files)) {
                QFile damaged(file.filePath());
                QVERIFY(damaged.open(QIODevice::WriteOnly));
                damaged.write("MFIX garbage");
            }
            return apply(AddTrusted);
        }
    }

    static void columns() {
        QTest::addColumn<int>("budget");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("removed");
    }
    static void changes(const QString &how, int budget) {
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(how + name)) << budget;
        };
        row("picture added") << AddPicture << QStringList{"sub/new.jpg"} << QStringList{};
        row("picture removed") << RemovePicture << QStringList{} << QStringList{"sub/c.gif"};
        row("folder added") << AddFolder << QStringList{"sub/fresh/more/n.gif"} << QStringList{};
        row("folder removed") << RemoveFolder << QStringList{} << QStringList{"sub/deeper/d.bmp"};
    }

    QSet<QString> expectedAfter(const QStringList &added, const QStringList &removed) const {
        QSet<QString> expected = m_expected;
        expected.unite(QSet<QString>(added.begin(), added.end()));
        expected.subtract(QSet<QString>(removed.begin(), removed.end()));
        return expected;
    }

  private slots:
    void init() {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_root = m_tmp->filePath("photos");
        m_cache = m_tmp->filePath("cache");
        for (const QString &rel :
             Indexed + QStringList{"notes.txt", "README", ".hidden/h.jpg", "@eaDir/t.jpg",
                                   "#recycle/r.jpg", ".thumbnails/s.jpg", "sub/.x.jpg"})
            touch(rel.startsWith("ext/") ? m_tmp->filePath("outside/o.jpeg") : at(rel));
        // Loops: to the root, to the folder itself, and out of the tree and back.
        QVERIFY(QFile::link(m_root, at("sub/loop")));
        QVERIFY(QFile::link(at("sub"), at("sub/deeper/up")));
        QVERIFY(QFile::link(m_tmp->filePath("outside"), at("ext")));
        QVERIFY(QFile::link(m_tmp->filePath("outside"), m_tmp->filePath("outside/again")));
        m_locked = at("locked");
        touch(m_locked + "/e.jpg");
        QVERIFY(QFile::setPermissions(m_locked, {}));
        m_expected = QSet<QString>(Indexed.begin(), Indexed.end());
        // Root reads every folder: then the locked one is simply indexed.
        if (QFileInfo(m_locked).isReadable())
            m_expected << "locked/e.jpg";
        for (const char *folder : {"", "sub", "sub/deeper", "locked"})
            age(at(folder));
    }

    void cleanup() {
        QFile::setPermissions(m_locked, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    }

    void scan() {
        auto index = open();
        QCOMPARE(pictures(*index), m_expected);
        QCOMPARE(index->status(line()).unwatchedFolders, 0);
        QCOMPARE(index->count("unrelated.jpg"), 0);
    }

    void cache_data() {
        columns();
        changes("while away: ", 0);
        QTest::newRow("unchanged folder trusted")
            << 0 << AddTrusted << QStringList{} << QStringList{};
        QTest::newRow("damaged cache")
            << 0 << DamageCache << QStringList{"sub/new.jpg"} << QStringList{};
    }
    void cache() {
        QFETCH(Change, change);
        QFETCH(QStringList, added);
        QFETCH(QStringList, removed);
        QCOMPARE(pictures(*open()), m_expected);
        apply(change);
        QCOMPARE(pictures(*open()), expectedAfter(added, removed));
    }

    void live_data() {
        columns();
        changes("watched: ", 1000);
        changes("polled: ", 0);
    }
    void live() {
        QFETCH(int, budget);
        QFETCH(Change, change);
        QFETCH(QStringList, added);
        QFETCH(QStringList, removed);
        // Polling every 100 ms would hide a missed watch: watched rows never poll.
        auto index = open(budget, budget ? 1h : 100ms);
        QCOMPARE(index->status(line()).unwatchedFolders > 0, budget == 0);
        apply(change);
        QTRY_COMPARE(pictures(*index), expectedAfter(added, removed));
    }

    void missingFolder() {
        auto index = open(1000, 1h); // seen by the watch on its parent
        QVERIFY(QDir().rename(m_root, m_root + "-away"));
        QTRY_VERIFY(index->status(line()).state == FolderIndex::State::Missing);
        QVERIFY(index->status(line()).reason == FolderScan::Reason::NotFound);
        QCOMPARE(index->count(line()), 0);
        QVERIFY(QDir().rename(m_root + "-away", m_root));
        apply(AddPicture);
        QTRY_COMPARE(pictures(*index), expectedAfter({"sub/new.jpg"}, {}));
    }
};

QTEST_GUILESS_MAIN(TestFolderIndex)
#include "test_folderindex.moc"
