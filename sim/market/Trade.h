#pragma once

#include <QString>
#include <QtGlobal>

// One simulated trade, classified once where it is made: by the side that took liquidity (the
// aggressor) and by the size of the order, judged by the trade's amount. Every per-stock figure
// of the day (volumes, the capital flows by order size, the price-volume table, minute flows,
// large deals) is accumulated from these events, so the figures agree with each other.
// Plain values; any thread.
namespace simmarket {

enum class TradeSide : quint8 {
    Buy,    // buy-initiated: a buyer took the offer
    Sell,   // sell-initiated: a seller hit the bid
    Other,  // neither: the opening auction, crosses the tape cannot attribute
};
constexpr int kTradeSides = 3;

enum class OrderSize : quint8 { Little, Medium, Large, ExtraLarge };
constexpr int kOrderSizes = 4;

// Order-size classes by trade amount, yuan (lower bounds; docs/simulated-market.md).
constexpr qint64 kMediumFromYuan = 50000;
constexpr qint64 kLargeFromYuan = 200000;
constexpr qint64 kExtraLargeFromYuan = 1000000;

OrderSize ClassifyAmount(qint64 amountYuan);

struct Trade {
    QString code;          // the stock, e.g. "SH600000"
    quint32 sequence = 0;  // per stock and day, 1 for the first trade, no gaps
    qint64 time_ms = 0;    // host clock when the trade was made, ms since the epoch
    qint32 price = 0;      // units of the stock's price precision
    qint32 volume = 0;     // shares, whole lots
    qint64 amount = 0;     // yuan: volume × price, truncated
    TradeSide side = TradeSide::Other;
    OrderSize size = OrderSize::Little;
};

// The amount of `shares` at `price` (units of 10^-decimals yuan), yuan truncated.
qint64 TradeAmount(qint64 shares, qint32 price, int decimals);

}  // namespace simmarket
