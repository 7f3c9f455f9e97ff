#pragma once

#include "framework/OneChildScopeResolver.h"

// Serves a board's large-order inflow: a node of "board_stkanalysis_12973" gets one child
// "board_stkanalysis" on API type "12973"; its package becomes a one-row table on the node. Thread
// contract: as OneChildScopeResolver.
class QzLv2StkanalysisScopeResolver : public OneChildScopeResolver {
public:
    explicit QzLv2StkanalysisScopeResolver(HandlerConfiguration* configuration);
};
