#include "host/quoter/CompositeRemoteApiCall.h"

#include <QDebug>

CompositeRemoteApiCall::CompositeRemoteApiCall() = default;

// Members go in the order they were added.
CompositeRemoteApiCall::~CompositeRemoteApiCall() {
    for (auto& member : members_) {
        member.reset();
    }
}

void CompositeRemoteApiCall::Add(RemoteApiCall* call) {
    if (call) {
        members_.emplace_back(call);
    }
}

RemoteApiCall* CompositeRemoteApiCall::FindMemberFor(const ScopeTreeNode& node) const {
    if (!node.api_type.IsEmpty()) {
        for (const auto& member : members_) {
            if (member->GetSupportedTypeSet().count(node.api_type) != 0) {
                return member.get();
            }
        }
    }
    for (const auto& member : members_) {
        if (member->GetSupportedTypeSet().count(node.scope_type) != 0) {
            return member.get();
        }
    }
    return nullptr;
}

void CompositeRemoteApiCall::Init() {
    for (auto& member : members_) {
        member->Init();
    }
}

std::set<ScopeTypeVariant> CompositeRemoteApiCall::GetSupportedTypeSet() const {
    std::set<ScopeTypeVariant> types;
    for (const auto& member : members_) {
        const std::set<ScopeTypeVariant> own = member->GetSupportedTypeSet();
        types.insert(own.begin(), own.end());
    }
    return types;
}

void CompositeRemoteApiCall::AttachNode(const ScopeTreeNode& node) {
    if (RemoteApiCall* member = FindMemberFor(node)) {
        member->AttachNode(node);
        return;
    }
    qWarning().noquote() << "quoter"
                         << "{:SEPARATOR}"
                         << "no call serves api type" << node.api_type.ToQString() << "scope id"
                         << node.scope_id;
}

void CompositeRemoteApiCall::DetachNode(const ScopeTreeNode& node) {
    if (RemoteApiCall* member = FindMemberFor(node)) {
        member->DetachNode(node);
    }
}

void CompositeRemoteApiCall::ClearCache() {
    for (auto& member : members_) {
        member->ClearCache();
    }
}
