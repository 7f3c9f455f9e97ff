#include "host/core/HostClock.h"

#include <atomic>
#include <limits>

namespace {
// The frozen time in ms since epoch, or kSystem while the clock follows the system clock.
constexpr qint64 kSystem = std::numeric_limits<qint64>::min();
std::atomic<qint64> g_frozenMs{kSystem};
}  // namespace

qint64 HostClock::NowMs() {
    const qint64 frozen = g_frozenMs.load();
    return frozen == kSystem ? QDateTime::currentMSecsSinceEpoch() : frozen;
}

QDateTime HostClock::Now() {
    return QDateTime::fromMSecsSinceEpoch(NowMs());
}

void HostClock::SetForTest(qint64 msSinceEpoch) {
    g_frozenMs.store(msSinceEpoch);
}

void HostClock::AdvanceForTest(qint64 ms) {
    qint64 seen = g_frozenMs.load();
    qint64 next;
    do {
        next = (seen == kSystem ? QDateTime::currentMSecsSinceEpoch() : seen) + ms;
    } while (!g_frozenMs.compare_exchange_weak(seen, next));
}

void HostClock::UseSystemClock() {
    g_frozenMs.store(kSystem);
}

bool HostClock::IsFrozen() {
    return g_frozenMs.load() != kSystem;
}
