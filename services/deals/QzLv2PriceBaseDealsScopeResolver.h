#pragma once

#include "framework/OneChildScopeResolver.h"

// Serves the price-volume table: a node of numeric scope type 10 gets one child "price_deals" on
// API type "12915"; its package becomes one row per traded price on the node.
// Thread contract: as OneChildScopeResolver.
class QzLv2PriceBaseDealsScopeResolver : public OneChildScopeResolver {
public:
    explicit QzLv2PriceBaseDealsScopeResolver(HandlerConfiguration* configuration);
};
