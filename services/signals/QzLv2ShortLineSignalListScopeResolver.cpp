#include "services/signals/QzLv2ShortLineSignalListScopeResolver.h"

QzLv2ShortLineSignalListScopeResolver::QzLv2ShortLineSignalListScopeResolver(
    HandlerConfiguration* configuration)
    : ShortLineScopeResolverBase(configuration, Kind::SignalList) {}

void QzLv2ShortLineSignalListScopeResolver::Init() {
    InitTables(SignalChild);
}

bool QzLv2ShortLineSignalListScopeResolver::Resolve(ScopeResolveResult& result,
                                                    const ScopeTreeNode& node) {
    return ResolveWith(result, node, SignalChild);
}
