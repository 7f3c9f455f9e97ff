#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <functional>
#include <memory>
#include <utility>

// Lets accessor callbacks outlive the object that registered them: each callback holds the guard
// (shared), runs only while the owner is alive, and the owner's Revoke waits for a running one.
// Thread contract: Run may be called from any thread; Revoke by the owner as it stops. The
// guard's own recursive mutex is taken before the owner's call lock, never after it.
class ReceiverGuard {
public:
    ReceiverGuard() : mutex_(QMutex::Recursive) {}

    // Runs the callable unless revoked; returns whether it ran.
    bool Run(const std::function<void()>& callable) {
        QMutexLocker locker(&mutex_);
        if (revoked_) {
            return false;
        }
        callable();
        return true;
    }

    void Revoke() {
        QMutexLocker locker(&mutex_);
        revoked_ = true;
    }

    // Wraps a handler of one argument so that it runs under the guard.
    template <typename Arg>
    static std::function<void(const Arg&)> Wrap(std::shared_ptr<ReceiverGuard> guard,
                                                std::function<void(const Arg&)> handler) {
        return [guard = std::move(guard), handler = std::move(handler)](const Arg& arg) {
            guard->Run([&] { handler(arg); });
        };
    }

private:
    QMutex mutex_;
    bool revoked_ = false;
};
