#pragma once

#include <QHash>
#include <QList>
#include <QMutex>

#include <optional>

#include "host/quoter/ScopeResolveResult.h"
#include "host/quoter/ScopeTreeNode.h"

// The nodes of one request: its roots and every node below them, indexed by scope id.
// A node is "remained" until a handler served it (replaced it with a resolved copy or took it
// as a node to fetch). The index keeps the parent -> children structure; a node's own `children`
// member is kept as the resolver left it.
//
// AdjustBy(result):
//   - a replacement node takes the place of the stored node with its scope id (same position,
//     no longer remained); an unknown id is stored under its parent like a new node;
//   - a fetch node is stored under its parent (parent_scope_id) as a served child;
//   - an unhandled node stays or becomes remained; a new one is stored under its parent.
// A node whose parent is unknown is stored as a root.
//
// The tree also keeps the roots as they were added, unresolved: ResetToUnresolved puts them back
// (what a host does before it hands a live request down its chain again), so that every handler
// resolves and serves them anew. Quote data that the host joined into a node that stays is kept,
// so that a view shows its last data until fresh data arrives.
//
// Threads: every public operation takes the tree's own mutex; nodes are returned as copies.
class ScopeTree {
public:
    ScopeTree() = default;
    explicit ScopeTree(const ScopeTreeNodeList& roots);

    ScopeTree(const ScopeTree&) = delete;
    ScopeTree& operator=(const ScopeTree&) = delete;

    // Stores `root` and, recursively, the nodes of its `children` member, all remained.
    void AddRoot(const ScopeTreeNode& root);

    ScopeTreeNodeList GetRootNodeList() const;
    // Remained nodes in the order they entered the tree.
    ScopeTreeNodeList GetRemainedNodeList() const;
    void AdjustBy(const ScopeResolveResult& result);

    bool Contains(int scopeId) const;
    bool IsRemained(int scopeId) const;
    int Size() const;
    std::optional<ScopeTreeNode> FindNode(int scopeId) const;
    std::optional<ScopeTreeNode> FindParent(int scopeId) const;
    // The indexed children of a node, in the order they were stored.
    ScopeTreeNodeList ChildrenOf(int scopeId) const;
    // Replaces the stored node with the same scope id (structure and remained state unchanged:
    // the parent is the one the node was stored under); false when the id is unknown.
    bool UpdateNode(const ScopeTreeNode& node);
    // Sets the quote data of the node with the scope id, nothing else; false when the id is
    // unknown (e.g. a child dropped by ResetToUnresolved).
    bool SetQuoteData(int scopeId, const QSharedPointer<QuoteData>& data);
    // Back to the roots as added, every node remained; nodes that handlers added are gone.
    void ResetToUnresolved();

private:
    struct Entry {
        ScopeTreeNode node;
        bool remained = true;
        int parent_id = -1;  // -1 for a root
        QList<int> child_ids;
    };

    void StoreLocked(const ScopeTreeNode& node, bool remained);
    void StoreRecursiveLocked(const ScopeTreeNode& node);

    mutable QMutex mutex_;
    ScopeTreeNodeList unresolved_roots_;  // as added, with their `children`
    QList<int> root_ids_;
    QList<int> order_;  // every id, in the order stored
    QHash<int, Entry> entries_;
};
