#include "sim/market/SimRandom.h"

namespace simmarket {

int SimRandom::Uniform(int lo, int hi) {
    if (hi <= lo) {
        return lo;
    }
    const quint64 span = quint64(qint64(hi) - qint64(lo) + 1);
    return int(qint64(lo) + qint64(quint64(engine_()) % span));
}

bool SimRandom::Chance(int percent) {
    return Uniform(0, 99) < percent;
}

int SimRandom::Centered(int spread) {
    return Uniform(0, spread) - Uniform(0, spread);
}

}  // namespace simmarket
