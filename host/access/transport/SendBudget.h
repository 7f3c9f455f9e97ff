#pragma once

#include <QtGlobal>

#include <atomic>

// The bytes one connection holds for its peer: frames queued on the socket that the system has
// not taken yet, plus frames on their way to the socket from other threads. A frame that would
// take the count past the bound is refused (a peer that does not read); one larger than the
// bound passes when nothing else is held.
// Threads: thread-safe (atomics); shared by a FrameChannel and whoever posts frames to it.
namespace transport {

class SendBudget {
public:
    explicit SendBudget(qint64 bound) : bound_(bound) {}

    // Counts the frame in; false (and not counted) when it would pass the bound.
    bool Take(qint64 bytes) {
        const qint64 before = held_.fetch_add(bytes);
        if (before > 0 && before + bytes > bound_) {
            held_ -= bytes;
            return false;
        }
        qint64 peak = peak_;
        while (before + bytes > peak && !peak_.compare_exchange_weak(peak, before + bytes)) {
        }
        return true;
    }
    void Release(qint64 bytes) { held_ -= bytes; }

    qint64 Bound() const { return bound_; }
    qint64 Held() const { return held_; }
    // The most held at once.
    qint64 Peak() const { return peak_; }

private:
    const qint64 bound_;
    std::atomic<qint64> held_{0};
    std::atomic<qint64> peak_{0};
};

}  // namespace transport
