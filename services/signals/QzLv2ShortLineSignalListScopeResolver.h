#pragma once

#include "services/signals/ShortLineScopeResolverBase.h"

// The filtered short-line signal list: a signal-list "短线精灵查询" node gets one 10016 child
// carrying the node's "plate_list"; its answers are merged into the node's rows by order.
// Threads: Init once before use; then read-only.
class QzLv2ShortLineSignalListScopeResolver : public ShortLineScopeResolverBase {
public:
    explicit QzLv2ShortLineSignalListScopeResolver(HandlerConfiguration* configuration);
    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;
};
