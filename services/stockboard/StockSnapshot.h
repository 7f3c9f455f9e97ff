#pragma once

#include <QList>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>

// One per-stock quote record of functions 10001/10002, merged across messages.
//
// Every field of the three mask tables, in wire order. Prices are integers in units of the
// stock's price precision (10^-price_precision yuan); "packed" fields travel as packed integers
// and are kept decoded as qint64. Ratios in 1/100 % unless noted ("bp" = 1/10000).
//
// | mask | bit        | wire                 | field(s)                                           |
// |------|------------|----------------------|----------------------------------------------------|
// | 1    | 0x1        | string               | code (market prefix + code)                        |
// | 1    | 0x2        | string               | name                                               |
// | 1    | 0x4        | u8                   | price_precision (decimals of every price)          |
// | 1    | 0x8        | u8                   | trade_status (0 trading, 1 suspended, ...)         |
// | 1    | 0x10       | i32                  | base_price and prev_close (same value, two uses)   |
// | 1    | 0x20       | u16                  | stock_type (carried along by the fast quote)       |
// | 1    | 0x40       | 10 x (i32, u32)      | bids: ten buy levels, price then volume (shares)   |
// | 1    | 0x80       | 10 x (i32, u32)      | asks: ten sell levels, price then volume (shares)  |
// | 1    | 0x100      | i32                  | open_price                                         |
// | 1    | 0x200      | i32                  | high_price                                         |
// | 1    | 0x400      | i32                  | low_price                                          |
// | 1    | 0x800      | i32                  | last_price                                         |
// | 1    | 0x1000     | packed               | volume (shares)                                    |
// | 1    | 0x2000     | packed               | amount (yuan)                                      |
// | 1    | 0x4000     | packed               | current_volume (last deal, shares)                 |
// | 1    | 0x8000     | 2 x packed           | inner_volume (sell-initiated), outer_volume (buy)  |
// | 1    | 0x10000    | 2 x packed           | total_bid_volume, total_ask_volume                 |
// | 1    | 0x20000    | u32                  | deal_count                                         |
// | 1    | 0x40000    | i16                  | order_ratio (committee ratio, 1/100 %)             |
// | 1    | 0x80000    | u16                  | volume_ratio (1/100)                               |
// | 1    | 0x100000   | u16                  | turnover_rate (1/100 %)                            |
// | 1    | 0x200000   | u16                  | amplitude (1/100 %)                                |
// | 1    | 0x400000   | i32                  | average_price                                      |
// | 1    | 0x1000000  | i32                  | limit_up_price                                     |
// | 1    | 0x8000000  | i32                  | limit_down_price                                   |
// | 1    | 0x10000000 | i32                  | pe_ratio (1/100)                                   |
// | 1    | 0x20000000 | u32                  | update_time (HHMMSS)                               |
// | 1    | 0x40000000 | u32                  | trade_date (YYYYMMDD)                              |
// | 2    | 0x1        | u32                  | total_shares (10^4 shares)                         |
// | 2    | 0x2        | u8                   | margin_flag (margin trading allowed)               |
// | 2    | 0x4        | u32                  | float_shares (10^4 shares)                         |
// | 2    | 0x8        | 3 x u16              | rise_count, fall_count, flat_count (members)       |
// | 2    | 0x10       | 6 x i32              | change_5d/10d/20d/60d/year/ytd (1/100 %)           |
// | 2    | 0x40       | i32                  | float_ratio_today (bp)                             |
// | 2    | 0x200      | 2 x string, i32      | industry_code, industry_name, industry_change      |
// | 2    | 0x400      | u8                   | connect_flag (stock connect eligibility)           |
// | 2    | 0x800      | i16                  | turnover_ratio_5d (bp)                             |
// | 2    | 0x1000     | i32                  | float_ratio_5d (bp)                                |
// | 2    | 0x2000     | i32                  | money_flow_today (10^4 yuan)                       |
// | 2    | 0x4000     | 2 x u8               | listing_board, transfer_type                       |
// | 2    | 0x20000    | i32                  | money_flow_5d (10^4 yuan)                          |
// | 2    | 0x40000    | i32                  | money_flow_10d (10^4 yuan)                         |
// | 2    | 0x80000    | i32                  | money_flow_20d (10^4 yuan)                         |
// | 2    | 0x100000   | i16                  | big_order_ratio (bp)                               |
// | 2    | 0x200000   | i16                  | streak_days (+n rising days, -n falling days)      |
// | 2    | 0x400000   | i32                  | pb_ratio (1/100)                                   |
// | 2    | 0x20000000 | 3 x u8               | board_market, board_category, board_subcategory    |
// | 2    | 0x40000000 | i32, u32, u16 n,     | open_auction price/volume + n points,              |
// |      |            | n x (u32,i32,u32),   | close_auction price/volume + m points              |
// |      |            | i32, u32, u16 m,     | (a point: time HHMMSS, price, matched volume)      |
// |      |            | m x (u32,i32,u32)    |                                                    |
// | 3    | 0x4        | 2 x i32              | iopv, prev_iopv (fund values, price units)         |
// | 3    | 0x1000     | u8, u16, u32, u32,   | after_hours: status, deal_count, volume (shares),  |
// |      |            | u16                  | amount (yuan), time (HHMM)                         |
// | 3    | 0x4000     | u8, u8, i32          | vcm_flag, vcm_stage, vcm_reference_price           |
//
// Threads: a plain value.

namespace snapshot {
// Mask 1 bits.
constexpr quint32 kCode = 0x1;
constexpr quint32 kName = 0x2;
constexpr quint32 kPricePrecision = 0x4;
constexpr quint32 kTradeStatus = 0x8;
constexpr quint32 kBasePrice = 0x10;
constexpr quint32 kStockType = 0x20;  // set: snapshot kind "10002"; clear: push kind "10001"
constexpr quint32 kBids = 0x40;
constexpr quint32 kAsks = 0x80;
constexpr quint32 kOpen = 0x100;
constexpr quint32 kHigh = 0x200;
constexpr quint32 kLow = 0x400;
constexpr quint32 kLast = 0x800;
constexpr quint32 kVolume = 0x1000;
constexpr quint32 kAmount = 0x2000;
constexpr quint32 kCurrentVolume = 0x4000;
constexpr quint32 kInnerOuter = 0x8000;
constexpr quint32 kBidAskTotals = 0x10000;
constexpr quint32 kDealCount = 0x20000;
constexpr quint32 kOrderRatio = 0x40000;
constexpr quint32 kVolumeRatio = 0x80000;
constexpr quint32 kTurnoverRate = 0x100000;
constexpr quint32 kAmplitude = 0x200000;
constexpr quint32 kAveragePrice = 0x400000;
constexpr quint32 kLimitUp = 0x1000000;
constexpr quint32 kLimitDown = 0x8000000;
constexpr quint32 kPeRatio = 0x10000000;
constexpr quint32 kUpdateTime = 0x20000000;
constexpr quint32 kTradeDate = 0x40000000;
constexpr quint32 kAllMask1 = 0x797FFFFF;

// Mask 2 bits.
constexpr quint32 kTotalShares = 0x1;
constexpr quint32 kMarginFlag = 0x2;
constexpr quint32 kFloatShares = 0x4;
constexpr quint32 kMemberCounts = 0x8;
constexpr quint32 kPeriodChanges = 0x10;
constexpr quint32 kFloatRatioToday = 0x40;
constexpr quint32 kIndustry = 0x200;
constexpr quint32 kConnectFlag = 0x400;
constexpr quint32 kTurnoverRatio5d = 0x800;
constexpr quint32 kFloatRatio5d = 0x1000;
constexpr quint32 kMoneyFlowToday = 0x2000;
constexpr quint32 kBoardFlags = 0x4000;
constexpr quint32 kMoneyFlow5d = 0x20000;
constexpr quint32 kMoneyFlow10d = 0x40000;
constexpr quint32 kMoneyFlow20d = 0x80000;
constexpr quint32 kBigOrderRatio = 0x100000;
constexpr quint32 kStreakDays = 0x200000;
constexpr quint32 kPbRatio = 0x400000;
constexpr quint32 kBoardCategory = 0x20000000;
constexpr quint32 kAuctions = 0x40000000;
constexpr quint32 kAllMask2 = 0x607E7E5F;

// Mask 3 bits.
constexpr quint32 kIopv = 0x4;
constexpr quint32 kAfterHours = 0x1000;
constexpr quint32 kVcm = 0x4000;
constexpr quint32 kAllMask3 = 0x5004;
}  // namespace snapshot

struct PriceLevel {
    qint32 price = 0;
    quint32 volume = 0;  // shares
    bool operator==(const PriceLevel& o) const { return price == o.price && volume == o.volume; }
};

struct AuctionPoint {
    quint32 time = 0;  // HHMMSS
    qint32 price = 0;
    quint32 volume = 0;  // shares
    bool operator==(const AuctionPoint& o) const {
        return time == o.time && price == o.price && volume == o.volume;
    }
};

Q_DECLARE_TYPEINFO(AuctionPoint, Q_PRIMITIVE_TYPE);

// One contiguous allocation per list of a message, not one node per 12-byte point.
using AuctionPoints = QVector<AuctionPoint>;

struct StockSnapshot {
    quint32 mask1 = 0, mask2 = 0, mask3 = 0;           // masks of the LAST message merged in
    quint32 carried1 = 0, carried2 = 0, carried3 = 0;  // OR of every merged message's masks

    // mask 1
    QString code;
    QString name;
    quint8 price_precision = 0;
    quint8 trade_status = 0;
    qint32 base_price = 0;
    qint32 prev_close = 0;
    quint16 stock_type = 0;
    std::array<PriceLevel, 10> bids{};
    std::array<PriceLevel, 10> asks{};
    qint32 open_price = 0;
    qint32 high_price = 0;
    qint32 low_price = 0;
    qint32 last_price = 0;
    qint64 volume = 0;
    qint64 amount = 0;
    qint64 current_volume = 0;
    qint64 inner_volume = 0;
    qint64 outer_volume = 0;
    qint64 total_bid_volume = 0;
    qint64 total_ask_volume = 0;
    quint32 deal_count = 0;
    qint16 order_ratio = 0;
    quint16 volume_ratio = 0;
    quint16 turnover_rate = 0;
    quint16 amplitude = 0;
    qint32 average_price = 0;
    qint32 limit_up_price = 0;
    qint32 limit_down_price = 0;
    qint32 pe_ratio = 0;
    quint32 update_time = 0;
    quint32 trade_date = 0;

    // mask 2
    quint32 total_shares = 0;
    quint8 margin_flag = 0;
    quint32 float_shares = 0;
    quint16 rise_count = 0;
    quint16 fall_count = 0;
    quint16 flat_count = 0;
    std::array<qint32, 6> period_changes{};  // 5d, 10d, 20d, 60d, year, year-to-date
    qint32 float_ratio_today = 0;
    QString industry_code;
    QString industry_name;
    qint32 industry_change = 0;
    quint8 connect_flag = 0;
    qint16 turnover_ratio_5d = 0;
    qint32 float_ratio_5d = 0;
    qint32 money_flow_today = 0;
    quint8 listing_board = 0;
    quint8 transfer_type = 0;
    qint32 money_flow_5d = 0;
    qint32 money_flow_10d = 0;
    qint32 money_flow_20d = 0;
    qint16 big_order_ratio = 0;
    qint16 streak_days = 0;
    qint32 pb_ratio = 0;
    quint8 board_market = 0;
    quint8 board_category = 0;
    quint8 board_subcategory = 0;
    qint32 open_auction_price = 0;
    quint32 open_auction_volume = 0;
    AuctionPoints open_auction_points;
    qint32 close_auction_price = 0;
    quint32 close_auction_volume = 0;
    AuctionPoints close_auction_points;

    // mask 3
    qint32 iopv = 0;
    qint32 prev_iopv = 0;
    quint8 after_hours_status = 0;
    quint16 after_hours_deal_count = 0;
    quint32 after_hours_volume = 0;
    quint32 after_hours_amount = 0;
    quint16 after_hours_time = 0;
    quint8 vcm_flag = 0;
    quint8 vcm_stage = 0;
    qint32 vcm_reference_price = 0;

    QString market() const { return code.left(2); }
    bool Has1(quint32 bit) const { return (carried1 & bit) != 0; }
    bool Has2(quint32 bit) const { return (carried2 & bit) != 0; }
    bool Has3(quint32 bit) const { return (carried3 & bit) != 0; }

    // Fields of newer's masks overwrite, the rest stay; masks become newer's, carried grows.
    void MergeFrom(const StockSnapshot& newer);

    bool operator==(const StockSnapshot& other) const;
    bool operator!=(const StockSnapshot& other) const { return !(*this == other); }
};
