#pragma once

#include "services/minuteflow/FlowBatch.h"

// The K-line capital flows of one answer (or, replayed, of the whole cached history).
// Threads: as QuoteData.
class ResponsePkgEntity_12844 : public FlowBatchEntity {
public:
    using FlowBatchEntity::FlowBatchEntity;
    ResponsePkgEntity_12844* Clone() const override { return new ResponsePkgEntity_12844(*this); }
};
