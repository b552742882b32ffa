#include "Rotation.h"

#include "RandomSource.h"
#include "Settings.h"

#include <algorithm>

namespace {

void ensureTable(QVector<bool> &used, int n) {
    used.resize(n + 1); // new entries are false
}
} // namespace

std::optional<Order> orderFromStored(int stored) {
    if (stored < int(Order::List) || stored > int(Order::Random))
        return std::nullopt;
    return Order(stored);
}

int Rotation::RotationStep(int n, std::optional<Order> order, RandomSource &random) {
    // The indices are 16-bit: a longer list rotates through its first pictures only.
    n = std::min(n, MaxPictureCount);
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

    if (!order)
        return 0;
    const int k = indexFor(*order);
    if (*order == Order::Shuffled)
        ShuffleUsed[k] = true;
    return k;
}

QList<int> Rotation::RotationSteps(int n, std::optional<Order> order, RandomSource &random,
                                   int count) {
    QList<int> taken;
    for (int i = 0; i < std::max(1, count); ++i) {
        const int k = RotationStep(n, order, random);
        if (k < 1)
            return {};
        taken << k;
    }
    return taken;
}

void Rotation::applyManual(int k, int n, Order order) {
    n = std::min(n, MaxPictureCount);
    if (k < 1 || k > n)
        return;
    setIndexFor(order, k);
    if (order == Order::Shuffled) {
        if (ShuffleUsed.size() < n + 1)
            ensureTable(ShuffleUsed, n);
        ShuffleUsed[k] = true;
    }
}

void Rotation::removePictures(const QList<int> &removed) {
    // Less one for every removed picture at or before it.
    const auto follow = [&removed](qint16 &index) {
        const auto passed = std::upper_bound(removed.cbegin(), removed.cend(), int(index));
        index = qint16(std::max(0, index - int(passed - removed.cbegin())));
    };
    follow(Current);
    follow(ShufflePos);
    follow(RandomPick);
    for (auto it = removed.crbegin(); it != removed.crend(); ++it) {
        if (*it < ShuffleUsed.size())
            ShuffleUsed.remove(*it);
    }
}

int Rotation::indexFor(Order order) const {
    switch (order) {
    case Order::List:
        return Current;
    case Order::Shuffled:
        return ShufflePos;
    case Order::Random:
        return RandomPick;
    }
    return 0;
}

void Rotation::setIndexFor(Order order, int index) {
    const auto value = qint16(std::clamp(index, 0, MaxPictureCount));
    switch (order) {
    case Order::List:
        Current = value;
        break;
    case Order::Shuffled:
        ShufflePos = value;
        break;
    case Order::Random:
        RandomPick = value;
        break;
    }
}
