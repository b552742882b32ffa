#include "FakeServices.h"
#include "FolderRotation.h"
#include "Rotation.h"

#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {
// A draw that makes RandomPick = pick over n pictures.
double drawFor(int pick, int n) {
    return (pick - 0.5) / n;
}

QList<int> steps(Rotation &rotation, int count, int n, Order order, RandomSource &random) {
    QList<int> shown;
    for (int i = 0; i < count; ++i)
        shown.append(rotation.RotationStep(n, order, random));
    return shown;
}

// A shuffled round's marks over n pictures: all shown but the unmarked.
QVector<bool> marks(int n, const QList<int> &unmarked = {}) {
    QVector<bool> used(n + 1, true);
    for (int k : unmarked)
        used[k] = false;
    return used;
}
// Folders as sorted lists of paths; a line absent from the map is a folder that is gone.
struct Folders : FolderPictures {
    QMap<QString, QStringList> pictures;
    qsizetype count(const QString &line) const override { return pictures.value(line).size(); }
    QString picture(const QString &line, qsizetype i) const override {
        return pictures.value(line).value(i);
    }
    Place place(const QString &line, const QString &path) const override {
        const QStringList list = pictures.value(line);
        const auto at = std::lower_bound(list.begin(), list.end(), path);
        return {at - list.begin(), at != list.end() && *at == path};
    }
    quint64 version() const override {
        QStringList all;
        for (const QStringList &list : pictures)
            all += list;
        return qHash(all.join('|')) + quint64(pictures.size());
    }
};

enum Change { Nothing, Added, Removed, Emptied, GoneAndBack };

const QStringList Lines = {"a.jpg", "F/", "b.jpg"};
const QStringList InF = {"F/1.jpg", "F/2.jpg", "F/3.jpg", "F/4.jpg"};
} // namespace

class TestRotation : public QObject {
    Q_OBJECT
  private slots:
    // With a picture for each of up to four monitors a step, every n pictures
    // taken in a row are still a round.
    void shuffledRoundsArePermutations() {
        for (int n = 1; n <= 50; ++n)
            for (quint64 seed = 1; seed <= 20; ++seed) {
                Rotation rotation;
                SeededRandom random(seed * 7919 + quint64(n));
                const int monitors = int(seed % 4) + 1;
                QList<int> shown;
                for (int step = 0; step < 3 * n; ++step)
                    shown += rotation.RotationSteps(n, Order::Shuffled, random, monitors);
                QCOMPARE(shown.size(), 3 * n * monitors);
                QList<int> all(n);
                std::iota(all.begin(), all.end(), 1);
                for (qsizetype round = 0; round < shown.size(); round += n) {
                    QList<int> part = shown.mid(round, n);
                    std::sort(part.begin(), part.end());
                    QCOMPARE(part, all);
                }
            }
    }

    // The jump lands on 3 in every row: ShufflePos 1 + RandomPick 2; from
    // there it walks on to the next unmarked picture, wrapping after 5.
    void shuffledWalk_data() {
        QTest::addColumn<QList<int>>("unmarked");
        QTest::addColumn<int>("expected");
        QTest::newRow("wraps to the only one left") << QList<int>{1} << 1;
        QTest::newRow("lands on an unmarked one") << QList<int>{3, 4} << 3;
        QTest::newRow("walks to the next") << QList<int>{1, 4} << 4;
    }
    void shuffledWalk() {
        QFETCH(QList<int>, unmarked);
        QFETCH(int, expected);
        ScriptedRandom random({drawFor(2, 5)});
        Rotation rotation{.Current = 2, .ShufflePos = 1, .ShuffleUsed = marks(5, unmarked)};
        QCOMPARE(rotation.RotationStep(5, Order::Shuffled, random), expected);
        QCOMPARE(rotation.ShufflePos, qint16(expected));
        QVERIFY(rotation.ShuffleUsed[expected]);
    }

    void manualMarks() {
        // Pictures applied by hand marked every one before the round ended:
        // a new round starts.
        Rotation full{.Current = 1, .ShufflePos = 1, .ShuffleUsed = marks(3)};
        ScriptedRandom one({drawFor(1, 3)});
        QCOMPARE(full.RotationStep(3, Order::Shuffled, one), 2);
        QCOMPARE(full.ShuffleUsed, QVector<bool>({true, false, true, false}));
        // In shuffled order a missing or short table grows, and pictures
        // applied by hand count as shown: from 8 a jump of 3 lands on the
        // marked 3 and walks on to 4.
        Rotation table; // not yet stepped
        table.applyManual(3, 5, Order::Shuffled);
        table.applyManual(8, 8, Order::Shuffled);
        table.Current = 1;
        ScriptedRandom jump({drawFor(3, 8)});
        QCOMPARE(table.RotationStep(8, Order::Shuffled, jump), 4);
    }

    void listRandomAndDamagedState() {
        Rotation list;
        SeededRandom seeded(1);
        QCOMPARE(steps(list, 7, 3, Order::List, seeded), QList<int>({1, 2, 3, 1, 2, 3, 1}));
        // 0 and the largest draw below 1 still pick pictures of the list; a
        // source that strays to 1.0 must not pick one past the end.
        ScriptedRandom draws({0.0, 0.999999, 1.0});
        QCOMPARE(steps(list, 3, 4, Order::Random, draws), QList<int>({1, 4, 4}));
        QCOMPARE(list.Current, qint16(4)); // the counter moves on too
        // The cursor stood at 20 when the list shrank to three pictures.
        Rotation rotation{.Current = 1, .ShufflePos = 20, .ShuffleUsed = QVector<bool>(21)};
        ScriptedRandom random({drawFor(1, 3)});
        QCOMPARE(rotation.RotationStep(3, Order::Shuffled, random), 3); // 20 + 1 reduced into 1..3
        QCOMPARE(rotation.ShuffleUsed.size(), 4);
        // A damaged store can restore any number, and a list longer than 16-bit
        // indices reach must never yield a negative index.
        for (const auto &[current, n] :
             QList<std::pair<int, int>>{{9, 3}, {-5, 4}, {32767, 40000}}) {
            rotation.Current = qint16(current);
            QCOMPARE(rotation.RotationStep(n, Order::List, random), 1);
        }
        // An unknown order or an empty list shows nothing and changes nothing.
        QCOMPARE(rotation.RotationStep(4, orderFromStored(7), random), 0);
        const Rotation before = rotation;
        for (Order order : {Order::List, Order::Shuffled, Order::Random})
            QCOMPARE(rotation.RotationStep(0, order, random), 0);
        QCOMPARE(rotation.Current, before.Current);
        QCOMPARE(rotation.ShuffleUsed, before.ShuffleUsed);
    }

    // Two steps, a change to the folder, then the rest of the round: every
    // picture of the set as it is now comes once, a removed one never after.
    void folderRound_data() {
        QTest::addColumn<Order>("order");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("listed"); // the list order's round; shuffle: any order
        const QStringList all = QStringList{"a.jpg"} + InF + QStringList{"b.jpg"};
        const QStringList added = {"a.jpg",   "F/1.jpg", "F/15.jpg", "F/2.jpg",
                                   "F/3.jpg", "F/4.jpg", "b.jpg"};
        const QStringList removed = {"a.jpg", "F/1.jpg", "F/3.jpg", "F/4.jpg", "b.jpg"};
        for (const Order order : {Order::List, Order::Shuffled}) {
            const QString name = order == Order::List ? "list: " : "shuffle: ";
            const auto row = [&](const char *what) -> QTestData & {
                return QTest::newRow(qPrintable(name + what)) << order;
            };
            row("unchanged") << Nothing << all;
            row("added") << Added << added;
            row("removed") << Removed << removed;
            row("emptied") << Emptied << QStringList{"a.jpg", "F/1.jpg", "b.jpg"};
            row("gone and back") << GoneAndBack << QStringList{"a.jpg", "F/1.jpg", "b.jpg",
                                                               "a.jpg", "F/1.jpg", "F/2.jpg"};
        }
    }
    void folderRound() {
        QFETCH(Order, order);
        QFETCH(Change, change);
        QFETCH(QStringList, listed);
        // Seed 0 draws the first picture every time: only the listing of
        // those left can finish the round.
        for (quint64 seed = 0; seed <= (order == Order::List ? 0 : 30); ++seed) {
            Folders folders;
            folders.pictures["F/"] = InF;
            ScriptedRandom first({0.0});
            SeededRandom seeded(seed);
            RandomSource &random = seed == 0 ? static_cast<RandomSource &>(first) : seeded;
            FolderRotation rotation;
            QStringList shown;
            const auto step = [&] {
                const FolderRotation::Pick pick = rotation.step(Lines, folders, order, random);
                QVERIFY(pick.line >= 0);
                QCOMPARE(Lines.at(pick.line), pick.path.startsWith("F/") ? "F/" : pick.path);
                shown << pick.path;
            };
            step();
            step();
            switch (change) {
            case Nothing:
                break;
            case Added:
                folders.pictures["F/"].insert(1, "F/15.jpg");
                break;
            case Removed:
                // The list order's next, or one the shuffle has yet to show.
                folders.pictures["F/"].removeOne(
                    order == Order::List
                        ? "F/2.jpg"
                        : *std::find_if(InF.begin(), InF.end(),
                                        [&](const QString &p) { return !shown.contains(p); }));
                break;
            case Emptied:
                folders.pictures["F/"].clear();
                break;
            case GoneAndBack:
                folders.pictures.remove("F/");
                step();
                folders.pictures["F/"] = InF;
                break;
            }
            QStringList set =
                QStringList{"a.jpg"} + folders.pictures.value("F/") + QStringList{"b.jpg"};
            for (const QString &p : std::as_const(shown))
                if (!set.contains(p))
                    set << p; // shown before it left
            while (shown.size() < set.size())
                step();
            if (order == Order::List) {
                QCOMPARE(shown, listed);
                continue;
            }
            // The round, and the next one over the set as it is now.
            for (int round = 0; round < 2; ++round) {
                QStringList sorted = shown;
                sorted.sort();
                set.sort();
                QCOMPARE(sorted, set);
                set = QStringList{"a.jpg"} + folders.pictures.value("F/") + QStringList{"b.jpg"};
                shown.clear();
                while (shown.size() < set.size())
                    step();
            }
        }
    }

    // A picture added during a round joins it at a random place among those
    // still to come, not always last.
    void addedJoinsAtRandom() {
        QSet<qsizetype> places;
        for (quint64 seed = 1; seed <= 30; ++seed) {
            Folders folders;
            folders.pictures["F/"] = InF;
            SeededRandom random(seed);
            FolderRotation rotation;
            rotation.step(Lines, folders, Order::Shuffled, random);
            folders.pictures["F/"] << "F/9.jpg";
            QStringList rest;
            for (int i = 0; i < 6; ++i)
                rest << rotation.step(Lines, folders, Order::Shuffled, random).path;
            QVERIFY(rest.contains("F/9.jpg"));
            places << rest.indexOf("F/9.jpg");
        }
        QVERIFY(places.size() > 2);
    }
};

QTEST_APPLESS_MAIN(TestRotation)
#include "test_rotation.moc"
