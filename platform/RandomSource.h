#pragma once

#include <QtGlobal>

#include <random>

// Uniform numbers in [0, 1) for the random and shuffled orders.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual double next() = 0;
};

class SeededRandom : public RandomSource {
  public:
    explicit SeededRandom(quint64 seed) : m_engine(seed) {}
    double next() override { return m_dist(m_engine); }

  private:
    std::mt19937_64 m_engine;
    std::uniform_real_distribution<double> m_dist{0.0, 1.0};
};
