#include "services/minuteflow/FlowSeries.h"

namespace minuteflow {

namespace {

struct OverlapMarks {
    bool suppressFirst = false;
    bool suppressLast = false;
};

// Walks the O records from `from` against N in step and looks at the marks of those that N
// overlaps.
OverlapMarks ReadOverlap(const FlowRecords& o, size_t from, const FlowRecords& n) {
    bool counted = false;
    bool haveFirst = false;
    quint32 first = 0;
    quint32 last = 0;
    size_t i = from;
    size_t j = 0;
    while (i < o.size() && j < n.size()) {
        if (o[i].time <= n[j].time) {
            if (!haveFirst && o[i].marks != 0) {
                first = o[i].marks;
                haveFirst = true;
            }
            last = o[i].marks;
            counted = true;
            ++i;
        } else {
            ++j;
        }
    }
    OverlapMarks marks;
    marks.suppressFirst = (first & FlowRecord::kMarkBatchLast) != 0;
    marks.suppressLast = (last & FlowRecord::kMarkBatchFirst) != 0;
    if (counted && first == 0 && last == 0) {
        marks.suppressFirst = true;
        marks.suppressLast = true;
    }
    return marks;
}

}  // namespace

FlowRecords Merge(const FlowRecords& o, const FlowRecords& n) {
    if (n.empty()) {
        return o;
    }
    FlowRecords r;
    r.reserve(o.size() + n.size());
    size_t i = 0;
    while (i < o.size() && o[i].time < n.front().time) {
        r.push_back(o[i++]);
    }
    const OverlapMarks overlap = ReadOverlap(o, i, n);
    const qint32 firstTime = n.front().time;
    const qint32 lastTime = n.back().time;
    auto appendNew = [&](const FlowRecord& record) {
        quint32 marks = 0;
        if (record.time == firstTime && !overlap.suppressFirst) {
            marks |= FlowRecord::kMarkBatchFirst;
        }
        if (record.time == lastTime && !overlap.suppressLast) {
            marks |= FlowRecord::kMarkBatchLast;
        }
        r.push_back(marks != 0 ? record.WithMarks(marks) : record);
    };
    size_t j = 0;
    while (i < o.size() && j < n.size()) {
        if (o[i].time <= n[j].time) {
            ++i;  // replaced by the batch
        } else {
            appendNew(n[j++]);
        }
    }
    r.insert(r.end(), o.begin() + static_cast<std::ptrdiff_t>(i), o.end());
    for (; j < n.size(); ++j) {
        appendNew(n[j]);
    }
    return r;
}

FlowSeries Absorb(const FlowSeries& cached, FlowBatch& batch) {
    const FlowRecords& old = *cached.records;
    if (!old.empty() && !batch.records.empty() && old.front().time < batch.records.front().time) {
        batch.records.erase(batch.records.begin());
        batch.count = static_cast<quint16>(batch.records.size());
    }
    FlowSeries series;
    series.complete = cached.complete || batch.records.size() < size_t(kShortBatch);
    FlowRecords merged = Merge(old, batch.records);
    if (merged.size() > size_t(kMaxSeriesRecords)) {
        merged.erase(merged.begin(), merged.end() - kMaxSeriesRecords);
        series.complete = true;
    }
    series.records = QSharedPointer<const FlowRecords>(new FlowRecords(std::move(merged)));
    return series;
}

QList<qint32> FollowUpRevindexes(const FlowSeries& series) {
    const FlowRecords& records = *series.records;
    QList<qint32> revindexes;
    for (size_t i = 1; i + 1 < records.size(); ++i) {
        if (records[i].marks & FlowRecord::kMarkBatchFirst) {
            revindexes << records[i + 1].time;
        }
    }
    if (!series.complete && records.size() > 1) {
        revindexes << records[1].time;
    }
    return revindexes;
}

}  // namespace minuteflow
