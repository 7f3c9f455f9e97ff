#pragma once

#include <memory>

// A burst of hand-offs from one thread to consumers waiting on other threads. While a batch is
// open on a thread, a queue that takes part puts its items in without waking its consumer and
// asks the batch to wake it (Defer); the batch wakes each such consumer once when it closes. A
// thread that delivers many messages in one go (an accessor draining a burst of answers) so
// costs a consumer one wake-up for the burst, not one per message. Batches nest: the outermost
// one wakes. A consumer is held by shared pointer, so one that goes away meanwhile is still safe
// to wake.
// Threads: a scope object, opened and closed on one thread; it sees only that thread's Defers.
class HandOffBatch {
public:
    class Consumer {
    public:
        virtual ~Consumer() = default;
        virtual void Wake() = 0;
    };

    HandOffBatch();
    ~HandOffBatch();
    HandOffBatch(const HandOffBatch&) = delete;
    HandOffBatch& operator=(const HandOffBatch&) = delete;

    // With a batch open on this thread: notes `consumer` (once per batch) for a wake-up when the
    // batch closes, and returns true. Without one: returns false, and the caller wakes it now.
    static bool Defer(const std::shared_ptr<Consumer>& consumer);
};
