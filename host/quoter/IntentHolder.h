#pragma once

#include <QList>
#include <QMutex>
#include <QSharedPointer>

#include <atomic>

#include "host/quoter/IIntentHolder.h"
#include "host/tolk/Handler.h"

// The client's holder of live intents and of the head of its handler chain.
// Redispatch hands every live intent, in the order they became live, to the head's Handle, with
// its scope tree reset to the roots as the host built them (task id, flags and handler set as
// they are), so that handlers that could not serve it before resolve and attach it now. An
// intent removed from the live list while a redispatch runs is not handed down again.
// Threads: the live list and the head are guarded by the holder's mutex; Redispatch takes a
// snapshot and runs the chain WITHOUT the lock, so handlers may call back into the holder
// (e.g. Redispatch from a handler's own state change) without deadlock.
class IntentHolder : public IIntentHolder {
public:
    using Intent = kestrov::tolk::cor::Intent;
    using Handler = kestrov::tolk::cor::Handler;

    explicit IntentHolder(Handler* chainHead = nullptr);

    void SetChainHead(Handler* chainHead);  // not owned
    Handler* ChainHead() const;

    // Makes the intent live (once) and runs it through the chain; the chain's result, or false
    // without a chain.
    bool Dispatch(const QSharedPointer<Intent>& intent);
    void AddLive(const QSharedPointer<Intent>& intent);
    void RemoveLive(const QSharedPointer<Intent>& intent);
    QList<QSharedPointer<Intent>> LiveIntents() const;
    int LiveCount() const;
    bool IsLive(const QSharedPointer<Intent>& intent) const;

    void Redispatch() override;
    int RedispatchCount() const { return redispatch_count_.load(); }

private:
    mutable QMutex mutex_;
    Handler* head_ = nullptr;
    QList<QSharedPointer<Intent>> live_;
    std::atomic<int> redispatch_count_{0};
};
