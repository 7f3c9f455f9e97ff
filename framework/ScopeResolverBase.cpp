#include "framework/ScopeResolverBase.h"

ScopeResolverBase::ScopeResolverBase(HandlerConfiguration* configuration)
    : ScopeResolver(configuration) {}

void ScopeResolverBase::ResetTables(std::initializer_list<ScopeTypeVariant> acceptedTypes) {
    join_methods_.clear();
    supported_types_.clear();
    for (const ScopeTypeVariant& type : acceptedTypes) {
        supported_types_.insert(type);
    }
}

void ScopeResolverBase::AddJoinMethod(const JoinMethodKey& key, JoinMethodValue::Method method) {
    join_methods_.append(JoinMethodValue(key, std::move(method)));
}

ScopeTreeNode ScopeResolverBase::SplitCopy(const ScopeTreeNode& node) {
    ScopeTreeNode copy = node;
    copy.split_type = ScopeSplitTypeVariant(kSplitByRemoteCalls);
    return copy;
}

ScopeTreeNode ScopeResolverBase::MakeChild(const ScopeTreeNode& parent,
                                           const ScopeTypeVariant& scopeType,
                                           const ScopeTypeVariant& apiType, bool copySharedBlock) {
    ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);
    if (copySharedBlock) {
        child.shared_block = parent.shared_block;
    }
    child.scope_type = scopeType;
    child.api_type = apiType;
    return child;
}

void ScopeResolverBase::FillResult(ScopeResolveResult& result, const ScopeTreeNode& splitCopy,
                                   const QList<ScopeTreeNode>& fetched,
                                   const QList<ScopeTreeNode>& unhandled) {
    result.replacement_nodes << splitCopy;
    for (const ScopeTreeNode& child : fetched) {
        result.fetch_nodes << child;
    }
    for (const ScopeTreeNode& child : unhandled) {
        result.unhandled_nodes << child;
    }
}
