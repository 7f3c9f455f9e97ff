#include "sim/wire/stockboard/StockBoardEncoders.h"

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

namespace {

using namespace snapshot;

void WriteHeader(MemoryArchiveWriter& w) {
    w.Write<quint32>(0);
    w.Write<quint32>(0);
    w.Write<quint16>(0);
    w.Write<quint16>(0);
    w.Write<quint16>(0);
}

void WritePacked(MemoryArchiveWriter& w, qint64 value) {
    w.Write<quint32>(wire::EncodePackedInt(value));
}

void WriteLevels(MemoryArchiveWriter& w, const std::array<PriceLevel, 10>& levels) {
    for (const PriceLevel& level : levels) {
        w.Write<qint32>(level.price);
        w.Write<quint32>(level.volume);
    }
}

void WritePoints(MemoryArchiveWriter& w, const AuctionPoints& points) {
    w.Write<quint16>(static_cast<quint16>(points.size()));
    for (const AuctionPoint& point : points) {
        w.Write<quint32>(point.time);
        w.Write<qint32>(point.price);
        w.Write<quint32>(point.volume);
    }
}

void WriteMask1(MemoryArchiveWriter& w, const StockSnapshot& s) {
    const quint32 m = s.mask1;
    if (m & kCode)
        wire::WriteString(w, s.code);
    if (m & kName)
        wire::WriteString(w, s.name);
    if (m & kPricePrecision)
        w.Write<quint8>(s.price_precision);
    if (m & kTradeStatus)
        w.Write<quint8>(s.trade_status);
    if (m & kBasePrice)
        w.Write<qint32>(s.base_price);
    if (m & kStockType)
        w.Write<quint16>(s.stock_type);
    if (m & kBids)
        WriteLevels(w, s.bids);
    if (m & kAsks)
        WriteLevels(w, s.asks);
    if (m & kOpen)
        w.Write<qint32>(s.open_price);
    if (m & kHigh)
        w.Write<qint32>(s.high_price);
    if (m & kLow)
        w.Write<qint32>(s.low_price);
    if (m & kLast)
        w.Write<qint32>(s.last_price);
    if (m & kVolume)
        WritePacked(w, s.volume);
    if (m & kAmount)
        WritePacked(w, s.amount);
    if (m & kCurrentVolume)
        WritePacked(w, s.current_volume);
    if (m & kInnerOuter) {
        WritePacked(w, s.inner_volume);
        WritePacked(w, s.outer_volume);
    }
    if (m & kBidAskTotals) {
        WritePacked(w, s.total_bid_volume);
        WritePacked(w, s.total_ask_volume);
    }
    if (m & kDealCount)
        w.Write<quint32>(s.deal_count);
    if (m & kOrderRatio)
        w.Write<qint16>(s.order_ratio);
    if (m & kVolumeRatio)
        w.Write<quint16>(s.volume_ratio);
    if (m & kTurnoverRate)
        w.Write<quint16>(s.turnover_rate);
    if (m & kAmplitude)
        w.Write<quint16>(s.amplitude);
    if (m & kAveragePrice)
        w.Write<qint32>(s.average_price);
    if (m & kLimitUp)
        w.Write<qint32>(s.limit_up_price);
    if (m & kLimitDown)
        w.Write<qint32>(s.limit_down_price);
    if (m & kPeRatio)
        w.Write<qint32>(s.pe_ratio);
    if (m & kUpdateTime)
        w.Write<quint32>(s.update_time);
    if (m & kTradeDate)
        w.Write<quint32>(s.trade_date);
}

void WriteMask2(MemoryArchiveWriter& w, const StockSnapshot& s) {
    const quint32 m = s.mask2;
    if (m & kTotalShares)
        w.Write<quint32>(s.total_shares);
    if (m & kMarginFlag)
        w.Write<quint8>(s.margin_flag);
    if (m & kFloatShares)
        w.Write<quint32>(s.float_shares);
    if (m & kMemberCounts) {
        w.Write<quint16>(s.rise_count);
        w.Write<quint16>(s.fall_count);
        w.Write<quint16>(s.flat_count);
    }
    if (m & kPeriodChanges) {
        for (qint32 change : s.period_changes) {
            w.Write<qint32>(change);
        }
    }
    if (m & kFloatRatioToday)
        w.Write<qint32>(s.float_ratio_today);
    if (m & kIndustry) {
        wire::WriteString(w, s.industry_code);
        wire::WriteString(w, s.industry_name);
        w.Write<qint32>(s.industry_change);
    }
    if (m & kConnectFlag)
        w.Write<quint8>(s.connect_flag);
    if (m & kTurnoverRatio5d)
        w.Write<qint16>(s.turnover_ratio_5d);
    if (m & kFloatRatio5d)
        w.Write<qint32>(s.float_ratio_5d);
    if (m & kMoneyFlowToday)
        w.Write<qint32>(s.money_flow_today);
    if (m & kBoardFlags) {
        w.Write<quint8>(s.listing_board);
        w.Write<quint8>(s.transfer_type);
    }
    if (m & kMoneyFlow5d)
        w.Write<qint32>(s.money_flow_5d);
    if (m & kMoneyFlow10d)
        w.Write<qint32>(s.money_flow_10d);
    if (m & kMoneyFlow20d)
        w.Write<qint32>(s.money_flow_20d);
    if (m & kBigOrderRatio)
        w.Write<qint16>(s.big_order_ratio);
    if (m & kStreakDays)
        w.Write<qint16>(s.streak_days);
    if (m & kPbRatio)
        w.Write<qint32>(s.pb_ratio);
    if (m & kBoardCategory) {
        w.Write<quint8>(s.board_market);
        w.Write<quint8>(s.board_category);
        w.Write<quint8>(s.board_subcategory);
    }
    if (m & kAuctions) {
        w.Write<qint32>(s.open_auction_price);
        w.Write<quint32>(s.open_auction_volume);
        WritePoints(w, s.open_auction_points);
        w.Write<qint32>(s.close_auction_price);
        w.Write<quint32>(s.close_auction_volume);
        WritePoints(w, s.close_auction_points);
    }
}

void WriteMask3(MemoryArchiveWriter& w, const StockSnapshot& s) {
    const quint32 m = s.mask3;
    if (m & kIopv) {
        w.Write<qint32>(s.iopv);
        w.Write<qint32>(s.prev_iopv);
    }
    if (m & kAfterHours) {
        w.Write<quint8>(s.after_hours_status);
        w.Write<quint16>(s.after_hours_deal_count);
        w.Write<quint32>(s.after_hours_volume);
        w.Write<quint32>(s.after_hours_amount);
        w.Write<quint16>(s.after_hours_time);
    }
    if (m & kVcm) {
        w.Write<quint8>(s.vcm_flag);
        w.Write<quint8>(s.vcm_stage);
        w.Write<qint32>(s.vcm_reference_price);
    }
}

AuctionPoints MakePoints(int count, quint32 firstTime, qint32 price) {
    AuctionPoints points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) {
        points.append(AuctionPoint{firstTime + static_cast<quint32>(i) * 100, price + i,
                                   static_cast<quint32>(1000 * (i + 1))});
    }
    return points;
}

}  // namespace

QByteArray EncodeStockSnapshotBody(const StockSnapshot& snapshot) {
    MemoryArchiveWriter w;
    WriteHeader(w);
    w.Write<quint16>(1);
    w.Write<quint32>(snapshot.mask1);
    w.Write<quint32>(snapshot.mask2);
    w.Write<quint32>(snapshot.mask3);
    WriteMask1(w, snapshot);
    WriteMask2(w, snapshot);
    WriteMask3(w, snapshot);
    return w.Data();
}

QByteArray EncodeEmptyStockSnapshotBody() {
    MemoryArchiveWriter w;
    WriteHeader(w);
    w.Write<quint16>(0);
    return w.Data();
}

QByteArray EncodeStockRelatedBody(const ResponsePkgEntity_12755& e) {
    MemoryArchiveWriter w;
    w.Write<quint32>(0);
    w.Write<quint32>(0);
    w.Write<quint16>(e.layout);
    w.Write<quint32>(e.mask1);
    w.Write<quint32>(e.mask2);
    w.Write<quint32>(0);
    w.Write<quint16>(0);
    w.Write<qint16>(1);
    wire::WriteString(w, e.code);
    wire::WriteString(w, e.second_text);
    w.Write<quint8>(0);
    w.Write<quint8>(e.kept_byte);
    for (int i = 0; i < 6; ++i) {
        w.Write<quint32>(0);
    }
    if (e.layout == 105) {
        w.Write<quint16>(0);
    }
    if (e.mask1 & 0x400) {
        for (qint32 value : e.ratios)
            w.Write<qint32>(value);
    }
    if (e.mask1 & 0x40000000) {
        for (qint32 value : e.after_close)
            w.Write<qint32>(value);
    }
    if (e.mask2 & 0x20) {
        for (quint8 value : e.category_bytes)
            w.Write<quint8>(value);
    }
    return w.Data();
}

QByteArray EncodeStockDataSetBody(const ResponsePkgEntity_10012& e) {
    MemoryArchiveWriter w;
    WriteHeader(w);
    w.Write<quint16>(1);
    wire::WriteString(w, e.code);
    w.Write<quint32>(e.mask);
    if (e.mask & 0x20) {
        w.Write<qint32>(e.limit_up_price);
        w.Write<qint32>(e.limit_down_price);
    }
    if (e.mask & 0x200) {
        WritePacked(w, e.total_shares);
        WritePacked(w, e.float_shares);
    }
    if (e.mask & 0x400) {
        WritePacked(w, e.quota_balance);
        w.Write<quint8>(e.quota_status);
    }
    if (e.mask & 0x800) {
        w.Write<qint32>(e.eps);
        w.Write<qint32>(e.nav_per_share);
    }
    return w.Data();
}

StockSnapshot MakeFullStockSnapshot(const QString& code, int pointsPerAuction) {
    StockSnapshot s;
    s.mask1 = s.carried1 = kAllMask1;
    s.mask2 = s.carried2 = kAllMask2;
    s.mask3 = s.carried3 = kAllMask3;
    s.code = code;
    s.name = QString::fromUtf8("平安银行");
    s.price_precision = 2;
    s.trade_status = 0;
    s.base_price = s.prev_close = 1234;
    s.stock_type = 0x0101;
    for (int i = 0; i < 10; ++i) {
        s.bids[i] = PriceLevel{1234 - i, static_cast<quint32>(100 * (i + 1))};
        s.asks[i] = PriceLevel{1235 + i, static_cast<quint32>(200 * (i + 1))};
    }
    s.open_price = 1230;
    s.high_price = 1250;
    s.low_price = 1220;
    s.last_price = 1240;
    s.volume = 0x12345000;     // fits the 30-bit mantissa
    s.amount = 0x3ABCDE000LL;  // packs with exponent 1 (low hex digit zero)
    s.current_volume = 500;
    s.inner_volume = 600000;
    s.outer_volume = 700000;
    s.total_bid_volume = 800000;
    s.total_ask_volume = 900000;
    s.deal_count = 4321;
    s.order_ratio = -1234;
    s.volume_ratio = 150;
    s.turnover_rate = 321;
    s.amplitude = 243;
    s.average_price = 1236;
    s.limit_up_price = 1357;
    s.limit_down_price = 1111;
    s.pe_ratio = 876;
    s.update_time = 143005;
    s.trade_date = 20240315;
    s.total_shares = 1940592;
    s.margin_flag = 1;
    s.float_shares = 1940555;
    s.rise_count = 11;
    s.fall_count = 22;
    s.flat_count = 3;
    s.period_changes = {{125, -250, 375, -500, 625, -750}};
    s.float_ratio_today = 12345;
    s.industry_code = "BK0475";
    s.industry_name = QString::fromUtf8("银行");
    s.industry_change = -87;
    s.connect_flag = 1;
    s.turnover_ratio_5d = -321;
    s.float_ratio_5d = 54321;
    s.money_flow_today = -12345;
    s.listing_board = 9;
    s.transfer_type = 2;
    s.money_flow_5d = 234567;
    s.money_flow_10d = -345678;
    s.money_flow_20d = 456789;
    s.big_order_ratio = 4321;
    s.streak_days = -3;
    s.pb_ratio = 65;
    s.board_market = 1;
    s.board_category = 3;
    s.board_subcategory = 7;
    s.open_auction_price = 1231;
    s.open_auction_volume = 12000;
    s.open_auction_points = MakePoints(pointsPerAuction, 91500, 1229);
    s.close_auction_price = 1241;
    s.close_auction_volume = 34000;
    s.close_auction_points = MakePoints(pointsPerAuction, 145700, 1239);
    s.iopv = 1001;
    s.prev_iopv = 999;
    s.after_hours_status = 2;
    s.after_hours_deal_count = 17;
    s.after_hours_volume = 56000;
    s.after_hours_amount = 690000;
    s.after_hours_time = 1530;
    s.vcm_flag = 1;
    s.vcm_stage = 2;
    s.vcm_reference_price = 1233;
    return s;
}

}  // namespace simwire
