#pragma once

#include "host/quoter/ScopeResolver.h"

// Serves "l2_fast_quote" nodes: each becomes a split node (split type 8) with two children, the
// basic quote of the stock (scope type 2, api type "10001", key "lastest_time_based_deal") and
// the fast quote (scope type "qz_lv2_quoter_12989", api type "12989"), whose answers the two
// registered joins merge into one QzLv2FastQuoteNodeData on the parent.
// Threads: Init once before use; then read-only (ScopeResolver).
class QzLv2FastQuoteScopeResolver : public ScopeResolver {
public:
    static constexpr const char* kScopeType = "l2_fast_quote";
    static constexpr const char* kFastQuoteChildType = "qz_lv2_quoter_12989";
    static constexpr const char* kFastQuoteApiType = "12989";
    static constexpr const char* kBasicQuoteApiType = "10001";
    static constexpr const char* kBasicQuoteKey = "lastest_time_based_deal";
    static constexpr int kBasicQuoteChildType = 2;
    static constexpr int kSplitType = 8;

    explicit QzLv2FastQuoteScopeResolver(HandlerConfiguration* configuration);

    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;
};
