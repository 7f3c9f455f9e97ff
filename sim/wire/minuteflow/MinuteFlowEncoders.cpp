#include "sim/wire/minuteflow/MinuteFlowEncoders.h"

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

namespace {

enum class Wire { kI32, kPacked };

void WriteField(MemoryArchiveWriter& out, Wire wire, qint64 value) {
    if (wire == Wire::kPacked) {
        out.Write<quint32>(wire::EncodePackedInt(value < 0 ? 0 : value));
    } else {
        out.Write<qint32>(static_cast<qint32>(value));
    }
}

void WriteGroup(MemoryArchiveWriter& out, Wire wire, qint64 a, qint64 b, qint64 c, qint64 d) {
    WriteField(out, wire, a);
    WriteField(out, wire, b);
    WriteField(out, wire, c);
    WriteField(out, wire, d);
}

void WriteMinuteRecord(MemoryArchiveWriter& out, quint8 mask, const FlowRecord& r) {
    out.Write<qint32>(r.time);
    if (mask & 0x01)
        WriteGroup(out, Wire::kI32, r.superin, r.bigin, r.superout, r.bigout);
    if (mask & 0x02)
        WriteGroup(out, Wire::kPacked, r.superinvol, r.biginvol, r.superoutvol, r.bigoutvol);
    if (mask & 0x04)
        WriteGroup(out, Wire::kPacked, r.superincap, r.bigincap, r.superoutcap, r.bigoutcap);
    if (mask & 0x08)
        WriteGroup(out, Wire::kI32, r.midin, r.smallin, r.midout, r.smallout);
    if (mask & 0x10)
        WriteGroup(out, Wire::kPacked, r.midinvol, r.smallinvol, r.midoutvol, r.smalloutvol);
    if (mask & 0x20)
        WriteGroup(out, Wire::kPacked, r.midincap, r.smallincap, r.midoutcap, r.smalloutcap);
}

void WriteKlineRecord(MemoryArchiveWriter& out, quint8 mask, const FlowRecord& r) {
    out.Write<qint32>(r.time);
    if (mask & 0x01)
        WriteGroup(out, Wire::kI32, r.superin, r.bigin, r.superout, r.bigout);
    if (mask & 0x02)
        WriteGroup(out, Wire::kPacked, r.superinvol, r.biginvol, r.superoutvol, r.bigoutvol);
    if (mask & 0x04)
        WriteGroup(out, Wire::kI32, r.superincap, r.bigincap, r.superoutcap, r.bigoutcap);
    if (mask & 0x08)
        WriteGroup(out, Wire::kI32, r.midincap, r.smallincap, r.midoutcap, r.smalloutcap);
    if (mask & 0x10)
        WriteGroup(out, Wire::kPacked, r.midin, r.smallin, r.midout, r.smallout);
    if (mask & 0x20)
        WriteGroup(out, Wire::kPacked, r.midinvol, r.smallinvol, r.midoutvol, r.smalloutvol);
}

void WriteCount(MemoryArchiveWriter& out, size_t count) {
    out.Write<quint16>(static_cast<quint16>(qMin<size_t>(count, 0xFFFF)));
}

// Every body opens alike: two words the client does not interpret, then the code.
void WriteOpening(MemoryArchiveWriter& out, const QString& code) {
    out.Write<quint32>(0);
    out.Write<quint32>(0);
    wire::WriteString(out, code);
}

void WriteRecords(MemoryArchiveWriter& out, quint8 mask, const std::vector<FlowRecord>& records,
                  void (*writeRecord)(MemoryArchiveWriter&, quint8, const FlowRecord&)) {
    WriteCount(out, records.size());
    for (size_t i = 0; i < records.size() && i < 0xFFFF; ++i) {
        writeRecord(out, mask, records[i]);
    }
}

}  // namespace

QByteArray EncodeMinuteFlowBody(const QString& code, quint8 mask,
                                const std::vector<FlowRecord>& records) {
    MemoryArchiveWriter out;
    WriteOpening(out, code);
    out.Write<quint8>(0);
    out.Write<quint32>(0);
    out.Write<quint32>(0);
    out.Write<quint8>(0);
    out.Write<quint8>(mask);
    out.Write<quint8>(0);
    out.Write<quint16>(0);
    WriteRecords(out, mask, records, WriteMinuteRecord);
    return out.Data();
}

QByteArray EncodeKlineFlowBody(const QString& code, quint8 mask,
                               const std::vector<FlowRecord>& records) {
    MemoryArchiveWriter out;
    WriteOpening(out, code);
    out.Write<quint8>(0);
    out.Write<quint32>(0);
    out.Write<quint16>(0);
    out.Write<quint8>(mask);
    out.Write<quint8>(0);
    out.Write<quint8>(0);
    out.Write<quint8>(0);
    WriteRecords(out, mask, records, WriteKlineRecord);
    return out.Data();
}

QByteArray EncodeMinuteIndicatorBody(const QString& code,
                                     const std::vector<MinuteIndicatorItem>& items) {
    MemoryArchiveWriter out;
    WriteOpening(out, code);
    out.Write<quint32>(0);
    out.Write<quint32>(0);
    out.Write<quint16>(0);
    WriteCount(out, items.size());
    out.Write<quint16>(0);
    for (size_t i = 0; i < items.size() && i < 0xFFFF; ++i) {
        out.Write<qint32>(items[i].value1);
        out.Write<qint32>(items[i].value2);
        out.Write<qint32>(items[i].value3);
    }
    return out.Data();
}

}  // namespace simwire
