#include "host/quoter/ScopeResolver.h"

ScopeResolver::ScopeResolver(HandlerConfiguration* configuration) : configuration_(configuration) {}

ScopeResolver::~ScopeResolver() = default;

void ScopeResolver::Init() {}

std::set<ScopeTypeVariant> ScopeResolver::GetSupportedTypeSet() const {
    return supported_types_;
}

QList<JoinMethodValue> ScopeResolver::GetJoinMethodList() const {
    return join_methods_;
}

bool ScopeResolver::CanSupport(const ScopeTreeNode& node) const {
    return CanSupport(node.scope_type);
}

bool ScopeResolver::CanSupport(const ScopeTypeVariant& type) const {
    return supported_types_.count(type) != 0;
}

bool ScopeResolver::Resolve(ScopeResolveResult& /*result*/, const ScopeTreeNode& /*node*/) {
    return false;
}
