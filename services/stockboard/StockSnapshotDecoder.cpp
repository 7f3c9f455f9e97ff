#include "services/stockboard/StockSnapshotDecoder.h"

#include <QtEndian>

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "services/stockboard/QuoteAnswerHead.h"

namespace {

using namespace snapshot;

constexpr int kAuctionPointBytes = 12;  // bytes of one auction point: time, price, volume

constexpr int kLevelBytes = 8;  // bytes of one price level: price, volume

// Runs of fixed-size items (levels, auction points) are bounds-checked once and read from their
// bytes, rather than paying the archive's out-of-line check for every field.
const char* ReadRun(CMemArchive& a, int bytes) {
    return a.TryRead(bytes) - bytes;
}

void ReadLevels(CMemArchive& a, std::array<PriceLevel, 10>& levels) {
    const char* p = ReadRun(a, static_cast<int>(levels.size()) * kLevelBytes);
    for (PriceLevel& level : levels) {
        level.price = qFromLittleEndian<qint32>(p);
        level.volume = qFromLittleEndian<quint32>(p + 4);
        p += kLevelBytes;
    }
}

AuctionPoints ReadAuctionPoints(CMemArchive& a) {
    const quint16 count = a.Read<quint16>();
    wire::RequireItems(a, count, kAuctionPointBytes);
    const char* p = ReadRun(a, count * kAuctionPointBytes);
    AuctionPoints points(count);
    for (AuctionPoint& point : points) {
        point.time = qFromLittleEndian<quint32>(p);
        point.price = qFromLittleEndian<qint32>(p + 4);
        point.volume = qFromLittleEndian<quint32>(p + 8);
        p += kAuctionPointBytes;
    }
    return points;
}

void ReadMask1(CMemArchive& a, StockSnapshot& s) {
    const quint32 m = s.mask1;
    if (m & kCode)
        s.code = wire::ReadString(a);
    if (m & kName)
        s.name = wire::ReadString(a);
    if (m & kPricePrecision)
        s.price_precision = a.Read<quint8>();
    if (m & kTradeStatus)
        s.trade_status = a.Read<quint8>();
    if (m & kBasePrice)
        s.base_price = s.prev_close = a.Read<qint32>();
    if (m & kStockType)
        s.stock_type = a.Read<quint16>();
    if (m & kBids)
        ReadLevels(a, s.bids);
    if (m & kAsks)
        ReadLevels(a, s.asks);
    if (m & kOpen)
        s.open_price = a.Read<qint32>();
    if (m & kHigh)
        s.high_price = a.Read<qint32>();
    if (m & kLow)
        s.low_price = a.Read<qint32>();
    if (m & kLast)
        s.last_price = a.Read<qint32>();
    if (m & kVolume)
        s.volume = wire::ReadPackedInt(a);
    if (m & kAmount)
        s.amount = wire::ReadPackedInt(a);
    if (m & kCurrentVolume)
        s.current_volume = wire::ReadPackedInt(a);
    if (m & kInnerOuter) {
        s.inner_volume = wire::ReadPackedInt(a);
        s.outer_volume = wire::ReadPackedInt(a);
    }
    if (m & kBidAskTotals) {
        s.total_bid_volume = wire::ReadPackedInt(a);
        s.total_ask_volume = wire::ReadPackedInt(a);
    }
    if (m & kDealCount)
        s.deal_count = a.Read<quint32>();
    if (m & kOrderRatio)
        s.order_ratio = a.Read<qint16>();
    if (m & kVolumeRatio)
        s.volume_ratio = a.Read<quint16>();
    if (m & kTurnoverRate)
        s.turnover_rate = a.Read<quint16>();
    if (m & kAmplitude)
        s.amplitude = a.Read<quint16>();
    if (m & kAveragePrice)
        s.average_price = a.Read<qint32>();
    if (m & kLimitUp)
        s.limit_up_price = a.Read<qint32>();
    if (m & kLimitDown)
        s.limit_down_price = a.Read<qint32>();
    if (m & kPeRatio)
        s.pe_ratio = a.Read<qint32>();
    if (m & kUpdateTime)
        s.update_time = a.Read<quint32>();
    if (m & kTradeDate)
        s.trade_date = a.Read<quint32>();
}

void ReadAuctions(CMemArchive& a, StockSnapshot& s) {
    s.open_auction_price = a.Read<qint32>();
    s.open_auction_volume = a.Read<quint32>();
    s.open_auction_points = ReadAuctionPoints(a);
    s.close_auction_price = a.Read<qint32>();
    s.close_auction_volume = a.Read<quint32>();
    s.close_auction_points = ReadAuctionPoints(a);
}

void ReadMask2(CMemArchive& a, StockSnapshot& s) {
    const quint32 m = s.mask2;
    if (m & kTotalShares)
        s.total_shares = a.Read<quint32>();
    if (m & kMarginFlag)
        s.margin_flag = a.Read<quint8>();
    if (m & kFloatShares)
        s.float_shares = a.Read<quint32>();
    if (m & kMemberCounts) {
        s.rise_count = a.Read<quint16>();
        s.fall_count = a.Read<quint16>();
        s.flat_count = a.Read<quint16>();
    }
    if (m & kPeriodChanges) {
        for (qint32& change : s.period_changes) {
            change = a.Read<qint32>();
        }
    }
    if (m & kFloatRatioToday)
        s.float_ratio_today = a.Read<qint32>();
    if (m & kIndustry) {
        s.industry_code = wire::ReadString(a);
        s.industry_name = wire::ReadString(a);
        s.industry_change = a.Read<qint32>();
    }
    if (m & kConnectFlag)
        s.connect_flag = a.Read<quint8>();
    if (m & kTurnoverRatio5d)
        s.turnover_ratio_5d = a.Read<qint16>();
    if (m & kFloatRatio5d)
        s.float_ratio_5d = a.Read<qint32>();
    if (m & kMoneyFlowToday)
        s.money_flow_today = a.Read<qint32>();
    if (m & kBoardFlags) {
        s.listing_board = a.Read<quint8>();
        s.transfer_type = a.Read<quint8>();
    }
    if (m & kMoneyFlow5d)
        s.money_flow_5d = a.Read<qint32>();
    if (m & kMoneyFlow10d)
        s.money_flow_10d = a.Read<qint32>();
    if (m & kMoneyFlow20d)
        s.money_flow_20d = a.Read<qint32>();
    if (m & kBigOrderRatio)
        s.big_order_ratio = a.Read<qint16>();
    if (m & kStreakDays)
        s.streak_days = a.Read<qint16>();
    if (m & kPbRatio)
        s.pb_ratio = a.Read<qint32>();
    if (m & kBoardCategory) {
        s.board_market = a.Read<quint8>();
        s.board_category = a.Read<quint8>();
        s.board_subcategory = a.Read<quint8>();
    }
    if (m & kAuctions)
        ReadAuctions(a, s);
}

void ReadMask3(CMemArchive& a, StockSnapshot& s) {
    const quint32 m = s.mask3;
    if (m & kIopv) {
        s.iopv = a.Read<qint32>();
        s.prev_iopv = a.Read<qint32>();
    }
    if (m & kAfterHours) {
        s.after_hours_status = a.Read<quint8>();
        s.after_hours_deal_count = a.Read<quint16>();
        s.after_hours_volume = a.Read<quint32>();
        s.after_hours_amount = a.Read<quint32>();
        s.after_hours_time = a.Read<quint16>();
    }
    if (m & kVcm) {
        s.vcm_flag = a.Read<quint8>();
        s.vcm_stage = a.Read<quint8>();
        s.vcm_reference_price = a.Read<qint32>();
    }
}

}  // namespace

DecodeResult<StockSnapshot> DecodeStockSnapshotBody(const QByteArray& body) {
    CMemArchive a(body);
    try {
        const quint16 count = ReadQuoteAnswerHead(a);
        if (count == 0) {
            return DecodeResult<StockSnapshot>::Empty(a.Position());
        }
        StockSnapshot s;
        s.mask1 = s.carried1 = a.Read<quint32>();
        s.mask2 = s.carried2 = a.Read<quint32>();
        s.mask3 = s.carried3 = a.Read<quint32>();
        ReadMask1(a, s);
        ReadMask2(a, s);
        ReadMask3(a, s);
        return DecodeResult<StockSnapshot>::Of(std::move(s), a.Position(), count);
    } catch (const CMemArchiveError& error) {
        return DecodeResult<StockSnapshot>::Rejected(
            DescribeShortBody("DecodeStockSnapshotBody", error));
    }
}
