#pragma once

#include <memory>
#include <vector>

#include "host/quoter/RemoteApiCall.h"

// A call made of calls; it owns them. AttachNode/DetachNode go to the first member whose
// supported set holds the node's api type, or, for a node without a matching api type, its
// scope type; a node no member supports is ignored.
// Threads: members are added and initialised before use; afterwards the member list is
// read-only and each member guards itself.
class CompositeRemoteApiCall : public RemoteApiCall {
public:
    CompositeRemoteApiCall();
    ~CompositeRemoteApiCall() override;

    void Add(RemoteApiCall* call);  // takes ownership; null is ignored
    int Count() const { return static_cast<int>(members_.size()); }
    RemoteApiCall* At(int i) const { return members_.at(i).get(); }
    // The member that serves the node, or null.
    RemoteApiCall* FindMemberFor(const ScopeTreeNode& node) const;

    void Init() override;
    std::set<ScopeTypeVariant> GetSupportedTypeSet() const override;
    void AttachNode(const ScopeTreeNode& node) override;
    void DetachNode(const ScopeTreeNode& node) override;
    void ClearCache() override;

private:
    std::vector<std::unique_ptr<RemoteApiCall>> members_;
};
