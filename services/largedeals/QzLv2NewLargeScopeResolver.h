#pragma once

#include "framework/ScopeResolverBase.h"

// Serves the large-deal alert: a node of numeric scope type 18 becomes a split node (type 8)
// with one child of scope type "lv2_cjdd", API type "12990" and variant "ddts" (the latest large
// deal of the node's stock). The join turns each one-record answer into a one-row
// DealsQuoteData on the parent.
// Threads: Init once before use; then read-only.
class QzLv2NewLargeScopeResolver : public ScopeResolverBase {
public:
    static constexpr int kScopeType = 18;
    static constexpr const char* kChildScopeType = "lv2_cjdd";
    static constexpr const char* kApiType = "12990";
    static constexpr const char* kVariant = "ddts";

    explicit QzLv2NewLargeScopeResolver(HandlerConfiguration* configuration);

    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;
};

namespace largedeal {
// The large-deal join: a source answer holding exactly one record becomes the target's one-row
// table ("time", "deal_price", "number", "In_number", "Out_number"); anything else leaves the
// target unchanged and fails.
JoinMethodResult JoinLatestLargeDeal(ScopeTreeNode& target, const ScopeTreeNode& source);
}  // namespace largedeal
