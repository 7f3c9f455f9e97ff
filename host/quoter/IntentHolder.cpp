#include "host/quoter/IntentHolder.h"

#include "host/core/DetachedCopy.h"
#include "host/quoter/QuoteDataSourceIntent.h"

#include <QMutexLocker>
#include <QThread>

IntentHolder::IntentHolder(Handler* chainHead) : head_(chainHead) {}

void IntentHolder::SetChainHead(Handler* chainHead) {
    QMutexLocker lock(&mutex_);
    head_ = chainHead;
}

IntentHolder::Handler* IntentHolder::ChainHead() const {
    QMutexLocker lock(&mutex_);
    return head_;
}

bool IntentHolder::Dispatch(const QSharedPointer<Intent>& intent) {
    Handler* head = nullptr;
    {
        QMutexLocker lock(&mutex_);
        while (redispatching_ != nullptr && redispatching_ != QThread::currentThreadId()) {
            idle_.wait(&mutex_);
        }
        if (intent && !live_.contains(intent)) {
            live_.append(intent);
        }
        head = head_;
        ++dispatching_;
    }
    const bool handled = head && intent ? head->Handle(intent) : false;
    bool redispatch = false;
    {
        QMutexLocker lock(&mutex_);
        redispatch = --dispatching_ == 0 && redispatch_owed_;
        redispatch_owed_ = redispatch_owed_ && !redispatch;
    }
    if (redispatch) {
        Redispatch();
    }
    return handled;
}

void IntentHolder::AddLive(const QSharedPointer<Intent>& intent) {
    QMutexLocker lock(&mutex_);
    if (intent && !live_.contains(intent)) {
        live_.append(intent);
    }
}

void IntentHolder::RemoveLive(const QSharedPointer<Intent>& intent) {
    QMutexLocker lock(&mutex_);
    live_.removeAll(intent);
}

QList<QSharedPointer<IntentHolder::Intent>> IntentHolder::LiveIntents() const {
    QMutexLocker lock(&mutex_);
    return DetachedCopy(live_);
}

bool IntentHolder::IsLive(const QSharedPointer<Intent>& intent) const {
    QMutexLocker lock(&mutex_);
    return live_.contains(intent);
}

int IntentHolder::LiveCount() const {
    QMutexLocker lock(&mutex_);
    return live_.size();
}

void IntentHolder::Redispatch() {
    {
        QMutexLocker lock(&mutex_);
        if (dispatching_ > 0 || redispatching_ != nullptr) {
            redispatch_owed_ = true;  // the running dispatch or redispatch runs it when done
            return;
        }
        redispatching_ = QThread::currentThreadId();
    }
    do {
        RunRedispatch();
        QMutexLocker lock(&mutex_);
        if (!redispatch_owed_ || dispatching_ > 0) {
            redispatching_ = nullptr;
            idle_.wakeAll();
            return;
        }
        redispatch_owed_ = false;
    } while (true);
}

void IntentHolder::RunRedispatch() {
    ++redispatch_count_;
    QList<QSharedPointer<Intent>> intents;
    Handler* head = nullptr;
    {
        QMutexLocker lock(&mutex_);
        intents = DetachedCopy(live_);
        head = head_;
    }
    if (!head) {
        return;
    }
    for (const QSharedPointer<Intent>& intent : qAsConst(intents)) {
        if (!IsLive(intent)) {
            continue;
        }
        const QuoteDataSourceIntent* request = QuoteDataSourceIntent::FromIntent(intent);
        if (request != nullptr && request->GetScopeTree()) {
            request->GetScopeTree()->ResetToUnresolved();
        }
        head->Handle(intent);
    }
}
