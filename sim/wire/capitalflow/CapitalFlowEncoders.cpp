#include "sim/wire/capitalflow/CapitalFlowEncoders.h"

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

namespace {
constexpr quint16 kBoardFlowGroup = 0x1;
constexpr quint16 kHead = 0x1, kEntries = 0x2, kLargeIn = 0x4, kTail = 0x8;

void WriteHeader(MemoryArchiveWriter& out) {
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint32>(0);  // not interpreted by the client
}
}  // namespace

QByteArray EncodeStockFlowBody(const ResponsePkg_12930& f) {
    MemoryArchiveWriter out;
    WriteHeader(out);
    out.Write<qint32>(f.total_sell);
    out.Write<qint32>(f.average_sell);
    out.Write<qint32>(f.total_buy);
    out.Write<qint32>(f.average_buy);
    out.Write<qint16>(f.ddx);
    out.Write<qint32>(f.volume_diff);
    out.Write<qint32>(f.extra_large_buy_volume);
    out.Write<qint32>(f.extra_large_sell_volume);
    out.Write<qint32>(f.large_buy_volume);
    out.Write<qint32>(f.large_sell_volume);
    out.Write<qint32>(f.medium_buy_volume);
    out.Write<qint32>(f.medium_sell_volume);
    out.Write<qint32>(f.little_buy_volume);
    out.Write<qint32>(f.little_sell_volume);
    return out.Data();
}

QByteArray EncodeBoardFlowBody(const QString& boardCode, quint16 mask, const ResponsePkg_12932& f) {
    MemoryArchiveWriter out;
    WriteHeader(out);
    wire::WriteString(out, boardCode);
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint16>(mask);
    if (mask & kBoardFlowGroup) {
        for (qint64 amount : {f.little_buy_amount, f.medium_buy_amount, f.large_buy_amount,
                              f.extra_large_buy_amount, f.little_sell_amount, f.medium_sell_amount,
                              f.large_sell_amount, f.extra_large_sell_amount}) {
            out.Write<qint64>(amount);
        }
    }
    return out.Data();
}

QByteArray EncodeBoardAnalysisBody(const BoardAnalysis& a) {
    MemoryArchiveWriter out;
    WriteHeader(out);
    out.Write<quint16>(a.mask);
    if (a.mask & kHead) {
        out.Write<quint8>(a.member_count);
        for (qint32 v : a.head) {
            out.Write<qint32>(v);
        }
        out.Write<quint16>(a.head_tail);
    }
    if (a.mask & kEntries) {
        out.Write<quint16>(quint16(a.entries.size()));
        for (const BoardAnalysisEntry& e : a.entries) {
            wire::WriteString(out, e.code);
            wire::WriteString(out, e.name);
            out.Write<quint8>(e.market);
            out.Write<qint32>(e.change_bp);
            out.Write<qint32>(e.net_inflow);
            out.Write<quint16>(e.rank);
            out.Write<qint32>(e.last_price);
        }
    }
    if (a.mask & kLargeIn) {
        out.Write<qint32>(a.large_in_capital);
        out.Write<qint32>(a.large_buy);
        out.Write<qint32>(a.large_sell);
        out.Write<quint16>(a.rising_members);
        out.Write<quint16>(a.falling_members);
        out.Write<quint8>(a.flags[0]);
        out.Write<quint8>(a.flags[1]);
    }
    if (a.mask & kTail) {
        for (qint32 v : a.tail) {
            out.Write<qint32>(v);
        }
    }
    return out.Data();
}

}  // namespace simwire
