#pragma once

#include <set>

#include "host/quoter/ScopeTreeNode.h"
#include "host/quoter/ScopeTypeVariant.h"

// Base of the objects that serve nodes from a remote function: AttachNode starts delivering the
// node's data (scope id, data) to the client, DetachNode stops it. The supported set holds the
// api types the call serves.
// Threads: implementations guard themselves (calls are reached from the handler's work thread and
// from their accessor's thread).
class RemoteApiCall {
public:
    virtual ~RemoteApiCall();
    virtual void Init() {}
    virtual std::set<ScopeTypeVariant> GetSupportedTypeSet() const = 0;
    virtual void AttachNode(const ScopeTreeNode& node) = 0;
    virtual void DetachNode(const ScopeTreeNode& node) = 0;
    virtual void ClearCache() {}
};
