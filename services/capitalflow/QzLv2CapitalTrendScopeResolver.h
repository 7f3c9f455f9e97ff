#pragma once

#include "framework/OneChildScopeResolver.h"

// Serves a board's capital flow: a node of "board_capitalflow_12932" gets one child
// "board_capitalflow" on API type "12932"; its package becomes a one-row table on the node. Thread
// contract: as OneChildScopeResolver.
class QzLv2CapitalTrendScopeResolver : public OneChildScopeResolver {
public:
    explicit QzLv2CapitalTrendScopeResolver(HandlerConfiguration* configuration);
};
