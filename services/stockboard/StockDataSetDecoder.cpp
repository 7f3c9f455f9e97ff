#include "services/stockboard/StockDataSetDecoder.h"

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "host/core/UnsharedDataCell.h"
#include "services/stockboard/QuoteAnswerHead.h"

namespace stock_data_set {

quint32 RequestMaskFor(const QString& code) {
    const QString market = code.left(2);
    if (market == QLatin1String("SZ") || market == QLatin1String("SH")) {
        return kLimits | kEquityGroups;
    }
    if (market == QLatin1String("HH") || market == QLatin1String("HZ")) {
        return kQuota;
    }
    return kLimits;  // "SO" and anything else: price limits only
}

void FillRow(ResponsePkgEntity_10012& e) {
    using nscell::UnsharedDataCell;
    constexpr int kPriceDecimals = 2;     // limit prices travel in hundredths
    constexpr int kPerShareDecimals = 4;  // per-share figures in ten-thousandths
    if (e.carried & kLimits) {
        e.row.Set("limit_up_price", UnsharedDataCell::FromPrice(e.limit_up_price, kPriceDecimals));
        e.row.Set("limit_down_price",
                  UnsharedDataCell::FromPrice(e.limit_down_price, kPriceDecimals));
    }
    if (e.carried & kShares) {
        e.row.Set("total_shares", UnsharedDataCell::FromVolume(e.total_shares));
        e.row.Set("float_shares", UnsharedDataCell::FromVolume(e.float_shares));
    }
    if (e.carried & kQuota) {
        e.row.Set("quota_balance", UnsharedDataCell::FromBigInteger(e.quota_balance));
        e.row.Set("quota_status", UnsharedDataCell::FromInteger(e.quota_status));
    }
    if (e.carried & kFinance) {
        e.row.Set("eps", UnsharedDataCell::FromPrice(e.eps, kPerShareDecimals));
        e.row.Set("nav_per_share", UnsharedDataCell::FromPrice(e.nav_per_share, kPerShareDecimals));
    }
}

}  // namespace stock_data_set

DecodeResult<ResponsePkgEntity_10012> DecodeStockDataSetBody(const QByteArray& body) {
    using namespace stock_data_set;
    using Result = DecodeResult<ResponsePkgEntity_10012>;
    CMemArchive a(body);
    try {
        const quint16 count = ReadQuoteAnswerHead(a);
        if (count == 0) {
            return Result::Empty(a.Position());
        }
        ResponsePkgEntity_10012 e;
        e.code = wire::ReadString(a);
        e.mask = a.Read<quint32>();
        e.carried = e.mask;
        if (e.mask & kLimits) {
            e.limit_up_price = a.Read<qint32>();
            e.limit_down_price = a.Read<qint32>();
        }
        if (e.mask & kShares) {
            e.total_shares = wire::ReadPackedInt(a);
            e.float_shares = wire::ReadPackedInt(a);
        }
        if (e.mask & kQuota) {
            e.quota_balance = wire::ReadPackedInt(a);
            e.quota_status = a.Read<quint8>();
        }
        if (e.mask & kFinance) {
            e.eps = a.Read<qint32>();
            e.nav_per_share = a.Read<qint32>();
        }
        FillRow(e);
        return Result::Of(std::move(e), a.Position(), count);
    } catch (const CMemArchiveError& error) {
        return Result::Rejected(DescribeShortBody("DecodeStockDataSetBody", error));
    }
}
