#include "host/quoter/ScopeTreeNode.h"

#include <atomic>

namespace {
std::atomic<int> g_next_scope_id{1};
}

int ScopeTreeNode::NextScopeId() {
    return g_next_scope_id.fetch_add(1);
}

ScopeTreeNode::ScopeTreeNode() : scope_id(NextScopeId()) {}

ScopeTreeNode::ScopeTreeNode(const ScopeTypeVariant& scopeType)
    : scope_id(NextScopeId()), scope_type(scopeType) {}

ScopeTreeNode ScopeTreeNode::NewRoot(const ScopeTypeVariant& scopeType) {
    return ScopeTreeNode(scopeType);
}

ScopeTreeNode ScopeTreeNode::FromParentNode(const ScopeTreeNode& parent) {
    ScopeTreeNode child;
    child.parent_scope_id = parent.scope_id;
    child.stock_list = parent.stock_list;
    child.xr_list = parent.xr_list;
    child.cycle = parent.cycle;
    child.variant = parent.variant;
    child.quote_level = parent.quote_level;
    child.params = parent.params;
    return child;
}
