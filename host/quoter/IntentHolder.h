#pragma once

#include <QList>
#include <QMutex>
#include <QSharedPointer>
#include <QWaitCondition>

#include <atomic>

#include "host/quoter/IIntentHolder.h"
#include "host/tolk/Handler.h"

// The client's holder of live intents and of the head of its handler chain.
// Redispatch hands every live intent, in the order they became live, to the head's Handle, with
// its scope tree reset to the roots as the host built them (task id, flags and handler set as
// they are), so that handlers that could not serve it before resolve and attach it now. An
// intent removed from the live list while a redispatch runs is not handed down again.
// Dispatches and redispatches never overlap, so an intent is never handed down twice at once: a
// Dispatch waits for a redispatch running on another thread; a Redispatch asked for while
// dispatches run (a data source that became able to serve, from its own thread, or from a
// handler inside the chain) is run by the last of them, once it has handed its intent down.
// Threads: the live list, the head and the dispatch state are guarded by the holder's mutex; the
// chain runs WITHOUT the lock, so handlers may call back into the holder without deadlock, and a
// Redispatch never waits (a data source may ask for one under its own locks).
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
    void RunRedispatch();

    mutable QMutex mutex_;
    QWaitCondition idle_;  // no redispatch running
    Handler* head_ = nullptr;
    QList<QSharedPointer<Intent>> live_;
    int dispatching_ = 0;                 // Dispatch calls handing their intent down
    bool redispatch_owed_ = false;        // asked for while dispatches ran
    Qt::HANDLE redispatching_ = nullptr;  // the thread running a redispatch
    std::atomic<int> redispatch_count_{0};
};
