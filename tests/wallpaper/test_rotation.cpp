#include "FakeServices.h"
#include "Rotation.h"

#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {
// A draw r that makes RandomPick = pick over n pictures.
double drawFor(int pick, int n) {
    return (pick - 1 + 0.5) / n;
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
    void listOrderWraps();
    void listOrderRestored();
    void shuffledRoundsArePermutations();
    void shuffledWalk_data();
    void shuffledWalk();
    void onePictureInEveryOrder();
    void emptyListAltersNothing();
    void randomOrderFollowsTheDraw();
    void manualChoice();
    void manualShuffledGrowsTable();
    void shrunkList();
    void fullyMarkedTableStartsNewRound();
    void unknownOrder();
    void damagedCounter();
};

void TestRotation::listOrderWraps() {
    Rotation rotation;
    SeededRandom random(1);
    QCOMPARE(steps(rotation, 7, 3, 0, random), QList<int>({1, 2, 3, 1, 2, 3, 1}));
    QCOMPARE(rotation.indexFor(0), 1);
}

void TestRotation::listOrderRestored() {
    Rotation rotation;
    rotation.Current = 2;
    SeededRandom random(2);
    QCOMPARE(rotation.RotationStep(5, 0, random), 3);
}

void TestRotation::shuffledRoundsArePermutations() {
    for (int n = 1; n <= 50; ++n) {
        for (quint64 seed = 1; seed <= 20; ++seed) {
            Rotation rotation;
            SeededRandom random(seed * 7919 + quint64(n));
            for (int round = 0; round < 3; ++round) {
                QList<int> shown = steps(rotation, n, n, 1, random);
                std::sort(shown.begin(), shown.end());
                QList<int> all(n);
                std::iota(all.begin(), all.end(), 1);
                if (shown != all)
                    QFAIL(qPrintable(QStringLiteral("n=%1 seed=%2 round=%3 not a permutation")
                                         .arg(n)
                                         .arg(seed)
                                         .arg(round)));
            }
        }
    }
}

void TestRotation::shuffledWalk_data() {
    QTest::addColumn<QList<int>>("unmarked");
    QTest::addColumn<int>("expected");
    // The jump lands on 3 in every row: ShufflePos 1 + RandomPick 2.
    QTest::newRow("walks 3,4,5 then wraps to 1") << QList<int>({1}) << 1;
    QTest::newRow("stops on 5") << QList<int>({5}) << 5;
    QTest::newRow("lands on an unmarked one") << QList<int>({3, 4}) << 3;
    QTest::newRow("skips one") << QList<int>({1, 4}) << 4;
}

void TestRotation::shuffledWalk() {
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
    QCOMPARE(rotation.RandomPick, qint16(2));
    QCOMPARE(rotation.ShufflePos, qint16(expected));
    QVERIFY(rotation.ShuffleUsed[expected]);
}

void TestRotation::onePictureInEveryOrder() {
    for (int order = 0; order <= 2; ++order) {
        Rotation rotation;
        SeededRandom random(42 + quint64(order));
        QCOMPARE(steps(rotation, 5, 1, order, random), QList<int>({1, 1, 1, 1, 1}));
    }
}

void TestRotation::emptyListAltersNothing() {
    Rotation rotation;
    rotation.Current = 3;
    rotation.RandomPick = 2;
    rotation.ShufflePos = 4;
    rotation.ShuffleUsed = {false, true, false, true, false};
    const Rotation before = rotation;
    ScriptedRandom random({0.5});
    for (int order = 0; order <= 3; ++order)
        QCOMPARE(rotation.RotationStep(0, order, random), 0);
    QCOMPARE(random.calls(), 0);
    QCOMPARE(rotation.Current, before.Current);
    QCOMPARE(rotation.RandomPick, before.RandomPick);
    QCOMPARE(rotation.ShufflePos, before.ShufflePos);
    QCOMPARE(rotation.ShuffleUsed, before.ShuffleUsed);
}

void TestRotation::randomOrderFollowsTheDraw() {
    Rotation rotation;
    // 0 and the largest draw below 1 must still be pictures of the list;
    // a source that strays to 1.0 must not pick a picture past the end.
    ScriptedRandom random({0.0, 0.999999, 0.5, 1.0, drawFor(4, 4)});
    QCOMPARE(steps(rotation, 5, 4, 2, random), QList<int>({1, 4, 3, 4, 4}));
    // The counter and the cursor keep moving in random order too.
    QCOMPARE(rotation.Current, qint16(1));
    QVERIFY(rotation.ShufflePos >= 1 && rotation.ShufflePos <= 4);
}

void TestRotation::manualChoice() {
    SeededRandom random(3);
    {
        // The fourth line in list order: the next step shows the fifth...
        Rotation rotation;
        rotation.applyManual(4, 5, 0);
        QCOMPARE(rotation.Current, qint16(4));
        QCOMPARE(rotation.RotationStep(5, 0, random), 5);
        // ...or the first when the list has four pictures.
        rotation.applyManual(4, 4, 0);
        QCOMPARE(rotation.RotationStep(4, 0, random), 1);
    }
    {
        Rotation rotation;
        rotation.applyManual(3, 5, 2);
        QCOMPARE(rotation.RandomPick, qint16(3));
        QCOMPARE(rotation.Current, qint16(0));
        QCOMPARE(rotation.indexFor(2), 3);
    }
    {
        // A line outside the list changes nothing.
        Rotation rotation;
        rotation.applyManual(6, 5, 0);
        rotation.applyManual(0, 5, 1);
        QCOMPARE(rotation.Current, qint16(0));
        QCOMPARE(rotation.ShufflePos, qint16(0));
    }
}

void TestRotation::manualShuffledGrowsTable() {
    // Before the first step there is no table; after the list grew it is short.
    Rotation rotation;
    rotation.applyManual(3, 5, 1);
    QCOMPARE(rotation.ShufflePos, qint16(3));
    QVERIFY(rotation.ShuffleUsed.size() >= 6);
    QVERIFY(rotation.ShuffleUsed[3]);

    rotation.applyManual(8, 8, 1);
    QVERIFY(rotation.ShuffleUsed.size() >= 9);
    QVERIFY(rotation.ShuffleUsed[8]);
    QVERIFY(rotation.ShuffleUsed[3]);

    // Pictures applied by hand count as shown: from 8 a jump of 3 lands on
    // the marked 3 and walks on to 4.
    rotation.Current = 1;
    ScriptedRandom random({drawFor(3, 8)});
    QCOMPARE(rotation.RotationStep(8, 1, random), 4);
}

void TestRotation::shrunkList() {
    // The cursor stood at 20 when the list shrank to three pictures: one
    // subtraction would leave it at 18, past the end.
    Rotation rotation;
    rotation.Current = 1;
    rotation.ShufflePos = 20;
    rotation.ShuffleUsed = QVector<bool>(21, false);
    ScriptedRandom random({drawFor(1, 3)});
    const int k = rotation.RotationStep(3, 1, random);
    QCOMPARE(k, 3); // 20 + 1 reduced into 1..3
    QCOMPARE(rotation.ShuffleUsed.size(), 4);
    // The counter, too, wraps into the shorter list.
    rotation.Current = 9;
    QCOMPARE(rotation.RotationStep(3, 0, random), 1);
}

void TestRotation::fullyMarkedTableStartsNewRound() {
    // Pictures applied by hand marked every picture before the round ended.
    Rotation rotation;
    rotation.Current = 1; // the step gives 2: no new round by the counter
    rotation.ShufflePos = 1;
    rotation.ShuffleUsed = QVector<bool>(4, true);
    ScriptedRandom random({drawFor(1, 3)});
    QCOMPARE(rotation.RotationStep(3, 1, random), 2);
    // A fresh round: only the picture just shown is marked.
    QCOMPARE(rotation.ShuffleUsed, QVector<bool>({true, false, true, false}));
}

void TestRotation::unknownOrder() {
    Rotation rotation;
    ScriptedRandom random({drawFor(2, 4)});
    QCOMPARE(rotation.RotationStep(4, 7, random), 0);
    // The counters still move on, as in every order, but nothing is marked.
    QCOMPARE(rotation.Current, qint16(1));
    QCOMPARE(rotation.RandomPick, qint16(2));
    QCOMPARE(rotation.ShufflePos, qint16(2));
    QVERIFY(std::none_of(rotation.ShuffleUsed.cbegin(), rotation.ShuffleUsed.cend(),
                         [](bool b) { return b; }));
    QCOMPARE(rotation.indexFor(7), 0);
    rotation.setIndexFor(-1, 3);
    QCOMPARE(rotation.Current, qint16(1));
}

void TestRotation::damagedCounter() {
    // A damaged store can restore any number; the step must still pick a
    // picture of the list.
    Rotation rotation;
    rotation.Current = -5;
    rotation.ShufflePos = -9;
    ScriptedRandom random({0.0});
    const int k = rotation.RotationStep(4, 0, random);
    QCOMPARE(k, 1);
    QVERIFY(rotation.ShufflePos >= 1 && rotation.ShufflePos <= 4);
    // A list longer than the 16-bit indices reach never yields a negative index.
    Rotation big;
    big.Current = 32767;
    QCOMPARE(big.RotationStep(40000, 0, random), 1);
}

QTEST_APPLESS_MAIN(TestRotation)
#include "test_rotation.moc"
