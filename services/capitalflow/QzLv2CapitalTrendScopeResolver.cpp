#include "services/capitalflow/QzLv2CapitalTrendScopeResolver.h"

#include "services/capitalflow/CapitalFlowJoins.h"

QzLv2CapitalTrendScopeResolver::QzLv2CapitalTrendScopeResolver(HandlerConfiguration* configuration)
    : OneChildScopeResolver(
          configuration, {ScopeTypeVariant(QStringLiteral("board_capitalflow_12932")),
                          ScopeTypeVariant(QStringLiteral("board_capitalflow")),
                          ScopeTypeVariant(QStringLiteral("12932")), &capitalflow::JoinBoardFlow}) {
}
