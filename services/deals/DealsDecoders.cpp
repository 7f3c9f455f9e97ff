#include "services/deals/DealsDecoders.h"

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "host/core/CMemArchiveError.h"

namespace deals {

namespace {

// The volumes a count announced (a u16 compared as signed): none at or below 0.
std::vector<qint32> ReadVolumes(CMemArchive& in, qint16 count) {
    std::vector<qint32> volumes;
    if (count <= 0) {
        return volumes;
    }
    wire::RequireItems(in, count, kQueuedVolumeBytes);
    volumes.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        volumes.push_back(in.Read<qint32>());  // queued order volume
    }
    return volumes;
}

}  // namespace

DecodeResult<ResponsePkgEntity_12915> DecodePriceDealsBody(const QByteArray& body) {
    ResponsePkgEntity_12915 e;
    CMemArchive in(body);
    try {
        in.Skip(4);                              // not interpreted
        in.Skip(4);                              // not interpreted
        e.day_volume = in.Read<qint32>();        // day volume
        const qint16 count = in.Read<qint16>();  // N, none when <= 0
        if (count > 0) {
            wire::RequireItems(in, count, kPriceDealRecordBytes);
            e.records.reserve(size_t(count));
        }
        for (int i = 0; i < count; ++i) {
            PriceDealRecord r;
            r.price = in.Read<quint32>();
            r.total_volume = in.Read<quint32>();
            r.buy_volume = in.Read<quint32>();
            r.sell_volume = in.Read<quint32>();
            r.other_volume = in.Read<quint32>();
            e.max_total_volume = qMax(e.max_total_volume, r.total_volume);
            e.records.push_back(r);
        }
    } catch (const CMemArchiveError& error) {
        return DecodeResult<ResponsePkgEntity_12915>::Rejected(DescribeShortBody("12915", error));
    }
    return DecodeResult<ResponsePkgEntity_12915>::Of(std::move(e), in.Position());
}

DecodeResult<ResponsePkgEntity_12917> DecodeWillDealsBody(const QByteArray& body) {
    ResponsePkgEntity_12917 e;
    CMemArchive in(body);
    try {
        in.Skip(4);                              // not interpreted
        in.Skip(4);                              // not interpreted
        wire::SkipString(in);                    // stock code, not used
        e.header_value = in.Read<qint32>();      // header value
        e.flag1 = in.Read<quint8>();             // flag
        e.flag2 = in.Read<quint8>();             // flag
        e.bid_price = in.Read<qint32>();         // best bid
        e.bid_order_count = in.Read<qint32>();   // orders queued there
        e.bid_volume_count = in.Read<qint16>();  // K1
        e.bid_volumes = ReadVolumes(in, e.bid_volume_count);
        e.ask_flag = in.Read<quint8>();          // flag
        e.ask_price = in.Read<qint32>();         // best ask
        e.ask_order_count = in.Read<qint32>();   // orders queued there
        e.ask_volume_count = in.Read<qint16>();  // K2
        e.ask_volumes = ReadVolumes(in, e.ask_volume_count);
    } catch (const CMemArchiveError& error) {
        return DecodeResult<ResponsePkgEntity_12917>::Rejected(DescribeShortBody("12917", error));
    }
    return DecodeResult<ResponsePkgEntity_12917>::Of(std::move(e), in.Position());
}

}  // namespace deals
