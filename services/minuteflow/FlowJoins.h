#pragma once

#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"

// The joins of the flow resolvers. Both leave the target untouched and return false when the
// source carries no data of their function.
// Stateless; run by the host on its join thread.
namespace minuteflow {

// 12842 -> a BaseQuoteData with one row per record: "time" ("hh:mm" of the record's hhmm) and
// the value fields of FlowFields.h, each FromBigInteger.
JoinMethodResult JoinMinuteFlows(ScopeTreeNode& target, const ScopeTreeNode& source);

// 12844 -> a KlineSegment named "supl" with one row per record, cells placed by the segment
// header's index of each field id (KlineColumnId; 0 the date, "yyyyMMdd").
JoinMethodResult JoinKlineFlows(ScopeTreeNode& target, const ScopeTreeNode& source);

}  // namespace minuteflow
