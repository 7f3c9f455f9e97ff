#pragma once

#include <QList>
#include <QSharedPointer>

#include "services/minuteflow/FlowBatch.h"

// A cached 12842 or 12844 series: the merged records, ascending by time, and whether paging has
// reached the start. Immutable once cached (shared with background saves and replays).
// Threads: a plain value.
struct FlowSeries {
    bool complete = false;
    QSharedPointer<const FlowRecords> records{new FlowRecords()};  // never null
};
using FlowSeriesPtr = QSharedPointer<const FlowSeries>;

namespace minuteflow {

inline constexpr int kShortBatch = 3;  // records: a batch shorter than this ends the paging
// records: a series is cut to its newest this many (and marked complete), the most a history
// file can hold.
inline constexpr int kMaxSeriesRecords = 0xFFFF;

// Merges an ascending batch N into an ascending cached list O. The O records before N's first
// are kept; from there on N replaces the O records it overlaps and the O records after N follow.
// N's first record is marked as a batch start (FlowRecord::kMarkBatchFirst) and its last as a
// batch end (kMarkBatchLast), unless the overlapped O records show that the batch joins records
// already there: a first O record marked as a batch end suppresses the start mark, a last one
// marked as a batch start suppresses the end mark, and an overlap with no marks at all suppresses
// both.
FlowRecords Merge(const FlowRecords& cached, const FlowRecords& batch);

// The series after a received batch. When the cached series starts earlier than the batch, the
// batch's first record is dropped from the batch (it is the poll's page boundary, which the cache
// already holds older neighbours for); a batch left with fewer than kShortBatch records marks the
// series complete.
FlowSeries Absorb(const FlowSeries& cached, FlowBatch& batch);

// The revindexes of the follow-up requests the series calls for: the successor's time of every
// record from position 1 on marked as a batch start (a gap before it), then, while incomplete, the
// time of the second record (the next older page).
QList<qint32> FollowUpRevindexes(const FlowSeries& series);

}  // namespace minuteflow
