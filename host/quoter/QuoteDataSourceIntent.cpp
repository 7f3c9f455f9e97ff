#include "host/quoter/QuoteDataSourceIntent.h"

#include <QMutexLocker>

QuoteDataSourceIntent::QuoteDataSourceIntent(int taskId, quint32 flags,
                                             QSharedPointer<ScopeTree> tree)
    : task_id_(taskId), flags_(flags), tree_(std::move(tree)) {}

QuoteDataSourceIntent::~QuoteDataSourceIntent() = default;

QuoteDataSourceIntent* QuoteDataSourceIntent::FromIntent(
    const QSharedPointer<kestrov::tolk::cor::Intent>& intent) {
    return dynamic_cast<QuoteDataSourceIntent*>(intent.data());
}

void QuoteDataSourceIntent::AddHandler(QuoteDataSourceHandler* handler) {
    QMutexLocker lock(&mutex_);
    handlers_.insert(handler);
}

bool QuoteDataSourceIntent::HasHandler(QuoteDataSourceHandler* handler) const {
    QMutexLocker lock(&mutex_);
    return handlers_.contains(handler);
}

QSet<QuoteDataSourceHandler*> QuoteDataSourceIntent::GetHandlerSet() const {
    QMutexLocker lock(&mutex_);
    return handlers_;
}
