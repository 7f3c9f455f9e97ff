#pragma once

#include "host/quoter/ScopeTreeNode.h"

// What resolving nodes produced, in three lists:
//   replacement_nodes  copies of resolved nodes (split type set) that replace them in the tree
//   fetch_nodes        children to be served by remote calls
//   unhandled_nodes    children (or remainders) left for other handlers
// Threads: a plain value.
class ScopeResolveResult {
public:
    ScopeResolveResult& operator<<(const ScopeResolveResult& other);
    bool IsEmpty() const;

    ScopeTreeNodeList replacement_nodes;
    ScopeTreeNodeList fetch_nodes;
    ScopeTreeNodeList unhandled_nodes;
};
