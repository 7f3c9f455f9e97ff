#pragma once

#include "framework/HistoryFile.h"
#include "services/minuteflow/FlowRecord.h"

// The history file of a K-line flow series: each record as 27 consecutive fields, time, superin,
// bigin, superout, bigout (4 bytes each); superinvol ... smallout (8 bytes each, in the order of
// the .cpp); the merge marks (4 bytes); net_capital_flow (8 bytes).
// Stateless; callable from any thread.
namespace minuteflow {

inline constexpr int kHistoryRecordBytes = 5 * 4 + 20 * 8 + 4 + 8;  // 192

const historyfile::HistoryFile<FlowRecord>& FlowHistoryFile();

}  // namespace minuteflow
