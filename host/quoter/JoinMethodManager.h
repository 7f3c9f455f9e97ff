#pragma once

#include <QHash>
#include <QMutex>

#include <optional>

#include "host/quoter/IJoinMethodManager.h"

// The client's join-method registry. Registering a key again replaces the earlier join.
// Find(parent, split, child) prefers the key with the split type and falls back to the key
// without one.
// Threads: every operation takes the registry's mutex; Find returns a copy, so the join runs
// without the lock.
class JoinMethodManager : public IJoinMethodManager {
public:
    void RegisterJoinMethod(const JoinMethodValue& value) override;

    std::optional<JoinMethodValue> Find(const ScopeTypeVariant& parentType,
                                        const ScopeSplitTypeVariant& splitType,
                                        const ScopeTypeVariant& childType) const;
    std::optional<JoinMethodValue> Find(const JoinMethodKey& key) const;
    int Count() const;
    void Clear();

private:
    mutable QMutex mutex_;
    QHash<JoinMethodKey, JoinMethodValue> methods_;
};
