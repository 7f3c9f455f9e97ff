#include "host/core/HostClock.h"

#include "host/core/HostClockListener.h"

#include <atomic>
#include <limits>

namespace {
// The frozen time in ms since epoch, or kSystem while the clock follows the system clock.
constexpr qint64 kSystem = std::numeric_limits<qint64>::min();
std::atomic<qint64> g_frozenMs{kSystem};
std::atomic<HostClockListener*> g_listener{nullptr};

void TellFrozen() {
    if (HostClockListener* listener = g_listener.load()) {
        listener->OnClockFrozen();
    }
}

void TellThawed() {
    if (HostClockListener* listener = g_listener.load()) {
        listener->OnClockThawed();
    }
}
}  // namespace

qint64 HostClock::NowMs() {
    const qint64 frozen = g_frozenMs.load();
    return frozen == kSystem ? QDateTime::currentMSecsSinceEpoch() : frozen;
}

QDateTime HostClock::Now() {
    return QDateTime::fromMSecsSinceEpoch(NowMs());
}

void HostClock::SetForTest(qint64 msSinceEpoch) {
    if (g_frozenMs.exchange(msSinceEpoch) == kSystem) {
        TellFrozen();
    }
}

void HostClock::AdvanceForTest(qint64 ms) {
    qint64 seen = g_frozenMs.load();
    qint64 next;
    do {
        next = (seen == kSystem ? QDateTime::currentMSecsSinceEpoch() : seen) + ms;
    } while (!g_frozenMs.compare_exchange_weak(seen, next));
    if (seen == kSystem) {
        TellFrozen();
    }
}

void HostClock::UseSystemClock() {
    if (g_frozenMs.exchange(kSystem) != kSystem) {
        TellThawed();
    }
}

bool HostClock::IsFrozen() {
    return g_frozenMs.load() != kSystem;
}

void HostClock::SetListener(HostClockListener* listener) {
    g_listener.store(listener);
}
