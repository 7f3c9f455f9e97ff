#pragma once

#include <QDateTime>
#include <QtGlobal>

class HostClockListener;

// The one clock of the client: everything that needs "now" reads it here, so tests can set the time
// and move it forward instead of sleeping.
//
// Threads: every function may be called from any thread; the state is a single atomic value.
// By default the clock follows the system clock. SetForTest freezes it at a given instant and
// AdvanceForTest moves a frozen clock forward (a system clock is first frozen at the system's now).
// Neither fires the HostTimers due meanwhile: HostTimerQueue::AdvanceClockTo moves the clock and
// fires them. The clock knows nothing of timers: it tells its listener (the queue) when it
// freezes or thaws, and the queue moves the running HostTimers between QTimers and itself.
class HostClock {
public:
    static qint64 NowMs();   // ms since 1970-01-01T00:00:00Z
    static QDateTime Now();  // local time
    static void SetForTest(qint64 msSinceEpoch);
    static void AdvanceForTest(qint64 ms);
    static void UseSystemClock();
    static bool IsFrozen();
    // The one listener of mode changes, or null for none; replaces the previous one. The timer
    // queue sets itself: another listener would leave the HostTimers behind the clock.
    static void SetListener(HostClockListener* listener);
};
