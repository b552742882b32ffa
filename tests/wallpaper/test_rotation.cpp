#include "FakeServices.h"
#include "Rotation.h"

#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {
// A draw that makes RandomPick = pick over n pictures.
double drawFor(int pick, int n) {
    return (pick - 0.5) / n;
}

QList<int> steps(Rotation &rotation, int count, int n, int order, RandomSource &random) {
    QList<int> shown;
    for (int i = 0; i < count; ++i)
        shown.append(rotation.RotationStep(n, order, random));
    return shown;
}
} // namespace

class TestRotation : public QObject {
    Q_OBJECT
  private slots:
    void listOrder() {
        Rotation rotation;
        SeededRandom random(1);
        QCOMPARE(steps(rotation, 7, 3, 0, random), QList<int>({1, 2, 3, 1, 2, 3, 1}));
        QCOMPARE(rotation.indexFor(0), 1);
        rotation.Current = 2; // as restored from the store
        QCOMPARE(rotation.RotationStep(5, 0, random), 3);
        // One picture is shown again and again in every order.
        for (int order = 0; order <= 2; ++order) {
            Rotation one;
            QCOMPARE(steps(one, 3, 1, order, random), QList<int>({1, 1, 1}));
        }
    }

    void shuffledRoundsArePermutations() {
        for (int n = 1; n <= 50; ++n) {
            for (quint64 seed = 1; seed <= 20; ++seed) {
                Rotation rotation;
                SeededRandom random(seed * 7919 + quint64(n));
                QList<int> all(n);
                std::iota(all.begin(), all.end(), 1);
                for (int round = 0; round < 3; ++round) {
                    QList<int> shown = steps(rotation, n, n, 1, random);
                    std::sort(shown.begin(), shown.end());
                    QVERIFY2(
                        shown == all,
                        qPrintable(
                            QStringLiteral("n=%1 seed=%2 round=%3").arg(n).arg(seed).arg(round)));
                }
            }
        }
    }

    void shuffledWalk_data() {
        QTest::addColumn<QList<int>>("unmarked");
        QTest::addColumn<int>("expected");
        // The jump lands on 3 in every row: ShufflePos 1 + RandomPick 2.
        QTest::newRow("walks 3,4,5 then wraps to 1") << QList<int>({1}) << 1;
        QTest::newRow("lands on an unmarked one") << QList<int>({3, 4}) << 3;
        QTest::newRow("skips one") << QList<int>({1, 4}) << 4;
    }
    void shuffledWalk() {
        QFETCH(QList<int>, unmarked);
        QFETCH(int, expected);
        Rotation rotation;
        rotation.Current = 2; // the step makes it 3: no new round
        rotation.ShufflePos = 1;
        rotation.ShuffleUsed = QVector<bool>(6, true);
        for (int k : unmarked)
            rotation.ShuffleUsed[k] = false;
        ScriptedRandom random({drawFor(2, 5)});
        QCOMPARE(rotation.RotationStep(5, 1, random), expected);
        QCOMPARE(rotation.ShufflePos, qint16(expected));
        QVERIFY(rotation.ShuffleUsed[expected]);
    }

    void emptyListAltersNothing() {
        Rotation rotation;
        rotation.Current = 3;
        rotation.ShuffleUsed = {false, true, false};
        const Rotation before = rotation;
        ScriptedRandom random({0.5});
        for (int order = 0; order <= 3; ++order)
            QCOMPARE(rotation.RotationStep(0, order, random), 0);
        QCOMPARE(random.calls(), 0);
        QCOMPARE(rotation.Current, before.Current);
        QCOMPARE(rotation.ShuffleUsed, before.ShuffleUsed);
    }

    void randomOrderFollowsTheDraw() {
        Rotation rotation;
        // 0 and the largest draw below 1 still pick pictures of the list; a
        // source that strays to 1.0 must not pick one past the end.
        ScriptedRandom random({0.0, 0.999999, 0.5, 1.0, drawFor(4, 4)});
        QCOMPARE(steps(rotation, 5, 4, 2, random), QList<int>({1, 4, 3, 4, 4}));
        QCOMPARE(rotation.Current, qint16(1)); // the counter moves on too
    }

    void manualChoice() {
        SeededRandom random(3);
        Rotation rotation;
        rotation.applyManual(4, 5, 0);
        QCOMPARE(rotation.RotationStep(5, 0, random), 5);
        rotation.applyManual(6, 5, 0); // outside the list: no change
        QCOMPARE(rotation.Current, qint16(5));
        // In shuffled order a missing or short table grows, and pictures
        // applied by hand count as shown: from 8 a jump of 3 lands on the
        // marked 3 and walks on to 4.
        Rotation shuffled;
        shuffled.applyManual(3, 5, 1);
        shuffled.applyManual(8, 8, 1);
        shuffled.Current = 1;
        ScriptedRandom jump({drawFor(3, 8)});
        QCOMPARE(shuffled.RotationStep(8, 1, jump), 4);
    }

    void fullyMarkedTableStartsNewRound() {
        // Pictures applied by hand marked every picture before the round ended.
        Rotation rotation;
        rotation.Current = 1; // the step gives 2: no new round by the counter
        rotation.ShufflePos = 1;
        rotation.ShuffleUsed = QVector<bool>(4, true);
        ScriptedRandom random({drawFor(1, 3)});
        QCOMPARE(rotation.RotationStep(3, 1, random), 2);
        QCOMPARE(rotation.ShuffleUsed, QVector<bool>({true, false, true, false}));
    }

    void outOfRangeState() {
        // The cursor stood at 20 when the list shrank to three pictures.
        Rotation rotation;
        rotation.Current = 1;
        rotation.ShufflePos = 20;
        rotation.ShuffleUsed = QVector<bool>(21, false);
        ScriptedRandom random({drawFor(1, 3)});
        QCOMPARE(rotation.RotationStep(3, 1, random), 3); // 20 + 1 reduced into 1..3
        QCOMPARE(rotation.ShuffleUsed.size(), 4);
        rotation.Current = 9;
        QCOMPARE(rotation.RotationStep(3, 0, random), 1);
        // A damaged store can restore any number.
        rotation.Current = -5;
        rotation.ShufflePos = -9;
        QCOMPARE(rotation.RotationStep(4, 0, random), 1);
        QVERIFY(rotation.ShufflePos >= 1 && rotation.ShufflePos <= 4);
        // A list longer than 16-bit indices reach never yields a negative index.
        rotation.Current = 32767;
        QCOMPARE(rotation.RotationStep(40000, 0, random), 1);
        // An unknown order shows nothing.
        QCOMPARE(rotation.RotationStep(4, 7, random), 0);
        QCOMPARE(rotation.indexFor(7), 0);
    }
};

QTEST_APPLESS_MAIN(TestRotation)
#include "test_rotation.moc"
