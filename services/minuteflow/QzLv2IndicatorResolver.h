#pragma once

#include "framework/ScopeResolverBase.h"

// Serves K-line nodes (numeric scope type 7) of stocks the LV2 feature covers: each "supl" key of
// the node's key list becomes a 12844 child (scope type "qz_ind_12844", key "supl"); the other
// keys, in order, stay in a remainder node of type 7 for other resolvers. JoinKlineFlows turns
// the child's answers into the parent's "supl" segment.
// Threads: Init once before use; then read-only.
class QzLv2IndicatorResolver : public ScopeResolverBase {
public:
    static constexpr int kScopeType = 7;
    static constexpr const char* kKey = "supl";
    static constexpr const char* kChildType = "qz_ind_12844";
    static constexpr const char* kApiType = "12844";

    using ScopeResolverBase::ScopeResolverBase;

    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;

private:
    bool Supports(const QString& code) const;
};
