#pragma once

#include <QtGlobal>

#include <random>

namespace telvor {

/** Random numbers from 0 up to but not including 1. */
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(quint64 seed) = 0;
    virtual double draw() = 0;
};

class MersenneRandom final : public RandomSource {
public:
    void seed(quint64 seed) override { m_engine.seed(seed); }
    double draw() override
    {
        // 53 random bits give every double below 1 with equal steps; a distribution could round up to 1.
        constexpr double kStep = 1.0 / double(quint64(1) << 53);
        return double(m_engine() >> 11) * kStep;
    }

private:
    std::mt19937_64 m_engine;
};

} // namespace telvor
