#pragma once

#include <QHash>

#include "host/quoter/ScopeSplitTypeVariant.h"
#include "host/quoter/ScopeTypeVariant.h"

// Which join merges a child's data into its parent: (parent scope type, split type, child scope
// type), or (parent scope type, child scope type) for joins that hold whatever the split.
// Keys without a split type order before keys with one of the same parent type.
// Threads: a plain value.
class JoinMethodKey {
public:
    JoinMethodKey() = default;
    JoinMethodKey(const ScopeTypeVariant& parentType, const ScopeSplitTypeVariant& splitType,
                  const ScopeTypeVariant& childType);
    JoinMethodKey(const ScopeTypeVariant& parentType, const ScopeTypeVariant& childType);

    const ScopeTypeVariant& ParentType() const { return parent_type_; }
    const ScopeTypeVariant& ChildType() const { return child_type_; }
    bool HasSplitType() const { return has_split_type_; }
    const ScopeSplitTypeVariant& SplitType() const { return split_type_; }

    bool operator==(const JoinMethodKey& o) const;
    bool operator!=(const JoinMethodKey& o) const { return !(*this == o); }
    bool operator<(const JoinMethodKey& o) const;

private:
    ScopeTypeVariant parent_type_;
    bool has_split_type_ = false;
    ScopeSplitTypeVariant split_type_;
    ScopeTypeVariant child_type_;
};

uint qHash(const JoinMethodKey& key, uint seed = 0);
