#include "host/quoter/JoinMethodManager.h"

#include <QMutexLocker>

void JoinMethodManager::RegisterJoinMethod(const JoinMethodValue& value) {
    QMutexLocker lock(&mutex_);
    methods_.insert(value.Key(), value);
}

std::optional<JoinMethodValue> JoinMethodManager::Find(const ScopeTypeVariant& parentType,
                                                       const ScopeSplitTypeVariant& splitType,
                                                       const ScopeTypeVariant& childType) const {
    QMutexLocker lock(&mutex_);
    auto it = methods_.constFind(JoinMethodKey(parentType, splitType, childType));
    if (it == methods_.constEnd()) {
        it = methods_.constFind(JoinMethodKey(parentType, childType));
    }
    if (it == methods_.constEnd()) {
        return std::nullopt;
    }
    return it.value();
}

std::optional<JoinMethodValue> JoinMethodManager::Find(const JoinMethodKey& key) const {
    QMutexLocker lock(&mutex_);
    auto it = methods_.constFind(key);
    if (it == methods_.constEnd()) {
        return std::nullopt;
    }
    return it.value();
}

int JoinMethodManager::Count() const {
    QMutexLocker lock(&mutex_);
    return methods_.size();
}

void JoinMethodManager::Clear() {
    QMutexLocker lock(&mutex_);
    methods_.clear();
}
