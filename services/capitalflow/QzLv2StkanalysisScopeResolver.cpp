#include "services/capitalflow/QzLv2StkanalysisScopeResolver.h"

#include "services/capitalflow/CapitalFlowJoins.h"

QzLv2StkanalysisScopeResolver::QzLv2StkanalysisScopeResolver(HandlerConfiguration* configuration)
    : OneChildScopeResolver(
          configuration,
          {ScopeTypeVariant(QStringLiteral("board_stkanalysis_12973")),
           ScopeTypeVariant(QStringLiteral("board_stkanalysis")),
           ScopeTypeVariant(QStringLiteral("12973")), &capitalflow::JoinBoardAnalysis}) {}
