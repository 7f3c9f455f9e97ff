#include "services/minuteflow/FlowDecoder.h"

#include "framework/DecodeResult.h"
#include "framework/Log.h"
#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"

namespace minuteflow {

namespace {

constexpr const char* kLogTag = "qzLv2quoter";
constexpr int kTimeBytes = 4;            // bytes: a record's time
constexpr int kGroupBytes = 16;          // bytes: four 4-byte fields of a group
constexpr int kIndicatorItemBytes = 12;  // bytes: three i32

// Bytes a record takes at least: its time and four 4-byte fields per group present.
int RecordBytes(quint8 mask) {
    int groups = 0;
    for (quint8 bit = 1; bit <= kGroup20; bit <<= 1) {
        groups += (mask & bit) != 0 ? 1 : 0;
    }
    return kTimeBytes + groups * kGroupBytes;
}

enum class Wire { kI32, kPacked };

template <typename T>
T ReadField(CMemArchive& in, Wire wire) {
    return wire == Wire::kPacked ? static_cast<T>(wire::ReadPackedInt(in))
                                 : static_cast<T>(in.Read<qint32>());
}

// Four fields of a group, in wire order.
template <typename T>
void ReadGroup(CMemArchive& in, Wire wire, T& a, T& b, T& c, T& d) {
    a = ReadField<T>(in, wire);
    b = ReadField<T>(in, wire);
    c = ReadField<T>(in, wire);
    d = ReadField<T>(in, wire);
}

void ReadMinuteRecord(CMemArchive& in, quint8 mask, FlowRecord& r) {
    r.time = in.Read<qint32>();  // hhmm
    if (mask & kGroupCounts)
        ReadGroup(in, Wire::kI32, r.superin, r.bigin, r.superout, r.bigout);
    if (mask & kGroupBigVolumes)
        ReadGroup(in, Wire::kPacked, r.superinvol, r.biginvol, r.superoutvol, r.bigoutvol);
    if (mask & kGroup04)
        ReadGroup(in, Wire::kPacked, r.superincap, r.bigincap, r.superoutcap, r.bigoutcap);
    if (mask & kGroup08)
        ReadGroup(in, Wire::kI32, r.midin, r.smallin, r.midout, r.smallout);
    if (mask & kGroup10)
        ReadGroup(in, Wire::kPacked, r.midinvol, r.smallinvol, r.midoutvol, r.smalloutvol);
    if (mask & kGroup20)
        ReadGroup(in, Wire::kPacked, r.midincap, r.smallincap, r.midoutcap, r.smalloutcap);
}

void ReadKlineRecord(CMemArchive& in, quint8 mask, FlowRecord& r) {
    r.time = in.Read<qint32>();  // yyyyMMdd
    if (mask & kGroupCounts)
        ReadGroup(in, Wire::kI32, r.superin, r.bigin, r.superout, r.bigout);
    if (mask & kGroupBigVolumes)
        ReadGroup(in, Wire::kPacked, r.superinvol, r.biginvol, r.superoutvol, r.bigoutvol);
    if (mask & kGroup04)
        ReadGroup(in, Wire::kI32, r.superincap, r.bigincap, r.superoutcap, r.bigoutcap);
    if (mask & kGroup08)
        ReadGroup(in, Wire::kI32, r.midincap, r.smallincap, r.midoutcap, r.smalloutcap);
    if (mask & kGroup10)
        ReadGroup(in, Wire::kPacked, r.midin, r.smallin, r.midout, r.smallout);
    if (mask & kGroup20)
        ReadGroup(in, Wire::kPacked, r.midinvol, r.smallinvol, r.midoutvol, r.smalloutvol);
}

// The head fields before the group mask differ per function; both skip 3 bytes after it.
quint8 ReadMinuteHead(CMemArchive& in) {
    in.Skip(4);            // not interpreted
    in.Skip(4);            // not interpreted
    wire::ReadString(in);  // echo of the code
    in.Skip(1);            // not interpreted
    in.Skip(4);            // not interpreted
    in.Skip(4);            // not interpreted
    in.Skip(1);            // not interpreted
    const quint8 mask = in.Read<quint8>();
    in.Skip(1);  // not interpreted
    in.Skip(2);  // not interpreted
    return mask;
}

quint8 ReadKlineHead(CMemArchive& in) {
    in.Skip(4);            // not interpreted
    in.Skip(4);            // not interpreted
    wire::ReadString(in);  // echo of the code
    in.Skip(1);            // not interpreted
    in.Skip(4);            // not interpreted
    in.Skip(2);            // not interpreted
    const quint8 mask = in.Read<quint8>();
    in.Skip(1);  // not interpreted
    in.Skip(1);  // not interpreted
    in.Skip(1);  // not interpreted
    return mask;
}

using RecordReader = void (*)(CMemArchive&, quint8, FlowRecord&);

// The records after a body's head: count records of the mask's groups, each with its net flow.
void ReadRecords(CMemArchive& in, quint8 mask, quint16 count, RecordReader read, FlowBatch& batch) {
    wire::RequireItems(in, count, RecordBytes(mask));
    batch.count = count;
    batch.records.resize(count);
    for (FlowRecord& record : batch.records) {
        read(in, mask, record);
        record.net_capital_flow = FlowRecord::NetCapitalFlow(record);
    }
}

bool Rejected(const char* function, const CMemArchiveError& error, QString* why) {
    qzlog::Warning(kLogTag, function, "body rejected: offset", error.offset(), "wanted",
                   error.wanted(), "bytes of", error.size());
    if (why != nullptr) {
        *why = DescribeShortBody(function, error);
    }
    return false;
}

bool Decoded(const CMemArchive& in, int* consumed) {
    if (consumed != nullptr) {
        *consumed = in.Position();
    }
    return true;
}

// head (up to the group mask), u16 record count, records.
bool DecodeFlowBody(const QByteArray& body, quint8 (*readHead)(CMemArchive&), RecordReader read,
                    const char* function, FlowBatch& out, QString* why, int* consumed) {
    try {
        CMemArchive in(body);
        const quint8 mask = readHead(in);  // groups present in every record
        const quint16 count = in.Read<quint16>();
        FlowBatch batch;
        ReadRecords(in, mask, count, read, batch);
        out = std::move(batch);
        return Decoded(in, consumed);
    } catch (const CMemArchiveError& error) {
        return Rejected(function, error, why);
    }
}

}  // namespace

bool DecodeMinuteFlowBody(const QByteArray& body, FlowBatch& out, QString* why, int* consumed) {
    return DecodeFlowBody(body, &ReadMinuteHead, &ReadMinuteRecord,
                          "minuteflow::DecodeMinuteFlowBody (12842)", out, why, consumed);
}

bool DecodeKlineFlowBody(const QByteArray& body, FlowBatch& out, QString* why, int* consumed) {
    return DecodeFlowBody(body, &ReadKlineHead, &ReadKlineRecord,
                          "minuteflow::DecodeKlineFlowBody (12844)", out, why, consumed);
}

bool DecodeMinuteIndicatorBody(const QByteArray& body, std::vector<MinuteIndicatorItem>& out,
                               QString* why, int* consumed) {
    try {
        CMemArchive in(body);
        in.Skip(4);            // not interpreted
        in.Skip(4);            // not interpreted
        wire::ReadString(in);  // echo of the code
        in.Skip(4);            // not interpreted
        in.Skip(4);            // not interpreted
        in.Skip(2);            // not interpreted
        const quint16 count = in.Read<quint16>();
        in.Skip(2);  // not interpreted
        wire::RequireItems(in, count, kIndicatorItemBytes);
        std::vector<MinuteIndicatorItem> items(count);
        for (MinuteIndicatorItem& item : items) {
            item.value1 = in.Read<qint32>();
            item.value2 = in.Read<qint32>();
            item.value3 = in.Read<qint32>();
        }
        out = std::move(items);
        return Decoded(in, consumed);
    } catch (const CMemArchiveError& error) {
        return Rejected("minuteflow::DecodeMinuteIndicatorBody (12988)", error, why);
    }
}

}  // namespace minuteflow
