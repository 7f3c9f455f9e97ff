#include "services/minuteflow/QzLv2MinutesCapitalFlowsIndicatorResolver.h"

#include "services/minuteflow/FlowJoins.h"

void QzLv2MinutesCapitalFlowsIndicatorResolver::Init() {
    ResetTables({ScopeTypeVariant(kScopeType)});
    AddJoinMethod(
        JoinMethodKey(ScopeTypeVariant(kScopeType), ScopeSplitTypeVariant(kSplitByRemoteCalls),
                      ScopeTypeVariant(kChildType)),
        &minuteflow::JoinMinuteFlows);
}

bool QzLv2MinutesCapitalFlowsIndicatorResolver::Resolve(ScopeResolveResult& result,
                                                        const ScopeTreeNode& node) {
    if (node.scope_type != ScopeTypeVariant(kScopeType)) {
        return false;
    }
    ScopeTreeNode child = ScopeTreeNode::FromParentNode(node);
    child.stock_list = node.stock_list;
    child.order_by = node.order_by;
    child.values = node.values;
    child.xr_list = node.xr_list;
    child.scope_type = ScopeTypeVariant(kChildType);
    child.api_type = ScopeTypeVariant(kApiType);
    child.key_list = KeyListExpression::FromKeyList(kChildKey);
    FillResult(result, SplitCopy(node), {child});
    return true;
}
