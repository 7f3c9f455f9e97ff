#pragma once

#include "framework/ScopeResolverBase.h"

// A resolver that serves one parent scope type with one remote-call child: the child takes the
// parent's stock list, a fixed scope type and the call's API type; the parent is marked split
// (type 8) and holds the child; one join method (parent type, 8, child type) merges the child's
// package back.
// Thread contract: as ScopeResolverBase (Init once; Resolve read-only afterwards).
class OneChildScopeResolver : public ScopeResolverBase {
public:
    struct Shape {
        ScopeTypeVariant parent_type;
        ScopeTypeVariant child_type;
        ScopeTypeVariant api_type;
        JoinMethodValue::Method join;
    };

    OneChildScopeResolver(HandlerConfiguration* configuration, Shape shape);

    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;

private:
    Shape shape_;
};
