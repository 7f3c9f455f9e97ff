#include "sim/wire/deals/DealsEncoders.h"

#include <algorithm>

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

namespace {
constexpr size_t kMaxCount = 32767;

void WriteVolumes(MemoryArchiveWriter& out, const std::vector<qint32>& volumes) {
    const size_t count = std::min(volumes.size(), kMaxCount);
    out.Write<quint16>(quint16(count));
    for (size_t i = 0; i < count; ++i) {
        out.Write<qint32>(volumes[i]);
    }
}
}  // namespace

QByteArray EncodePriceDealsBody(qint32 dayVolume, const std::vector<PriceDealRecord>& records) {
    MemoryArchiveWriter out;
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<qint32>(dayVolume);
    const size_t count = std::min(records.size(), kMaxCount);
    out.Write<qint16>(qint16(count));
    for (size_t i = 0; i < count; ++i) {
        const PriceDealRecord& r = records[i];
        out.Write<quint32>(r.price);
        out.Write<quint32>(r.total_volume);
        out.Write<quint32>(r.buy_volume);
        out.Write<quint32>(r.sell_volume);
        out.Write<quint32>(r.other_volume);
    }
    return out.Data();
}

QByteArray EncodeWillDealsBody(const QString& code, const ResponsePkgEntity_12917& q) {
    MemoryArchiveWriter out;
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint32>(0);  // not interpreted by the client
    wire::WriteString(out, code);
    out.Write<qint32>(q.header_value);
    out.Write<quint8>(q.flag1);
    out.Write<quint8>(q.flag2);
    out.Write<qint32>(q.bid_price);
    out.Write<qint32>(q.bid_order_count);
    WriteVolumes(out, q.bid_volumes);
    out.Write<quint8>(q.ask_flag);
    out.Write<qint32>(q.ask_price);
    out.Write<qint32>(q.ask_order_count);
    WriteVolumes(out, q.ask_volumes);
    return out.Data();
}

}  // namespace simwire
