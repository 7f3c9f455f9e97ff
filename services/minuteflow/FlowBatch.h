#pragma once

#include <QSharedPointer>

#include <vector>

#include "host/quoter/QuoteData.h"
#include "services/minuteflow/FlowRecord.h"

using FlowRecords = std::vector<FlowRecord>;

// One decoded 12842 or 12844 answer: its record count and its records, ascending by time.
// Threads: a plain value.
struct FlowBatch {
    quint16 count = 0;
    FlowRecords records;
};

// What a flow call publishes and hands to the host: a batch's count and its records, shared by
// every subscriber (never changed once published). One subclass per function, so that a join
// can tell whose data it was given.
// Threads: as QuoteData.
class FlowBatchEntity : public QuoteData {
public:
    FlowBatchEntity() : records(new FlowRecords()) {}
    FlowBatchEntity(quint16 batchCount, QSharedPointer<const FlowRecords> batchRecords)
        : count(batchCount), records(std::move(batchRecords)) {}

    quint16 count = 0;
    QSharedPointer<const FlowRecords> records;  // never null
};
