#pragma once

#include "services/minuteflow/FlowRecord.h"

// The named value fields of a flow record, in the order the 12842 rows list them (after "time"),
// for the joins, the JSON dump and tests. Each reads its field widened to 64 bits.
// Threads: constant tables.
namespace minuteflow {

struct FlowField {
    const char* name;
    qint64 (*get)(const FlowRecord&);
};

inline constexpr int kFlowFieldCount = 25;
extern const FlowField kFlowFields[kFlowFieldCount];  // "superin" ... "net_capital_flow"

// The K-line grid column id of a field name (the 12844 join's table); -1 when it has none.
int KlineColumnId(const char* fieldName);
inline constexpr int kKlineDateColumn = 0;

}  // namespace minuteflow
