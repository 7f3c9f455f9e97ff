#include "host/quoter/QuoteContext.h"

#include <QMutexLocker>

QuoteContext::QuoteContext(int midResultCapacity)
    : mid_results_(midResultCapacity),
      join_methods_(&own_join_methods_),
      intent_holder_(&own_intent_holder_) {}

QuoteContext::~QuoteContext() = default;

bool QuoteContext::RegisterQuoteDataSourceController(const QString& name,
                                                     IQuoteDataSourceController* controller) {
    QMutexLocker lock(&mutex_);
    if (!controller || controllers_.contains(name)) {
        return false;
    }
    controllers_.insert(name, controller);
    return true;
}

void QuoteContext::UnregisterQuoteDataSourceController(const QString& name) {
    QMutexLocker lock(&mutex_);
    controllers_.remove(name);
}

IQuoteDataSourceController* QuoteContext::FindQuoteDataSourceController(const QString& name) const {
    QMutexLocker lock(&mutex_);
    return controllers_.value(name, nullptr);
}

QStringList QuoteContext::QuoteDataSourceControllerNames() const {
    QMutexLocker lock(&mutex_);
    return controllers_.keys();
}

IJoinMethodManager* QuoteContext::GetJoinMethodManager() const {
    QMutexLocker lock(&mutex_);
    return join_methods_;
}

void QuoteContext::SetJoinMethodManager(IJoinMethodManager* manager) {
    QMutexLocker lock(&mutex_);
    join_methods_ = manager;
}

IIntentHolder* QuoteContext::GetIntentHolder() const {
    QMutexLocker lock(&mutex_);
    return intent_holder_;
}

void QuoteContext::SetIntentHolder(IIntentHolder* holder) {
    QMutexLocker lock(&mutex_);
    intent_holder_ = holder ? holder : &own_intent_holder_;
}
