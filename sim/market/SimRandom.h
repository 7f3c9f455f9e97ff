#pragma once

#include <QtGlobal>

#include <random>

// The simulated market's only source of chance: a seeded Mersenne Twister whose raw outputs are
// mapped by integer arithmetic alone, so a seed gives the same market on every platform (the
// standard distributions may differ between library implementations).
// Threads: not thread-safe; the owner serialises use.
namespace simmarket {

class SimRandom {
public:
    explicit SimRandom(quint32 seed) : engine_(seed) {}

    // A value in [lo, hi], both inclusive; lo when hi < lo.
    int Uniform(int lo, int hi);
    bool Chance(int percent);  // true with the given probability in %
    // A triangular value in [-spread, spread], most often 0.
    int Centered(int spread);

private:
    std::mt19937 engine_;
};

}  // namespace simmarket
