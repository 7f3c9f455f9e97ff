#include "services/signals/QzLv2ShortLineSignalStatisticsScopeResolver.h"

QzLv2ShortLineSignalStatisticsScopeResolver::QzLv2ShortLineSignalStatisticsScopeResolver(
    HandlerConfiguration* configuration)
    : ShortLineScopeResolverBase(configuration, Kind::Statistics) {}

void QzLv2ShortLineSignalStatisticsScopeResolver::Init() {
    InitTables(TypeChild | SignalChild);
}

bool QzLv2ShortLineSignalStatisticsScopeResolver::Resolve(ScopeResolveResult& result,
                                                          const ScopeTreeNode& node) {
    return ResolveWith(result, node, TypeChild | SignalChild);
}
