#pragma once

#include <memory>
#include <vector>

#include "host/quoter/ScopeResolver.h"

// A resolver made of resolvers, asked in the order they were added. It owns them.
// Init runs every member's Init; the supported set is their union; the join list is theirs
// concatenated in member order; Resolve stops at the first member that accepts the node.
// Threads: members are added and initialised before use; afterwards read-only.
class CompositeScopeResolver : public ScopeResolver {
public:
    explicit CompositeScopeResolver(HandlerConfiguration* configuration = nullptr);
    ~CompositeScopeResolver() override;

    void Add(ScopeResolver* resolver);  // takes ownership; null is ignored
    int Count() const { return static_cast<int>(members_.size()); }
    ScopeResolver* At(int i) const { return members_.at(i).get(); }

    void Init() override;
    std::set<ScopeTypeVariant> GetSupportedTypeSet() const override;
    QList<JoinMethodValue> GetJoinMethodList() const override;
    using ScopeResolver::CanSupport;
    bool CanSupport(const ScopeTypeVariant& type) const override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;

private:
    std::vector<std::unique_ptr<ScopeResolver>> members_;
};
