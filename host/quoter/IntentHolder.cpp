#include "host/quoter/IntentHolder.h"

#include "host/core/DetachedCopy.h"
#include "host/quoter/QuoteDataSourceIntent.h"

#include <QMutexLocker>

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
    AddLive(intent);
    Handler* head = ChainHead();
    return head && intent ? head->Handle(intent) : false;
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
