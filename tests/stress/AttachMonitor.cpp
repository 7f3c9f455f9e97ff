#include "tests/stress/AttachMonitor.h"

#include "host/quoter/ScopeTreeNode.h"
#include "plugin/QzLv2Quoter.h"

AttachMonitor::AttachMonitor(const QzLv2Quoter& quoter, QList<int> tasks)
    : quoter_(quoter), tasks_(std::move(tasks)) {}

QList<int> AttachMonitor::Poll() {
    QList<int> gone;
    for (int task : tasks_) {
        QSet<int> now;
        for (const ScopeTreeNode& node : quoter_.AttachedNodes(task)) {
            now.insert(node.scope_id);
        }
        QSet<int>& before = present_[task];
        for (int id : qAsConst(before)) {
            if (!now.contains(id)) {
                gone << id;
            }
        }
        seen_.unite(now);
        before = now;
    }
    return gone;
}
