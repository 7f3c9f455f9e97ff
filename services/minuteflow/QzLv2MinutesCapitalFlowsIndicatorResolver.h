#pragma once

#include "framework/ScopeResolverBase.h"

// Serves "minute_based_capital_flows" nodes: the whole node becomes one 12842 child (scope type
// "qz_Lv2_quoter_12842", key "minute_supl") with the node's stock, order, values and ex-rights,
// whose answers JoinMinuteFlows turns into the parent's rows.
// Threads: Init once before use; then read-only.
class QzLv2MinutesCapitalFlowsIndicatorResolver : public ScopeResolverBase {
public:
    static constexpr const char* kScopeType = "minute_based_capital_flows";
    static constexpr const char* kChildType = "qz_Lv2_quoter_12842";
    static constexpr const char* kApiType = "12842";
    static constexpr const char* kChildKey = "minute_supl";

    using ScopeResolverBase::ScopeResolverBase;

    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;
};
