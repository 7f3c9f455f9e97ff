#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSharedPointer>

#include <atomic>
#include <functional>
#include <thread>

#include "host/quoter/JoinMethodManager.h"
#include "host/quoter/QuoteTaskExecMidResult.h"
#include "host/quoter/ScopeTree.h"

class QuoteContext;

// What the client does with delivered results: for each (scope id, data) taken from the
// context's mid-result queue it finds the node in the tracked trees, stores the data on it, finds
// its parent, looks the join up by (parent type, parent split type, node type) falling back to
// (parent type, node type), runs it on the parent, writes the parent back and reports the parent
// (parentDataChanged signal and the optional observer). A result for an unknown scope id is
// counted and ignored; a node without a parent or join only keeps its data.
//
// ProcessPending drains the queue on the caller's thread (deterministic, for tests); Start runs
// the same loop on the executor's own thread until Stop (blocking Pop with a timeout).
// Threads: Start, Stop and ProcessPending are called by the owning thread, and ProcessPending only
// while the executor is stopped, so one thread at a time copies, joins and writes back a parent.
// The tracked-tree list and the observer are guarded by the executor's mutex; trees and the join
// manager guard themselves; joins run on the processing thread. parentDataChanged is
// emitted on the processing thread (queued to receivers living elsewhere).
class QuoteTaskExecutor : public QObject {
    Q_OBJECT
public:
    using Observer = std::function<void(int parentScopeId)>;
    static constexpr int kPopTimeoutMs = 50;  // ms; how soon Stop is noticed

    // Joins are looked up in `joinMethods`, or the context's own manager when null.
    explicit QuoteTaskExecutor(QuoteContext& context, JoinMethodManager* joinMethods = nullptr,
                               QObject* parent = nullptr);
    ~QuoteTaskExecutor() override;

    void Track(const QSharedPointer<ScopeTree>& tree);
    void Untrack(const QSharedPointer<ScopeTree>& tree);
    void SetObserver(Observer observer);

    // Processes queued results (all, or at most maxItems when >= 0); the number taken.
    int ProcessPending(int maxItems = -1);
    void Start();
    void Stop();
    bool IsRunning() const { return running_.load(); }

    int IgnoredCount() const { return ignored_.load(); }
    int JoinedCount() const { return joined_.load(); }

signals:
    void parentDataChanged(int parentScopeId);

private:
    void Process(const QuoteTaskExecMidResult& result);
    QSharedPointer<ScopeTree> TreeHolding(int scopeId) const;
    bool JoinIntoParent(ScopeTree& tree, const ScopeTreeNode& child);

    QuoteContext& context_;
    JoinMethodManager* join_methods_;
    mutable QMutex mutex_;
    QList<QSharedPointer<ScopeTree>> trees_;
    Observer observer_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_requested_{false};
    std::atomic<int> ignored_{0};
    std::atomic<int> joined_{0};
};
