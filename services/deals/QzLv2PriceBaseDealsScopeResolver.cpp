#include "services/deals/QzLv2PriceBaseDealsScopeResolver.h"

#include "services/deals/PriceDealsJoin.h"

QzLv2PriceBaseDealsScopeResolver::QzLv2PriceBaseDealsScopeResolver(
    HandlerConfiguration* configuration)
    : OneChildScopeResolver(configuration,
                            {ScopeTypeVariant(10), ScopeTypeVariant(QStringLiteral("price_deals")),
                             ScopeTypeVariant(QStringLiteral("12915")), &deals::JoinPriceDeals}) {}
