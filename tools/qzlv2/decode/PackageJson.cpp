#include "tools/qzlv2/decode/PackageJson.h"

#include <QJsonArray>

#include "services/stockboard/StockDataSetDecoder.h"

namespace qzlv2 {

namespace {

using nscell::UnsharedDataCell;
using Kind = UnsharedDataCell::Kind;

QString Hex(quint32 mask) {
    return QStringLiteral("0x") + QString::number(mask, 16).toUpper();
}

template <typename Levels>
QJsonArray LevelsToJson(const Levels& levels) {
    QJsonArray array;
    for (const PriceLevel& level : levels) {
        array.append(QJsonObject{{"price", level.price}, {"volume", qint64(level.volume)}});
    }
    return array;
}

QJsonArray PointsToJson(const AuctionPoints& points) {
    QJsonArray array;
    for (const AuctionPoint& p : points) {
        array.append(QJsonObject{
            {"time", qint64(p.time)}, {"price", p.price}, {"volume", qint64(p.volume)}});
    }
    return array;
}

template <typename Container>
QJsonArray NumbersToJson(const Container& values) {
    QJsonArray array;
    for (const auto& v : values) {
        array.append(qint64(v));
    }
    return array;
}

// Inserts a field only when its bit is set in the record's mask.
struct MaskedPut {
    QJsonObject& o;
    quint32 mask;
    void operator()(quint32 bit, const char* name, const QJsonValue& value) const {
        if (mask & bit) {
            o.insert(QLatin1String(name), value);
        }
    }
};

void AddMask1(QJsonObject& o, const StockSnapshot& s) {
    using namespace snapshot;
    const MaskedPut put{o, s.mask1};
    put(kCode, "code", s.code);
    put(kName, "name", s.name);
    put(kPricePrecision, "price_precision", s.price_precision);
    put(kTradeStatus, "trade_status", s.trade_status);
    put(kBasePrice, "base_price", s.base_price);
    put(kBasePrice, "prev_close", s.prev_close);
    put(kStockType, "stock_type", s.stock_type);
    put(kBids, "bids", LevelsToJson(s.bids));
    put(kAsks, "asks", LevelsToJson(s.asks));
    put(kOpen, "open_price", s.open_price);
    put(kHigh, "high_price", s.high_price);
    put(kLow, "low_price", s.low_price);
    put(kLast, "last_price", s.last_price);
    put(kVolume, "volume", s.volume);
    put(kAmount, "amount", s.amount);
    put(kCurrentVolume, "current_volume", s.current_volume);
    put(kInnerOuter, "inner_volume", s.inner_volume);
    put(kInnerOuter, "outer_volume", s.outer_volume);
    put(kBidAskTotals, "total_bid_volume", s.total_bid_volume);
    put(kBidAskTotals, "total_ask_volume", s.total_ask_volume);
    put(kDealCount, "deal_count", qint64(s.deal_count));
    put(kOrderRatio, "order_ratio", s.order_ratio);
    put(kVolumeRatio, "volume_ratio", s.volume_ratio);
    put(kTurnoverRate, "turnover_rate", s.turnover_rate);
    put(kAmplitude, "amplitude", s.amplitude);
    put(kAveragePrice, "average_price", s.average_price);
    put(kLimitUp, "limit_up_price", s.limit_up_price);
    put(kLimitDown, "limit_down_price", s.limit_down_price);
    put(kPeRatio, "pe_ratio", s.pe_ratio);
    put(kUpdateTime, "update_time", qint64(s.update_time));
    put(kTradeDate, "trade_date", qint64(s.trade_date));
}

void AddMask2(QJsonObject& o, const StockSnapshot& s) {
    using namespace snapshot;
    const MaskedPut put{o, s.mask2};
    put(kTotalShares, "total_shares", qint64(s.total_shares));
    put(kMarginFlag, "margin_flag", s.margin_flag);
    put(kFloatShares, "float_shares", qint64(s.float_shares));
    put(kMemberCounts, "rise_count", s.rise_count);
    put(kMemberCounts, "fall_count", s.fall_count);
    put(kMemberCounts, "flat_count", s.flat_count);
    put(kPeriodChanges, "period_changes", NumbersToJson(s.period_changes));
    put(kFloatRatioToday, "float_ratio_today", s.float_ratio_today);
    put(kIndustry, "industry_code", s.industry_code);
    put(kIndustry, "industry_name", s.industry_name);
    put(kIndustry, "industry_change", s.industry_change);
    put(kConnectFlag, "connect_flag", s.connect_flag);
    put(kTurnoverRatio5d, "turnover_ratio_5d", s.turnover_ratio_5d);
    put(kFloatRatio5d, "float_ratio_5d", s.float_ratio_5d);
    put(kMoneyFlowToday, "money_flow_today", s.money_flow_today);
    put(kBoardFlags, "listing_board", s.listing_board);
    put(kBoardFlags, "transfer_type", s.transfer_type);
    put(kMoneyFlow5d, "money_flow_5d", s.money_flow_5d);
    put(kMoneyFlow10d, "money_flow_10d", s.money_flow_10d);
    put(kMoneyFlow20d, "money_flow_20d", s.money_flow_20d);
    put(kBigOrderRatio, "big_order_ratio", s.big_order_ratio);
    put(kStreakDays, "streak_days", s.streak_days);
    put(kPbRatio, "pb_ratio", s.pb_ratio);
    put(kBoardCategory, "board_market", s.board_market);
    put(kBoardCategory, "board_category", s.board_category);
    put(kBoardCategory, "board_subcategory", s.board_subcategory);
    put(kAuctions, "open_auction_price", s.open_auction_price);
    put(kAuctions, "open_auction_volume", qint64(s.open_auction_volume));
    put(kAuctions, "open_auction_points", PointsToJson(s.open_auction_points));
    put(kAuctions, "close_auction_price", s.close_auction_price);
    put(kAuctions, "close_auction_volume", qint64(s.close_auction_volume));
    put(kAuctions, "close_auction_points", PointsToJson(s.close_auction_points));
}

void AddMask3(QJsonObject& o, const StockSnapshot& s) {
    using namespace snapshot;
    const MaskedPut put{o, s.mask3};
    put(kIopv, "iopv", s.iopv);
    put(kIopv, "prev_iopv", s.prev_iopv);
    put(kAfterHours, "after_hours_status", s.after_hours_status);
    put(kAfterHours, "after_hours_deal_count", s.after_hours_deal_count);
    put(kAfterHours, "after_hours_volume", qint64(s.after_hours_volume));
    put(kAfterHours, "after_hours_amount", qint64(s.after_hours_amount));
    put(kAfterHours, "after_hours_time", s.after_hours_time);
    put(kVcm, "vcm_flag", s.vcm_flag);
    put(kVcm, "vcm_stage", s.vcm_stage);
    put(kVcm, "vcm_reference_price", s.vcm_reference_price);
}

QJsonArray RowsToJson(const std::vector<nscell::DataRow>& rows) {
    QJsonArray array;
    for (const nscell::DataRow& row : rows) {
        array.append(RowToJson(row));
    }
    return array;
}

QJsonArray RowMapToJson(const ThousandGearsQuoteData::RowMap& rows) {
    QJsonArray array;
    for (const nscell::DataRow& row : rows) {
        array.append(RowToJson(row));
    }
    return array;
}

}  // namespace

// Numbers stay numbers (a price cell its raw integer), texts stay texts; a unit cell shows both.
QJsonValue CellToJson(const UnsharedDataCell& cell) {
    switch (cell.kind()) {
        case Kind::Empty:
            return QJsonValue();
        case Kind::Text:
        case Kind::Translater:
        case Kind::DateTime:
            return cell.ToString();
        case Kind::MagnitudeUnit:
            return QJsonObject{{"unit", cell.ToInt64()}, {"text", cell.DisplayText()}};
        case Kind::RealPrice:
        case Kind::PercentRatio:
        case Kind::PercentFloatRatio:
            return cell.ToDouble();
        default:
            return cell.ToInt64();
    }
}

QJsonObject RowToJson(const nscell::DataRow& row) {
    QJsonObject object;
    for (const QString& name : row.Names()) {
        object.insert(name, CellToJson(row.Get(name)));
    }
    return object;
}

QJsonObject SnapshotToJson(const StockSnapshot& s) {
    QJsonObject o{{"mask1", Hex(s.mask1)}, {"mask2", Hex(s.mask2)}, {"mask3", Hex(s.mask3)}};
    AddMask1(o, s);
    AddMask2(o, s);
    AddMask3(o, s);
    return o;
}

QJsonObject StockRelatedToJson(const ResponsePkgEntity_12755& r) {
    QJsonObject o{{"layout", r.layout},           {"mask1", Hex(r.mask1)},
                  {"mask2", Hex(r.mask2)},        {"code", r.code},
                  {"market_code", r.market_code}, {"second_text", r.second_text},
                  {"kept_byte", r.kept_byte}};
    if (r.has_ratios) {
        o.insert("ratios", NumbersToJson(r.ratios));
    }
    if (r.has_after_close) {
        o.insert("after_close", NumbersToJson(r.after_close));
    }
    if (r.has_category) {
        o.insert("category_bytes", NumbersToJson(r.category_bytes));
    }
    return o;
}

QJsonObject DataSetToJson(const ResponsePkgEntity_10012& r) {
    QJsonObject o{{"code", r.code}, {"mask", Hex(r.mask)}};
    if (r.mask & stock_data_set::kLimits) {
        o.insert("limit_up_price", r.limit_up_price);
        o.insert("limit_down_price", r.limit_down_price);
    }
    if (r.mask & stock_data_set::kShares) {
        o.insert("total_shares", r.total_shares);
        o.insert("float_shares", r.float_shares);
    }
    if (r.mask & stock_data_set::kQuota) {
        o.insert("quota_balance", r.quota_balance);
        o.insert("quota_status", r.quota_status);
    }
    if (r.mask & stock_data_set::kFinance) {
        o.insert("eps", r.eps);
        o.insert("nav_per_share", r.nav_per_share);
    }
    return o;
}

QJsonObject FastQuoteToJson(const ResponsePkgEntity_12989& book, const QString& code) {
    return QJsonObject{{"code", code},
                       {"fast_ten_flag", book.fast_ten_flag},
                       {"buy_rows", RowsToJson(book.wills.buy_rows)},
                       {"sell_rows", RowsToJson(book.wills.sell_rows)},
                       {"buy_queues", RowMapToJson(book.gears.buy_queues)},
                       {"sell_queues", RowMapToJson(book.gears.sell_queues)}};
}

}  // namespace qzlv2
