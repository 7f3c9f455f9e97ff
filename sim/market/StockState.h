#pragma once

#include <QVector>
#include <QtGlobal>

#include "sim/market/MinuteFlows.h"
#include "sim/market/OrderBook.h"
#include "sim/market/PriceVolumeTable.h"
#include "sim/market/SimRandom.h"
#include "sim/market/SimStock.h"
#include "sim/market/Trade.h"
#include "sim/market/TradeFlow.h"

// The trading day of one simulated stock: the last price random-walks within the daily limits on
// a grid of `spacing` price units, every tick makes a few trades at the new last price, mostly
// initiated from the side the price moved to, and the order book follows the last price (best bid
// at the last price, best ask one step above). The day opens with one auction trade.
// Every trade is classified once (Trade.h) and recorded into the day's accumulators: the flow by
// side and size, the price-volume table, and the volumes, amounts and counts read below, so all of
// them describe the same trades. Accumulators of other views (per minute, large deals) belong
// beside them, fed in Record.
// Threads: not thread-safe; the owning market serialises use.
namespace simmarket {

class StockState {
public:
    static constexpr int kFastTenTicks = 10;        // ticks looked back for the fast-ten flag
    static constexpr int kFastTenRisePermille = 5;  // rise over those ticks that sets it, 1/1000
    static constexpr int kMaxTradesPerTick = 4;
    static constexpr int kOtherSidePercent = 3;  // trades the tape cannot attribute to a side, %

    // Opens the day at `nowMs` (ms since the epoch) with the opening auction's trade.
    StockState(const SimStock& stock, SimRandom& rng, qint64 nowMs);

    void Tick(SimRandom& rng, qint64 nowMs);

    const SimStock& Stock() const { return stock_; }
    const OrderBook& Book() const { return book_; }
    qint32 Spacing() const { return spacing_; }
    qint32 Last() const { return last_; }
    qint32 Open() const { return open_; }
    qint32 High() const { return high_; }
    qint32 Low() const { return low_; }
    const TradeFlow& Flow() const { return flow_; }
    const PriceVolumeTable& PriceTable() const { return prices_; }
    const MinuteFlows& Minutes() const { return minutes_; }  // the day's flow by session minute
    const QVector<Trade>& TickTrades() const { return tick_trades_; }  // the last tick's, in order
    qint64 Volume() const { return flow_.Total().volume; }             // shares today
    qint64 Amount() const { return flow_.Total().amount; }             // yuan today
    qint64 CurrentVolume() const { return current_volume_; }           // shares, last tick
    qint64 InnerVolume() const { return flow_.SideTotal(TradeSide::Sell).volume; }  // shares
    qint64 OuterVolume() const { return flow_.SideTotal(TradeSide::Buy).volume; }   // shares
    quint32 DealCount() const { return sequence_; }
    qint8 FastTenFlag() const;
    qint32 MoneyFlowToday() const;         // buy- minus sell-initiated amount, 10^4 yuan
    qint32 MoneyFlowPast(int days) const;  // 10^4 yuan over the last 5, 10 or 20 days, today in
    qint16 TurnoverRatio5d() const { return turnover_ratio_5d_; }  // bp
    qint32 FloatRatio5d() const { return float_ratio_5d_; }        // bp
    qint32 FloatRatioToday() const;                                // bp of the float traded
    qint16 BigOrderRatio() const { return big_order_ratio_; }  // bp of today's deals, big orders
    qint32 FloatRatio20d() const { return float_ratio_20d_; }  // bp
    qint32 TurnoverRatio20d() const { return turnover_ratio_20d_; }    // bp
    qint32 AfterCloseVolume() const { return after_close_volume_; }    // shares
    qint32 AfterCloseCapital() const { return after_close_capital_; }  // 10^4 yuan
    qint32 ChangeBp() const;  // change against the previous close, bp

private:
    void TradeTick(qint32 moveSteps, SimRandom& rng, qint64 nowMs);
    qint32 RandomTradeShares(SimRandom& rng) const;
    void Record(TradeSide side, qint32 shares, qint64 nowMs);
    void ReshapeBook(SimRandom& rng);

    SimStock stock_;
    qint32 spacing_;
    qint32 last_;
    qint32 open_;
    qint32 high_;
    qint32 low_;
    quint32 sequence_ = 0;  // trades today
    TradeFlow flow_;
    PriceVolumeTable prices_;
    QVector<Trade> tick_trades_;
    qint64 current_volume_ = 0;
    QVector<qint32> recent_;  // last prices of the last kFastTenTicks ticks, oldest first
    qint32 money_flow_before_[3] = {0, 0, 0};  // 10^4 yuan: the 4, 9 and 19 days before today
    qint16 turnover_ratio_5d_;
    qint32 float_ratio_5d_;
    qint32 float_ratio_20d_;
    qint32 turnover_ratio_20d_;
    qint32 after_close_volume_ = 0;
    qint32 after_close_capital_ = 0;
    qint16 big_order_ratio_;  // wanders a little every tick
    OrderBook book_;
    MinuteFlows minutes_;
};

}  // namespace simmarket
