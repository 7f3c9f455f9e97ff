#include "services/minuteflow/FlowHistoryFile.h"

namespace minuteflow {

namespace {

void WriteRecord(MemoryArchiveWriter& out, const FlowRecord& r) {
    out.Write<qint32>(r.time);
    out.Write<qint32>(r.superin);
    out.Write<qint32>(r.bigin);
    out.Write<qint32>(r.superout);
    out.Write<qint32>(r.bigout);
    out.Write<qint64>(r.superinvol);
    out.Write<qint64>(r.biginvol);
    out.Write<qint64>(r.superoutvol);
    out.Write<qint64>(r.bigoutvol);
    out.Write<qint64>(r.superincap);
    out.Write<qint64>(r.bigincap);
    out.Write<qint64>(r.superoutcap);
    out.Write<qint64>(r.bigoutcap);
    out.Write<qint64>(r.midincap);
    out.Write<qint64>(r.smallincap);
    out.Write<qint64>(r.midoutcap);
    out.Write<qint64>(r.smalloutcap);
    out.Write<qint64>(r.midinvol);
    out.Write<qint64>(r.smallinvol);
    out.Write<qint64>(r.midoutvol);
    out.Write<qint64>(r.smalloutvol);
    out.Write<qint64>(r.midin);
    out.Write<qint64>(r.smallin);
    out.Write<qint64>(r.midout);
    out.Write<qint64>(r.smallout);
    out.Write<quint32>(r.marks);
    out.Write<qint64>(r.net_capital_flow);
}

FlowRecord ReadRecord(CMemArchive& in) {
    FlowRecord r;
    r.time = in.Read<qint32>();
    r.superin = in.Read<qint32>();
    r.bigin = in.Read<qint32>();
    r.superout = in.Read<qint32>();
    r.bigout = in.Read<qint32>();
    r.superinvol = in.Read<qint64>();
    r.biginvol = in.Read<qint64>();
    r.superoutvol = in.Read<qint64>();
    r.bigoutvol = in.Read<qint64>();
    r.superincap = in.Read<qint64>();
    r.bigincap = in.Read<qint64>();
    r.superoutcap = in.Read<qint64>();
    r.bigoutcap = in.Read<qint64>();
    r.midincap = in.Read<qint64>();
    r.smallincap = in.Read<qint64>();
    r.midoutcap = in.Read<qint64>();
    r.smalloutcap = in.Read<qint64>();
    r.midinvol = in.Read<qint64>();
    r.smallinvol = in.Read<qint64>();
    r.midoutvol = in.Read<qint64>();
    r.smalloutvol = in.Read<qint64>();
    r.midin = in.Read<qint64>();
    r.smallin = in.Read<qint64>();
    r.midout = in.Read<qint64>();
    r.smallout = in.Read<qint64>();
    r.marks = in.Read<quint32>();
    r.net_capital_flow = in.Read<qint64>();
    return r;
}

}  // namespace

const historyfile::HistoryFile<FlowRecord>& FlowHistoryFile() {
    static const historyfile::HistoryFile<FlowRecord> file(&WriteRecord, &ReadRecord);
    return file;
}

}  // namespace minuteflow
