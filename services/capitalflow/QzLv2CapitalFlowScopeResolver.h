#pragma once

#include "framework/OneChildScopeResolver.h"

// Serves a stock's capital flow: a node of numeric scope type 17 gets one child "Lv2_capital_flow"
// on API type "12930"; its package becomes a one-row table on the node. Thread contract: as
// OneChildScopeResolver.
class QzLv2CapitalFlowScopeResolver : public OneChildScopeResolver {
public:
    explicit QzLv2CapitalFlowScopeResolver(HandlerConfiguration* configuration);
};
