// Figures for a folder line of 100,000 small pictures in 1,000 folders: the
// cold index, a warm start from the cache, the memory the index holds, and
// `find DIR -type f | wc -l` on the same tree for comparison. Prints only.
#include "FolderIndex.h"
#include "FolderRotation.h"
#include "ProcStatus.h"
#include "RandomSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>

using namespace std::chrono_literals;

namespace {

constexpr int kFolders = 1000;
constexpr int kPerFolder = 100;

// Ten top folders of a hundred each, as a photo collection by year and day,
// last changed a day ago as such folders are (a folder changed a moment ago
// is read again at every start).
void makeTree(const QString &root) {
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = QStringLiteral("%1/%2/day-%3").arg(root).arg(2000 + f / 100).arg(f);
        QDir().mkpath(folder);
        for (int i = 0; i < kPerFolder; ++i) {
            QFile file(QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
            if (file.open(QIODevice::WriteOnly))
                file.write("x");
        }
    }
    const auto dayAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root.toStdString()))
        if (entry.is_directory())
            std::filesystem::last_write_time(entry.path(), dayAgo);
    std::filesystem::last_write_time(root.toStdString(), dayAgo);
}

// The slowest and the mean step of a whole shuffled round over files.
void timeRound(const char *what, const QStringList &files, const FolderPictures &folders,
               qsizetype steps) {
    FolderRotation rotation;
    SeededRandom random(1);
    double slowest = 0, total = 0;
    for (qsizetype i = 0; i < steps; ++i) {
        QElapsedTimer timer;
        timer.start();
        rotation.step(files, folders, Order::Shuffled, random);
        const double us = double(timer.nsecsElapsed()) / 1e3;
        slowest = std::max(slowest, us);
        total += us;
    }
    std::printf("shuffle step: %s: mean %.1f us, slowest %.0f us over a round\n", what,
                total / double(steps), slowest);
}

double indexOnce(const QString &cache, const QString &line, qsizetype *pictures,
                 FolderIndex **keep = nullptr) {
    QElapsedTimer timer;
    timer.start();
    auto *index = new FolderIndex(FolderIndex::Options{cache, -1, 1h, 200ms});
    index->setFolders({line});
    if (!QTest::qWaitFor([&] { return index->status(line).state != FolderIndex::State::Indexing; },
                         600000))
        std::printf("the index was not ready within ten minutes\n");
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    *pictures = index->count(line);
    if (keep)
        *keep = index;
    else
        delete index;
    return ms;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("photos"));
    const QString cache = dir.filePath(QStringLiteral("cache"));
    makeTree(root);
    // The tree was just written, so find and the index both read cached folders.
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.start(QStringLiteral("sh"),
               {QStringLiteral("-c"), QStringLiteral("find '%1' -type f | wc -l").arg(root)});
    find.waitForFinished(-1);
    const double findMs = double(timer.nsecsElapsed()) / 1e6;
    const QByteArray found = find.readAllStandardOutput().trimmed();

    const QString line = root + QLatin1Char('/');
    qsizetype cold = 0, warm = 0;
    const double coldMs = indexOnce(cache, line, &cold);
    const qint64 rssBefore = statusKb("VmRSS:");
    FolderIndex *index = nullptr;
    const double warmMs = indexOnce(cache, line, &warm, &index);
    const qint64 rssAfter = statusKb("VmRSS:");
    std::printf("find | wc -l: %s files in %.0f ms\n", found.constData(), findMs);
    std::printf("cold index:   %lld pictures in %.0f ms (%.1f x find)\n", qlonglong(cold), coldMs,
                coldMs / findMs);
    std::printf("warm start:   %lld pictures in %.0f ms (from the cache)\n", qlonglong(warm),
                warmMs);
    std::printf("index holds:  %.1f MB by its own count, RSS grew %.1f MB\n",
                double(index->memoryBytes()) / 1e6, double(rssAfter - rssBefore) / 1e3);
    std::printf("watches:      %d folders watched, %d polled\n", index->watchedFolders(),
                index->status(line).unwatchedFolders);
    timeRound("the 100,000-picture folder", {line}, *index, warm);
    QStringList ten;
    for (int i = 0; i < 10; ++i)
        ten << index->picture(line, i);
    timeRound("a 10-line list", ten, *index, 10);
    delete index;
    return 0;
}
