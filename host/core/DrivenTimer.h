#pragma once

#include <QtGlobal>

class QObject;

// A timer as HostTimerQueue sees it: fired by the queue while HostClock is frozen, handed back to
// the system clock when it thaws. HostTimer is the one implementation; the queue holds each
// timer's state under its own mutex and never owns the timer.
//
// Thread contract: FireDriven and RunOnSystemClock run on the thread of Context(); the queue
// posts them there from other threads. Context() may be called from any thread.
class DrivenTimer {
public:
    // The object whose thread runs the calls below; a call posted to it is dropped if it is
    // deleted first.
    virtual QObject* Context() = 0;
    // Fires when the start `generation` still holds.
    virtual void FireDriven(quint64 generation) = 0;
    // Goes on as a system-clock timer when the start `generation` still holds.
    virtual void RunOnSystemClock(quint64 generation, int intervalMs) = 0;

protected:
    ~DrivenTimer() = default;
};
