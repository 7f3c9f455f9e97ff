#include "services/stockboard/StockSnapshot.h"

#include <tuple>

namespace {

void MergeMask1(StockSnapshot& s, const StockSnapshot& n) {
    using namespace snapshot;
    const quint32 m = n.mask1;
    if (m & kCode)
        s.code = n.code;
    if (m & kName)
        s.name = n.name;
    if (m & kPricePrecision)
        s.price_precision = n.price_precision;
    if (m & kTradeStatus)
        s.trade_status = n.trade_status;
    if (m & kBasePrice)
        std::tie(s.base_price, s.prev_close) = std::tie(n.base_price, n.prev_close);
    if (m & kStockType)
        s.stock_type = n.stock_type;
    if (m & kBids)
        s.bids = n.bids;
    if (m & kAsks)
        s.asks = n.asks;
    if (m & kOpen)
        s.open_price = n.open_price;
    if (m & kHigh)
        s.high_price = n.high_price;
    if (m & kLow)
        s.low_price = n.low_price;
    if (m & kLast)
        s.last_price = n.last_price;
    if (m & kVolume)
        s.volume = n.volume;
    if (m & kAmount)
        s.amount = n.amount;
    if (m & kCurrentVolume)
        s.current_volume = n.current_volume;
    if (m & kInnerOuter)
        std::tie(s.inner_volume, s.outer_volume) = std::tie(n.inner_volume, n.outer_volume);
    if (m & kBidAskTotals)
        std::tie(s.total_bid_volume, s.total_ask_volume) =
            std::tie(n.total_bid_volume, n.total_ask_volume);
    if (m & kDealCount)
        s.deal_count = n.deal_count;
    if (m & kOrderRatio)
        s.order_ratio = n.order_ratio;
    if (m & kVolumeRatio)
        s.volume_ratio = n.volume_ratio;
    if (m & kTurnoverRate)
        s.turnover_rate = n.turnover_rate;
    if (m & kAmplitude)
        s.amplitude = n.amplitude;
    if (m & kAveragePrice)
        s.average_price = n.average_price;
    if (m & kLimitUp)
        s.limit_up_price = n.limit_up_price;
    if (m & kLimitDown)
        s.limit_down_price = n.limit_down_price;
    if (m & kPeRatio)
        s.pe_ratio = n.pe_ratio;
    if (m & kUpdateTime)
        s.update_time = n.update_time;
    if (m & kTradeDate)
        s.trade_date = n.trade_date;
}

void MergeMask2(StockSnapshot& s, const StockSnapshot& n) {
    using namespace snapshot;
    const quint32 m = n.mask2;
    if (m & kTotalShares)
        s.total_shares = n.total_shares;
    if (m & kMarginFlag)
        s.margin_flag = n.margin_flag;
    if (m & kFloatShares)
        s.float_shares = n.float_shares;
    if (m & kMemberCounts)
        std::tie(s.rise_count, s.fall_count, s.flat_count) =
            std::tie(n.rise_count, n.fall_count, n.flat_count);
    if (m & kPeriodChanges)
        s.period_changes = n.period_changes;
    if (m & kFloatRatioToday)
        s.float_ratio_today = n.float_ratio_today;
    if (m & kIndustry)
        std::tie(s.industry_code, s.industry_name, s.industry_change) =
            std::tie(n.industry_code, n.industry_name, n.industry_change);
    if (m & kConnectFlag)
        s.connect_flag = n.connect_flag;
    if (m & kTurnoverRatio5d)
        s.turnover_ratio_5d = n.turnover_ratio_5d;
    if (m & kFloatRatio5d)
        s.float_ratio_5d = n.float_ratio_5d;
    if (m & kMoneyFlowToday)
        s.money_flow_today = n.money_flow_today;
    if (m & kBoardFlags)
        std::tie(s.listing_board, s.transfer_type) = std::tie(n.listing_board, n.transfer_type);
    if (m & kMoneyFlow5d)
        s.money_flow_5d = n.money_flow_5d;
    if (m & kMoneyFlow10d)
        s.money_flow_10d = n.money_flow_10d;
    if (m & kMoneyFlow20d)
        s.money_flow_20d = n.money_flow_20d;
    if (m & kBigOrderRatio)
        s.big_order_ratio = n.big_order_ratio;
    if (m & kStreakDays)
        s.streak_days = n.streak_days;
    if (m & kPbRatio)
        s.pb_ratio = n.pb_ratio;
    if (m & kBoardCategory)
        std::tie(s.board_market, s.board_category, s.board_subcategory) =
            std::tie(n.board_market, n.board_category, n.board_subcategory);
    if (m & kAuctions) {
        std::tie(s.open_auction_price, s.open_auction_volume, s.open_auction_points) =
            std::tie(n.open_auction_price, n.open_auction_volume, n.open_auction_points);
        std::tie(s.close_auction_price, s.close_auction_volume, s.close_auction_points) =
            std::tie(n.close_auction_price, n.close_auction_volume, n.close_auction_points);
    }
}

void MergeMask3(StockSnapshot& s, const StockSnapshot& n) {
    using namespace snapshot;
    const quint32 m = n.mask3;
    if (m & kIopv)
        std::tie(s.iopv, s.prev_iopv) = std::tie(n.iopv, n.prev_iopv);
    if (m & kAfterHours) {
        std::tie(s.after_hours_status, s.after_hours_deal_count, s.after_hours_volume) =
            std::tie(n.after_hours_status, n.after_hours_deal_count, n.after_hours_volume);
        std::tie(s.after_hours_amount, s.after_hours_time) =
            std::tie(n.after_hours_amount, n.after_hours_time);
    }
    if (m & kVcm)
        std::tie(s.vcm_flag, s.vcm_stage, s.vcm_reference_price) =
            std::tie(n.vcm_flag, n.vcm_stage, n.vcm_reference_price);
}

// Every field, for equality (tests compare whole records).
auto Fields(const StockSnapshot& s) {
    return std::tie(
        s.mask1, s.mask2, s.mask3, s.carried1, s.carried2, s.carried3, s.code, s.name,
        s.price_precision, s.trade_status, s.base_price, s.prev_close, s.stock_type, s.bids, s.asks,
        s.open_price, s.high_price, s.low_price, s.last_price, s.volume, s.amount, s.current_volume,
        s.inner_volume, s.outer_volume, s.total_bid_volume, s.total_ask_volume, s.deal_count,
        s.order_ratio, s.volume_ratio, s.turnover_rate, s.amplitude, s.average_price,
        s.limit_up_price, s.limit_down_price, s.pe_ratio, s.update_time, s.trade_date,
        s.total_shares, s.margin_flag, s.float_shares, s.rise_count, s.fall_count, s.flat_count,
        s.period_changes, s.float_ratio_today, s.industry_code, s.industry_name, s.industry_change,
        s.connect_flag, s.turnover_ratio_5d, s.float_ratio_5d, s.money_flow_today, s.listing_board,
        s.transfer_type, s.money_flow_5d, s.money_flow_10d, s.money_flow_20d, s.big_order_ratio,
        s.streak_days, s.pb_ratio, s.board_market, s.board_category, s.board_subcategory,
        s.open_auction_price, s.open_auction_volume, s.open_auction_points, s.close_auction_price,
        s.close_auction_volume, s.close_auction_points, s.iopv, s.prev_iopv, s.after_hours_status,
        s.after_hours_deal_count, s.after_hours_volume, s.after_hours_amount, s.after_hours_time,
        s.vcm_flag, s.vcm_stage, s.vcm_reference_price);
}

}  // namespace

void StockSnapshot::MergeFrom(const StockSnapshot& newer) {
    MergeMask1(*this, newer);
    MergeMask2(*this, newer);
    MergeMask3(*this, newer);
    mask1 = newer.mask1;
    mask2 = newer.mask2;
    mask3 = newer.mask3;
    carried1 |= newer.carried1 | newer.mask1;
    carried2 |= newer.carried2 | newer.mask2;
    carried3 |= newer.carried3 | newer.mask3;
}

bool StockSnapshot::operator==(const StockSnapshot& other) const {
    return Fields(*this) == Fields(other);
}
