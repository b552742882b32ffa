#include "DataTable.h"
#include "FakeServices.h"
#include "FolderRotation.h"
#include "Rotation.h"

#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {
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
        return qHash(QStringList(pictures.keys()).join('|') + pictures.value("F/").join('|'));
    }
};

const QStringList Lines = {"a.jpg", "F/", "b.jpg"};
const QStringList InF = {"F/1.jpg", "F/2.jpg", "F/3.jpg", "F/4.jpg"};
} // namespace

class TestRotation : public QObject {
    Q_OBJECT
    // A draw that makes RandomPick = pick over n pictures.
    static double drawFor(int pick, int n) { return (pick - 0.5) / n; }

  private slots:
    // With a picture for each of up to four monitors a step, every n pictures
    // taken in a row are still a round.
    void shuffledRoundsArePermutations() {
        for (int n = 1; n <= 50; ++n)
            for (quint64 seed = 1; seed <= 20; ++seed) {
                Rotation rotation;
                SeededRandom random(seed * 7919 + quint64(n));
                QList<int> shown, all(n);
                for (int step = 0; step < 3 * n; ++step)
                    shown += rotation.RotationSteps(n, Order::Shuffled, random, int(seed % 4) + 1);
                QCOMPARE(shown.size(), 3 * n * (int(seed % 4) + 1));
                std::iota(all.begin(), all.end(), 1);
                for (qsizetype round = 0; round < shown.size(); round += n) {
                    QList<int> part = shown.mid(round, n);
                    std::sort(part.begin(), part.end());
                    QCOMPARE(part, all);
                }
            }
    }

    // From ShufflePos 1 a RandomPick of 2 lands on 3; from there the step walks
    // on to the next unmarked picture, wrapping after the last. Pictures
    // applied by hand that marked every one before the round ended start a new one.
    void shuffledWalk_data() {
        const auto row = addColumns<int, QList<int>, int>({"n", "unmarked", "expected"});
        row("wraps to the only one left", 5, {1}, 1);
        row("lands on an unmarked one", 5, {3, 4}, 3);
        row("walks to the next", 5, {1, 4}, 4);
        row("all marked by hand", 3, {}, 3);
    }
    void shuffledWalk() {
        QFETCH(int, n);
        QFETCH(QList<int>, unmarked);
        QFETCH(int, expected);
        Rotation rotation{.Current = 2, .ShufflePos = 1, .ShuffleUsed = QVector<bool>(n + 1, true)};
        for (int k : unmarked)
            rotation.ShuffleUsed[k] = false;
        ScriptedRandom random({drawFor(2, n)});
        QCOMPARE(rotation.RotationStep(n, Order::Shuffled, random), expected);
        QCOMPARE(rotation.ShufflePos, qint16(expected));
        QVERIFY(rotation.ShuffleUsed[expected]);
        // The other marks stay, or all go when a new round began.
        QCOMPARE(rotation.ShuffleUsed.count(false), (unmarked.isEmpty() ? n : unmarked.size()) - 1);
    }

    void manualMarks() {
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
        // 0 and the largest draw below 1 still pick pictures of the list; a
        // source that strays to 1.0 must not pick one past the end.
        ScriptedRandom draws({0.0, 0.999999, 1.0});
        Rotation list;
        QCOMPARE(list.RotationSteps(3, Order::List, draws, 6), QList<int>({1, 2, 3, 1, 2, 3}));
        QCOMPARE(list.RotationSteps(4, Order::Random, draws, 3), QList<int>({1, 4, 4}));
        QCOMPARE(list.Current, qint16(2)); // the counter moves on too
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
        QCOMPARE(rotation.RotationStep(0, Order::Shuffled, random), 0);
        QCOMPARE(rotation.Current, before.Current);
        QCOMPARE(rotation.ShuffleUsed, before.ShuffleUsed);
    }

    // Two steps, a change to the folder, then the rest of the round: every
    // picture of the set as it is now comes once, a removed one never after.
    void folderRound_data() {
        // The folder "after" the change, "gone" for a step before it; the round (shuffle: any
        // order).
        const auto add =
            addColumns<Order, QStringList, bool, QStringList>({"order", "after", "gone", "listed"});
        const QStringList added = {"F/1.jpg", "F/15.jpg", "F/2.jpg", "F/3.jpg", "F/4.jpg"};
        for (const Order order : {Order::List, Order::Shuffled}) {
            const auto row = [&](const char *what, const QStringList &after, bool gone,
                                 const QStringList &rest) {
                add(qPrintable((order == Order::List ? "list: " : "shuffle: ") + QString(what)),
                    order, after, gone, QStringList{"a.jpg", "F/1.jpg"} + rest);
            };
            row("unchanged", InF, false, {"F/2.jpg", "F/3.jpg", "F/4.jpg", "b.jpg"});
            row("added", added, false, {"F/15.jpg", "F/2.jpg", "F/3.jpg", "F/4.jpg", "b.jpg"});
            row("removed", {"F/1.jpg", "F/3.jpg", "F/4.jpg"}, false,
                {"F/3.jpg", "F/4.jpg", "b.jpg"});
            row("emptied", {}, false, {"b.jpg"});
            row("gone and back", InF, true, {"b.jpg", "a.jpg", "F/1.jpg", "F/2.jpg"});
        }
    }
    void folderRound() {
        QFETCH(Order, order);
        QFETCH(QStringList, after);
        QFETCH(bool, gone);
        QSet<qsizetype> places; // where an added picture joined the round
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
            const auto stepTo = [&](qsizetype count) {
                while (shown.size() < count) {
                    const auto pick = rotation.step(Lines, folders, order, random);
                    QCOMPARE(Lines.value(pick.line), pick.path.startsWith("F/") ? "F/" : pick.path);
                    shown << pick.path;
                }
            };
            stepTo(2);
            if (gone) {
                folders.pictures.remove("F/");
                stepTo(3);
            }
            folders.pictures["F/"] = after;
            QStringList set = QStringList{"a.jpg"} + after + QStringList{"b.jpg"};
            for (const QString &p : std::as_const(shown))
                if (!set.contains(p))
                    set << p; // shown before it left
            stepTo(set.size());
            places << shown.indexOf("F/15.jpg");
            if (order == Order::List) {
                QTEST(shown, "listed");
                continue;
            }
            // The round, and the next one over the set as it is now.
            for (int rounds = 0; rounds < 2; ++rounds) {
                const QString closing = shown.last();
                shown.sort(), set.sort();
                QCOMPARE(shown, set);
                set = QStringList{"a.jpg"} + after + QStringList{"b.jpg"};
                shown.clear();
                stepTo(set.size());
                QVERIFY(shown.first() != closing); // no picture twice in a row across rounds
            }
        }
        // Not always last: at a random place among those still to come.
        QVERIFY(order == Order::List || !after.contains("F/15.jpg") || places.size() > 2);
    }
};

QTEST_APPLESS_MAIN(TestRotation)
#include "test_rotation.moc"
