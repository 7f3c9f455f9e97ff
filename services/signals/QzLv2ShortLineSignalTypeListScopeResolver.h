#pragma once

#include "services/signals/ShortLineScopeResolverBase.h"

// The short-line signal-type catalogue: a type-list "短线精灵查询" node gets one 10015 child;
// its answers become one row per signal type.
// Threads: Init once before use; then read-only.
class QzLv2ShortLineSignalTypeListScopeResolver : public ShortLineScopeResolverBase {
public:
    explicit QzLv2ShortLineSignalTypeListScopeResolver(HandlerConfiguration* configuration);
    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;
};
