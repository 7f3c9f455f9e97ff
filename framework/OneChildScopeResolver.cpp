#include "framework/OneChildScopeResolver.h"

OneChildScopeResolver::OneChildScopeResolver(HandlerConfiguration* configuration, Shape shape)
    : ScopeResolverBase(configuration), shape_(std::move(shape)) {}

void OneChildScopeResolver::Init() {
    ResetTables({shape_.parent_type});
    AddJoinMethod(JoinMethodKey(shape_.parent_type, ScopeSplitTypeVariant(kSplitByRemoteCalls),
                                shape_.child_type),
                  shape_.join);
}

bool OneChildScopeResolver::Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) {
    if (node.scope_type != shape_.parent_type) {
        return false;
    }
    ScopeTreeNode child = ScopeTreeNode::FromParentNode(node);
    child.scope_type = shape_.child_type;
    child.stock_list = node.stock_list;
    child.api_type = shape_.api_type;
    ScopeTreeNode split = SplitCopy(node);
    split.children.clear();
    split.children << child;
    FillResult(result, split, {child});
    return true;
}
