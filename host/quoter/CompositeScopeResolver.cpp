#include "host/quoter/CompositeScopeResolver.h"

CompositeScopeResolver::CompositeScopeResolver(HandlerConfiguration* configuration)
    : ScopeResolver(configuration) {}

// Members go in the order they were added.
CompositeScopeResolver::~CompositeScopeResolver() {
    for (auto& member : members_) {
        member.reset();
    }
}

void CompositeScopeResolver::Add(ScopeResolver* resolver) {
    if (resolver) {
        members_.emplace_back(resolver);
    }
}

void CompositeScopeResolver::Init() {
    for (auto& member : members_) {
        member->Init();
    }
}

std::set<ScopeTypeVariant> CompositeScopeResolver::GetSupportedTypeSet() const {
    std::set<ScopeTypeVariant> types;
    for (const auto& member : members_) {
        const std::set<ScopeTypeVariant> own = member->GetSupportedTypeSet();
        types.insert(own.begin(), own.end());
    }
    return types;
}

QList<JoinMethodValue> CompositeScopeResolver::GetJoinMethodList() const {
    QList<JoinMethodValue> methods;
    for (const auto& member : members_) {
        methods << member->GetJoinMethodList();
    }
    return methods;
}

bool CompositeScopeResolver::CanSupport(const ScopeTypeVariant& type) const {
    for (const auto& member : members_) {
        if (member->CanSupport(type)) {
            return true;
        }
    }
    return false;
}

bool CompositeScopeResolver::Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) {
    for (auto& member : members_) {
        if (member->Resolve(result, node)) {
            return true;
        }
    }
    return false;
}
