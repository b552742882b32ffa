#pragma once

#include <QVector>
#include <QtGlobal>

#include <optional>

class RandomSource;

// The three orders, by the number the store keeps for them.
enum class Order : qint16 { List = 0, Shuffled = 1, Random = 2 };

// The order a stored number names; nothing for a number only a damaged store holds.
std::optional<Order> orderFromStored(int stored);

// The rotation state of the three orders and the step that moves it. Indices
// are 1-based picture positions; 0 means "no picture".
class Rotation {
  public:
    qint16 Current = 0;
    qint16 RandomPick = 0;
    qint16 ShufflePos = 0;
    QVector<bool> ShuffleUsed; // index 0 unused

    // Advances the state over a list of n pictures and returns the index the
    // order chooses, or 0 when nothing is to be shown (empty list, no order).
    int RotationStep(int n, std::optional<Order> order, RandomSource &random);
    // A step for count monitors: count pictures, each taken as RotationStep
    // takes one, so a shuffled round still shows every picture once and the
    // next step goes on after the last one taken. Empty when nothing is to be shown.
    QList<int> RotationSteps(int n, std::optional<Order> order, RandomSource &random, int count);

    // The user applied picture k by hand; the state follows it.
    void applyManual(int k, int n, Order order);

    // Pictures (ascending indices) left the list: every index follows its
    // picture, and one that pointed at a removed picture points just before
    // where it stood, so that the next step shows the picture after it.
    void removePictures(const QList<int> &removed);

    // The index that describes the picture now on the desktop in this order
    // (Current, ShufflePos or RandomPick).
    int indexFor(Order order) const;
    void setIndexFor(Order order, int index);
};
