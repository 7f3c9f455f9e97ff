#pragma once

#include <QtGlobal>

// One entry of a 12842 (per minute) or 12844 (per K-line period) capital-flow series. It holds
// every field at the wider of its two wire widths; a new record is all zeros, so the fields of a
// group an answer leaves out stay 0. Names follow the answer's field names.
// Threads: a plain value.
struct FlowRecord {
    // Merge marks (FlowSeries.h); 0 when decoded.
    static constexpr quint32 kMarkBatchFirst = 0x1;  // bit 0: first record of a received batch
    static constexpr quint32 kMarkBatchLast = 0x2;   // bit 1: last record of a received batch

    quint32 marks = 0;
    qint32 time = 0;  // 12842: hhmm (930 is 09:30); 12844: yyyyMMdd
    qint32 superin = 0, bigin = 0, superout = 0, bigout = 0;
    qint64 superinvol = 0, biginvol = 0, superoutvol = 0, bigoutvol = 0;
    qint64 superincap = 0, bigincap = 0, superoutcap = 0, bigoutcap = 0;
    qint64 midincap = 0, smallincap = 0, midoutcap = 0, smalloutcap = 0;
    qint64 midinvol = 0, smallinvol = 0, midoutvol = 0, smalloutvol = 0;
    qint64 midin = 0, smallin = 0, midout = 0, smallout = 0;  // i32 in 12842, i64 in 12844
    qint64 net_capital_flow = 0;

    // ((superincap + bigincap) - (superoutcap + bigoutcap)) x 10000
    static qint64 NetCapitalFlow(const FlowRecord& r) {
        return ((r.superincap + r.bigincap) - (r.superoutcap + r.bigoutcap)) * 10000;
    }
    FlowRecord WithMarks(quint32 newMarks) const {
        FlowRecord copy = *this;
        copy.marks = newMarks;
        return copy;
    }
};
