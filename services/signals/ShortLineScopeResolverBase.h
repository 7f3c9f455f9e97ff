#pragma once

#include <initializer_list>

#include "framework/ScopeResolverBase.h"
#include "host/quoter/JoinMethodValue.h"

// What the three "短线精灵查询" resolvers share. The composite offers a node to its resolvers in
// turn and the first that accepts keeps it, so the three tell their requests apart by the keys
// asked for (KindOf): a node asking for "signal_type_statistics" is a statistics request; one
// asking only for signal-type columns ("signal_type_code", "signal_type_name",
// "signal_type_group_code", "signal_type_group_name") is a type-list request; any other
// (no keys included) is a signal-list request.
// Each resolved node becomes a split copy (type 8) with its children; joins are keyed by
// (parent type, child type) without a split type. Two resolvers serve each child type and the
// client keeps one join per key, so every registered join is the same routed one: it runs the
// join of the kind of the target node (JoinRouted).
// Threads: Init once before use; then read-only.
class ShortLineScopeResolverBase : public ScopeResolverBase {
public:
    static constexpr const char* kScopeType = "短线精灵查询";
    static constexpr const char* kTypeChildType = "qz_lv2_quoter_10015";
    static constexpr const char* kSignalChildType = "qz_lv2_quoter_10016";
    static constexpr const char* kPlateListParam = "plate_list";

    enum class Kind { SignalList, Statistics, TypeList };
    static Kind KindOf(const ScopeTreeNode& node);
    // The signal list, type list or statistics join, by the target's kind.
    static JoinMethodResult JoinRouted(ScopeTreeNode& target, const ScopeTreeNode& source);

protected:
    enum Child { TypeChild = 1, SignalChild = 2 };

    ShortLineScopeResolverBase(HandlerConfiguration* configuration, Kind kind);

    // Accepted type and the routed join for each of the given children.
    void InitTables(int children);
    // Accepts a short-line node of this resolver's kind and makes the given children.
    bool ResolveWith(ScopeResolveResult& result, const ScopeTreeNode& node, int children) const;

private:
    static ScopeTypeVariant ScopeType();
    static ScopeTypeVariant ChildType(Child child);

    const Kind kind_;
};
