#include "DataTable.h"
#include "FolderIndex.h"

#include <QtTest>

#include <filesystem>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {
const QStringList Indexed = {"a.jpg", "b.PNG", "ext/o.jpeg", "sub/c.gif", "sub/deeper/d.bmp"};

void touch(const QString &path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}
} // namespace

class TestFolderIndex : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root, m_cache, m_locked;
    QSet<QString> m_expected;

    QString at(const QString &rel) const { return m_root + '/' + rel; }
    QString line() const { return QDir::toNativeSeparators(m_root + '/'); }

    std::unique_ptr<FolderIndex> open(int budget = 1000, std::chrono::milliseconds poll = 1h) {
        auto index =
            std::make_unique<FolderIndex>(FolderIndex::Options{m_cache, budget, poll, 50ms});
        index->setFolders({"unrelated.jpg", line()});
        (void)QTest::qWaitFor(
            [&] { return index->status(line()).state != FolderIndex::State::Indexing; });
        return index;
    }

    QSet<QString> pictures(const FolderIndex &index) const {
        QSet<QString> rels;
        for (qsizetype i = 0; i < index.count(line()); ++i)
            rels << QDir::fromNativeSeparators(index.picture(line(), i)).mid(m_root.size() + 1);
        return rels;
    }

    // "+rel" adds a picture, "-rel" removes a picture or a folder, "=rel" adds
    // one and puts its folder's time back (the cache has no reason to look
    // again); what the index is to hold after it.
    QSet<QString> apply(const QString &change) {
        const QString rel = change.mid(1);
        const std::string folder = QFileInfo(at(rel)).path().toStdString();
        QSet<QString> expected = m_expected;
        if (change[0] == '-') {
            if (!QFile::remove(at(rel)))
                QDir(at(rel)).removeRecursively();
            expected.removeIf([&](const QString &path) { return path.startsWith(rel); });
            return expected;
        }
        const auto time = change[0] == '+' ? fs::file_time_type() : fs::last_write_time(folder);
        touch(at(rel));
        if (change[0] == '+')
            return expected << rel;
        fs::last_write_time(folder, time);
        return expected;
    }

    static void addChanges(const auto &row, const char *how, int budget) {
        for (const auto &[name, change] : {std::pair{"picture added", "+sub/new.jpg"},
                                           {"picture removed", "-sub/c.gif"},
                                           {"folder added", "+sub/fresh/more/n.gif"},
                                           {"folder removed", "-sub/deeper"}})
            row((QByteArray(how) + name).constData(), budget, change);
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
        // An hour old, so the index trusts the folders' times.
        for (const char *folder : {"", "sub", "sub/deeper", "locked"})
            fs::last_write_time(at(folder).toStdString(), fs::file_time_type::clock::now() - 1h);
    }

    void cleanup() {
        QFile::setPermissions(m_locked, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    }

    // Changes made while the program was away (budget -1), and while it
    // watches or polls.
    void changes_data() {
        const auto row = addColumns<int, QString>({"budget", "change"});
        addChanges(row, "while away: ", -1);
        row("unchanged folder trusted", -1, "=sub/new.jpg");
        addChanges(row, "watched: ", 1000);
        addChanges(row, "polled: ", 0);
    }
    void changes() {
        QFETCH(int, budget);
        // Polling every 100 ms would hide a missed watch: watched rows never poll.
        auto index = open(budget < 0 ? 1000 : budget, budget ? 1h : 100ms);
        QCOMPARE(pictures(*index), m_expected);
        QCOMPARE(index->status(line()).unwatchedFolders > 0, budget == 0);
        QCOMPARE(index->count("unrelated.jpg"), 0);
        if (budget < 0)
            index.reset();
        QFETCH(QString, change);
        const QSet<QString> expected = apply(change);
        if (budget < 0)
            index = open();
        QTRY_COMPARE(pictures(*index), expected);
    }

    void missingFolder() {
        auto index = open(1000, 1h); // seen by the watch on its parent
        QVERIFY(QDir().rename(m_root, m_root + "-away"));
        QTRY_VERIFY(index->status(line()).state == FolderIndex::State::Missing);
        QVERIFY(index->status(line()).reason == FolderScan::Reason::NotFound);
        QCOMPARE(index->count(line()), 0);
        QVERIFY(QDir().rename(m_root + "-away", m_root));
        const QSet<QString> expected = apply("+sub/new.jpg");
        QTRY_COMPARE(pictures(*index), expected);
    }
};

QTEST_GUILESS_MAIN(TestFolderIndex)
#include "test_folderindex.moc"
