#include "Rotation.h"

#include "RandomSource.h"

#include <algorithm>
#include <limits>

namespace {
// The indices are 16-bit: a longer list rotates through its first 32,767 pictures.
constexpr int kMaxPictures = std::numeric_limits<qint16>::max();

void ensureTable(QVector<bool> &used, int n) {
    used.resize(n + 1); // new entries are false
}
} // namespace

int Rotation::RotationStep(int n, int orderMode, RandomSource &random) {
    n = std::min(n, kMaxPictures);
    if (n <= 0)
        return 0;

    // A damaged store may restore a negative counter; it starts over at 1.
    int current = Current + 1;
    if (current > n || current < 1)
        current = 1;
    Current = qint16(current);

    const double r = random.next();
    RandomPick = qint16(std::clamp(int(r * n) + 1, 1, n));

    ensureTable(ShuffleUsed, n);
    if (Current == 1)
        std::fill(ShuffleUsed.begin() + 1, ShuffleUsed.end(), false);

    // After the list has shrunk the cursor may lie further than one length
    // beyond the end.
    int pos = ShufflePos + RandomPick;
    while (pos > n)
        pos -= n;
    while (pos < 1)
        pos += n;

    // Pictures applied by hand can mark the whole round before it ends;
    // rather than walk forever, a new round begins.
    if (std::all_of(ShuffleUsed.cbegin() + 1, ShuffleUsed.cend(), [](bool b) { return b; }))
        std::fill(ShuffleUsed.begin() + 1, ShuffleUsed.end(), false);
    while (ShuffleUsed[pos]) {
        ++pos;
        if (pos > n)
            pos = 1;
    }
    ShufflePos = qint16(pos);

    int k = 0;
    switch (orderMode) {
    case 0:
        k = Current;
        break;
    case 1:
        k = ShufflePos;
        ShuffleUsed[k] = true;
        break;
    case 2:
        k = RandomPick;
        break;
    default:
        break;
    }
    return k;
}

void Rotation::applyManual(int k, int n, int orderMode) {
    n = std::min(n, kMaxPictures);
    if (k < 1 || k > n)
        return;
    switch (orderMode) {
    case 0:
        Current = qint16(k);
        break;
    case 1:
        ShufflePos = qint16(k);
        if (ShuffleUsed.size() < n + 1)
            ensureTable(ShuffleUsed, n);
        ShuffleUsed[k] = true;
        break;
    case 2:
        RandomPick = qint16(k);
        break;
    default:
        break;
    }
}

int Rotation::indexFor(int orderMode) const {
    switch (orderMode) {
    case 0:
        return Current;
    case 1:
        return ShufflePos;
    case 2:
        return RandomPick;
    default:
        return 0;
    }
}

void Rotation::setIndexFor(int orderMode, int index) {
    const auto value = qint16(std::clamp(index, 0, kMaxPictures));
    switch (orderMode) {
    case 0:
        Current = value;
        break;
    case 1:
        ShufflePos = value;
        break;
    case 2:
        RandomPick = value;
        break;
    default:
        break;
    }
}
