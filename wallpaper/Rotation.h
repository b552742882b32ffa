#pragma once

#include <QVector>
#include <QtGlobal>

class RandomSource;

// The rotation state of the three orders and the step that moves it. Indices
// are 1-based picture positions; 0 means "no picture".
class Rotation {
  public:
    qint16 Current = 0;
    qint16 RandomPick = 0;
    qint16 ShufflePos = 0;
    QVector<bool> ShuffleUsed; // index 0 unused

    // Advances the state over a list of n pictures and returns the index the
    // order chooses, or 0 when nothing is to be shown (empty list, unknown order).
    int RotationStep(int n, int orderMode, RandomSource &random);

    // The user applied picture k by hand; the state follows it.
    void applyManual(int k, int n, int orderMode);

    // The index that describes the picture now on the desktop in this order
    // (Current, ShufflePos or RandomPick), 0 for an unknown order.
    int indexFor(int orderMode) const;
    void setIndexFor(int orderMode, int index);
};
