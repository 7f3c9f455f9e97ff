#include "services/minuteflow/QzLv2IndicatorResolver.h"

#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "services/minuteflow/FlowJoins.h"

void QzLv2IndicatorResolver::Init() {
    ResetTables({ScopeTypeVariant(kScopeType)});
    AddJoinMethod(
        JoinMethodKey(ScopeTypeVariant(kScopeType), ScopeSplitTypeVariant(kSplitByRemoteCalls),
                      ScopeTypeVariant(kChildType)),
        &minuteflow::JoinKlineFlows);
}

bool QzLv2IndicatorResolver::Supports(const QString& code) const {
    const auto* quoteConfiguration =
        dynamic_cast<const QuoteDataSourceHandlerConfiguration*>(configuration_);
    return quoteConfiguration != nullptr && quoteConfiguration->lv2_feature.Support(code);
}

bool QzLv2IndicatorResolver::Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) {
    if (node.scope_type != ScopeTypeVariant(kScopeType) ||
        !Supports(node.stock_list.GetStockCode())) {
        return false;
    }
    const QStringList keys = node.key_list.ToText().split(QLatin1Char(','), Qt::SkipEmptyParts);
    QList<ScopeTreeNode> children;
    QStringList others;
    for (const QString& key : keys) {
        if (key == QLatin1String(kKey)) {
            ScopeTreeNode child =
                MakeChild(node, ScopeTypeVariant(kChildType), ScopeTypeVariant(kApiType));
            child.key_list = KeyListExpression::FromKeyList(key);
            children << child;
        } else {
            others << key;
        }
    }
    QList<ScopeTreeNode> remainder;
    if (!others.isEmpty()) {
        ScopeTreeNode rest = MakeChild(node, ScopeTypeVariant(kScopeType), node.api_type);
        rest.key_list = KeyListExpression::FromKeyList(others.join(QLatin1Char(',')));
        remainder << rest;
    }
    FillResult(result, SplitCopy(node), children, remainder);
    return true;
}
