#include "services/signals/QzLv2ShortLineSignalTypeListScopeResolver.h"

QzLv2ShortLineSignalTypeListScopeResolver::QzLv2ShortLineSignalTypeListScopeResolver(
    HandlerConfiguration* configuration)
    : ShortLineScopeResolverBase(configuration, Kind::TypeList) {}

void QzLv2ShortLineSignalTypeListScopeResolver::Init() {
    InitTables(TypeChild);
}

bool QzLv2ShortLineSignalTypeListScopeResolver::Resolve(ScopeResolveResult& result,
                                                        const ScopeTreeNode& node) {
    return ResolveWith(result, node, TypeChild);
}
