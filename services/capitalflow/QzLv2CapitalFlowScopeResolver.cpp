#include "services/capitalflow/QzLv2CapitalFlowScopeResolver.h"

#include "services/capitalflow/CapitalFlowJoins.h"

QzLv2CapitalFlowScopeResolver::QzLv2CapitalFlowScopeResolver(HandlerConfiguration* configuration)
    : OneChildScopeResolver(
          configuration,
          {ScopeTypeVariant(17), ScopeTypeVariant(QStringLiteral("Lv2_capital_flow")),
           ScopeTypeVariant(QStringLiteral("12930")), &capitalflow::JoinStockFlow}) {}
