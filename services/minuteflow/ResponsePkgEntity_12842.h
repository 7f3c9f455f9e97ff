#pragma once

#include "services/minuteflow/FlowBatch.h"

// The minute capital flows of one answer (or, replayed, of the whole cached day).
// Threads: as QuoteData.
class ResponsePkgEntity_12842 : public FlowBatchEntity {
public:
    using FlowBatchEntity::FlowBatchEntity;
    ResponsePkgEntity_12842* Clone() const override { return new ResponsePkgEntity_12842(*this); }
};
