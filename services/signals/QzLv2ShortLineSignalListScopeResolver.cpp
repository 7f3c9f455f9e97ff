#include "services/signals/QzLv2ShortLineSignalListScopeResolver.h"

#include "services/signals/SignalJoins.h"

QzLv2ShortLineSignalListScopeResolver::QzLv2ShortLineSignalListScopeResolver(
    HandlerConfiguration* configuration)
    : ShortLineScopeResolverBase(configuration, Kind::SignalList) {}

void QzLv2ShortLineSignalListScopeResolver::Init() {
    InitTables({{SignalChild, &shortline::JoinSignalList}});
}

bool QzLv2ShortLineSignalListScopeResolver::Resolve(ScopeResolveResult& result,
                                                    const ScopeTreeNode& node) {
    return ResolveWith(result, node, SignalChild);
}
