#pragma once

#include <QList>

#include <set>

#include "host/quoter/HandlerConfiguration.h"
#include "host/quoter/JoinMethodValue.h"
#include "host/quoter/ScopeResolveResult.h"
#include "host/quoter/ScopeTreeNode.h"

// Base of the objects that split a scope tree node into children served by remote calls.
// Init fills the supported scope types and the join methods (protected members); the other
// operations work on them. Resolve returns false for nodes it does not serve (the base serves
// none); otherwise it fills `result` and returns true.
// Threads: Init runs once before use; afterwards the resolver is read-only, so its operations may
// run on any thread (callers serialise Resolve with their own lock when they need to).
class ScopeResolver {
public:
    explicit ScopeResolver(HandlerConfiguration* configuration);
    virtual ~ScopeResolver();

    ScopeResolver(const ScopeResolver&) = delete;
    ScopeResolver& operator=(const ScopeResolver&) = delete;

    virtual void Init();
    virtual std::set<ScopeTypeVariant> GetSupportedTypeSet() const;
    virtual QList<JoinMethodValue> GetJoinMethodList() const;
    virtual bool CanSupport(const ScopeTreeNode& node) const;
    virtual bool CanSupport(const ScopeTypeVariant& type) const;
    virtual bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node);

    HandlerConfiguration* GetHandlerConfiguration() const { return configuration_; }

protected:
    HandlerConfiguration* configuration_;  // not owned
    std::set<ScopeTypeVariant> supported_types_;
    QList<JoinMethodValue> join_methods_;
};
