#pragma once

#include "services/signals/ShortLineScopeResolverBase.h"

// Short-line signal statistics: a statistics "短线精灵查询" node gets a 10015 and a 10016 child;
// each child's join stores its package (the signals filtered first) and, once both are there,
// rebuilds the rows per signal type and direction.
// Threads: Init once before use; then read-only.
class QzLv2ShortLineSignalStatisticsScopeResolver : public ShortLineScopeResolverBase {
public:
    explicit QzLv2ShortLineSignalStatisticsScopeResolver(HandlerConfiguration* configuration);
    void Init() override;
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override;
};
