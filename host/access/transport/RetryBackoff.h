#pragma once

#include <QtGlobal>

// The delays between reconnection attempts: first, then doubling up to a maximum, until Reset.
// A plain value; not thread-safe.
namespace transport {

class RetryBackoff {
public:
    RetryBackoff(int firstMs, int maxMs) : first_ms_(qMax(1, firstMs)), max_ms_(qMax(1, maxMs)) {}

    // The delay before the next attempt, in ms.
    int Next() {
        const int delay = qMin(next_ms_ == 0 ? first_ms_ : next_ms_, max_ms_);
        next_ms_ = delay >= max_ms_ / 2 ? max_ms_ : delay * 2;
        return delay;
    }
    void Reset() { next_ms_ = 0; }

private:
    const int first_ms_;
    const int max_ms_;
    int next_ms_ = 0;  // 0: the first delay is next
};

}  // namespace transport
