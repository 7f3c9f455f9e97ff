#pragma once

#include <QList>
#include <QMap>
#include <QSet>

class QzLv2Quoter;

// Watches the quoter's attached-node table for a set of tasks. The table changes only under the
// quoter's mutex, together with the calls' subscriptions, and every intent resolves into fresh
// scope ids, so a node is attached at most once: an id seen in the table and later missing from
// it has been detached for good.
// Threads: one thread polls; the quoter's table is read under the quoter's own mutex.
class AttachMonitor {
public:
    AttachMonitor(const QzLv2Quoter& quoter, QList<int> tasks);

    // The ids that left the table since the last poll.
    QList<int> Poll();
    int SeenCount() const { return seen_.size(); }

private:
    const QzLv2Quoter& quoter_;
    const QList<int> tasks_;
    QMap<int, QSet<int>> present_;  // task -> scope ids in the table at the last poll
    QSet<int> seen_;
};
