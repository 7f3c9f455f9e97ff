#pragma once

#include <QSharedPointer>
#include <QVector>
#include <QtGlobal>

#include "services/largedeals/ResponsePkgEntity_12990.h"

// What the call keeps of a paged large-deal topic: the records of every answer merged into one
// list ascending by sequence (a newer record replaces a cached one of the same sequence), the
// next sequence of the last answer and the bytes of all answers so far.
// The list is bounded: beyond kMaxRecords the lowest sequences (the oldest deals) are dropped,
// so a topic paged through a whole day holds at most kMaxRecords x 44 bytes of records.
// Threads: a value; the call builds a new entry for every answer and never changes a cached one.
struct LargeDealCacheEntry {
    static constexpr int kMaxRecords = 4096;  // records kept per topic

    QVector<LargeDealRecord> records;  // ascending by sequence, unique sequences
    qint32 next_sequence = 0;
    qint64 total_bytes = 0;  // bytes of every answer merged so far

    // A new entry: this one's records merged with the answer's, bounded as above.
    LargeDealCacheEntry Merged(const ResponsePkgEntity_12990& answer, int answerBytes) const;
};

using LargeDealCacheValue = QSharedPointer<const LargeDealCacheEntry>;
