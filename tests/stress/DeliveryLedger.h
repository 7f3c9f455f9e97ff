#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <mutex>

#include "host/quoter/QuoteTaskExecMidResult.h"

// What the stress host took from its mid-result queue, and the check that nothing arrives for a
// node after it was detached.
//
// Barriers: whoever sees a batch of nodes detached (the quoter's table no longer lists them, and
// the detach ran under the call locks that every delivery holds) adds a barrier for them and then
// pushes the barrier's marker into the same FIFO queue. Everything popped after the marker was
// pushed after the detach, so it must not name one of the batch's scope ids.
//
// Threads: any thread; one mutex guards everything. Take is meant for the one consumer.
class DeliveryLedger {
public:
    enum class Kind { Snapshot, FastQuote, Other };
    struct Delivery {
        int scope_id = 0;
        Kind kind = Kind::Other;
        QString code;  // the snapshot's stock code (Snapshot only)
    };

    // A marker is a result with a negative scope id (real ids are positive) and no data.
    static QuoteTaskExecMidResult Marker(int barrier);

    // Registers the detached ids; the barrier's number for Marker.
    int AddBarrier(const QList<int>& detached);
    // Consumes one popped result: a marker passes its barrier, anything else is a delivery.
    void Take(const QuoteTaskExecMidResult& result);
    void AddViolation(const QString& what);

    QList<Delivery> Deliveries() const;
    QStringList Violations() const;
    int DeliveryCount() const;
    int BarriersPassed() const;
    int IdsRetired() const;  // ids behind passed barriers

private:
    void PassBarrierLocked(int barrier);

    mutable std::mutex mutex_;
    QList<QList<int>> barriers_;  // barrier n is at index n - 1
    QSet<int> retired_;
    int passed_ = 0;
    QList<Delivery> deliveries_;
    QStringList violations_;
};
