#include "host/quoter/JoinMethodKey.h"

#include <tuple>

JoinMethodKey::JoinMethodKey(const ScopeTypeVariant& parentType,
                             const ScopeSplitTypeVariant& splitType,
                             const ScopeTypeVariant& childType)
    : parent_type_(parentType),
      has_split_type_(true),
      split_type_(splitType),
      child_type_(childType) {}

JoinMethodKey::JoinMethodKey(const ScopeTypeVariant& parentType, const ScopeTypeVariant& childType)
    : parent_type_(parentType), child_type_(childType) {}

bool JoinMethodKey::operator==(const JoinMethodKey& o) const {
    return parent_type_ == o.parent_type_ && has_split_type_ == o.has_split_type_ &&
           (!has_split_type_ || split_type_ == o.split_type_) && child_type_ == o.child_type_;
}

bool JoinMethodKey::operator<(const JoinMethodKey& o) const {
    // A key without a split type compares as split 0 after the has-split flag.
    const int split = has_split_type_ ? split_type_.Value() : 0;
    const int otherSplit = o.has_split_type_ ? o.split_type_.Value() : 0;
    return std::tie(parent_type_, has_split_type_, split, child_type_) <
           std::tie(o.parent_type_, o.has_split_type_, otherSplit, o.child_type_);
}

uint qHash(const JoinMethodKey& key, uint seed) {
    uint h = qHash(key.ParentType(), seed);
    h = h * 31u + (key.HasSplitType() ? qHash(key.SplitType(), seed) + 1u : 0u);
    return h * 31u + qHash(key.ChildType(), seed);
}
