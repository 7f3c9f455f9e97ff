#include "host/quoter/ScopeTree.h"

#include <QMutexLocker>

ScopeTree::ScopeTree(const ScopeTreeNodeList& roots) {
    for (const ScopeTreeNode& root : roots) {
        AddRoot(root);
    }
}

void ScopeTree::AddRoot(const ScopeTreeNode& root) {
    QMutexLocker lock(&mutex_);
    ScopeTreeNode stored = root;
    stored.parent_scope_id = -1;
    unresolved_roots_ << stored;
    StoreRecursiveLocked(stored);
}

void ScopeTree::ResetToUnresolved() {
    QMutexLocker lock(&mutex_);
    QHash<int, QSharedPointer<QuoteData>> joined;
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it) {
        if (!it->node.quote_data.isNull()) {
            joined.insert(it.key(), it->node.quote_data);
        }
    }
    root_ids_.clear();
    order_.clear();
    entries_.clear();
    for (const ScopeTreeNode& root : qAsConst(unresolved_roots_)) {
        StoreRecursiveLocked(root);
    }
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        it->node.quote_data = joined.value(it.key(), it->node.quote_data);
    }
}

void ScopeTree::StoreRecursiveLocked(const ScopeTreeNode& node) {
    StoreLocked(node, true);
    for (const ScopeTreeNode& child : node.children) {
        ScopeTreeNode stored = child;
        stored.parent_scope_id = node.scope_id;
        StoreRecursiveLocked(stored);
    }
}

// Stores a node: a known id keeps its place and structure; a new one goes under its parent when
// the parent is known, else becomes a root.
void ScopeTree::StoreLocked(const ScopeTreeNode& node, bool remained) {
    auto known = entries_.find(node.scope_id);
    if (known != entries_.end()) {
        known->node = node;
        known->remained = remained;
        return;
    }
    Entry entry;
    entry.node = node;
    entry.remained = remained;
    auto parent = entries_.find(node.parent_scope_id);
    if (node.parent_scope_id >= 0 && parent != entries_.end()) {
        parent->child_ids.append(node.scope_id);
        entry.parent_id = node.parent_scope_id;
    } else {
        root_ids_.append(node.scope_id);
    }
    entries_.insert(node.scope_id, entry);
    order_.append(node.scope_id);
}

ScopeTreeNodeList ScopeTree::GetRootNodeList() const {
    QMutexLocker lock(&mutex_);
    ScopeTreeNodeList nodes;
    for (int id : root_ids_) {
        nodes << entries_.value(id).node;
    }
    return nodes;
}

ScopeTreeNodeList ScopeTree::GetRemainedNodeList() const {
    QMutexLocker lock(&mutex_);
    ScopeTreeNodeList nodes;
    for (int id : order_) {
        const Entry& entry = entries_[id];
        if (entry.remained) {
            nodes << entry.node;
        }
    }
    return nodes;
}

void ScopeTree::AdjustBy(const ScopeResolveResult& result) {
    QMutexLocker lock(&mutex_);
    for (const ScopeTreeNode& node : result.replacement_nodes) {
        StoreLocked(node, false);
    }
    for (const ScopeTreeNode& node : result.fetch_nodes) {
        StoreLocked(node, false);
    }
    for (const ScopeTreeNode& node : result.unhandled_nodes) {
        StoreLocked(node, true);
    }
}

bool ScopeTree::Contains(int scopeId) const {
    QMutexLocker lock(&mutex_);
    return entries_.contains(scopeId);
}

bool ScopeTree::IsRemained(int scopeId) const {
    QMutexLocker lock(&mutex_);
    auto it = entries_.constFind(scopeId);
    return it != entries_.constEnd() && it->remained;
}

int ScopeTree::Size() const {
    QMutexLocker lock(&mutex_);
    return entries_.size();
}

std::optional<ScopeTreeNode> ScopeTree::FindNode(int scopeId) const {
    QMutexLocker lock(&mutex_);
    auto it = entries_.constFind(scopeId);
    if (it == entries_.constEnd()) {
        return std::nullopt;
    }
    return it->node;
}

std::optional<ScopeTreeNode> ScopeTree::FindParent(int scopeId) const {
    QMutexLocker lock(&mutex_);
    auto it = entries_.constFind(scopeId);
    if (it == entries_.constEnd()) {
        return std::nullopt;
    }
    auto parent = entries_.constFind(it->parent_id);
    if (it->parent_id < 0 || parent == entries_.constEnd()) {
        return std::nullopt;
    }
    return parent->node;
}

ScopeTreeNodeList ScopeTree::ChildrenOf(int scopeId) const {
    QMutexLocker lock(&mutex_);
    ScopeTreeNodeList nodes;
    for (int id : entries_.value(scopeId).child_ids) {
        nodes << entries_.value(id).node;
    }
    return nodes;
}

bool ScopeTree::UpdateNode(const ScopeTreeNode& node) {
    QMutexLocker lock(&mutex_);
    auto it = entries_.find(node.scope_id);
    if (it == entries_.end()) {
        return false;
    }
    it->node = node;
    return true;
}

bool ScopeTree::SetQuoteData(int scopeId, const QSharedPointer<QuoteData>& data) {
    QMutexLocker lock(&mutex_);
    auto it = entries_.find(scopeId);
    if (it == entries_.end()) {
        return false;
    }
    it->node.quote_data = data;
    return true;
}
