#pragma once

#include <QVector>
#include <QtGlobal>

#include "sim/market/OrderBook.h"
#include "sim/market/SimRandom.h"
#include "sim/market/SimStock.h"

// The trading day of one simulated stock: the last price random-walks within the daily limits on
// a grid of `spacing` price units, every tick trades some volume on the side the price moved to,
// and the order book follows the last price (best bid at the last price, best ask one step above).
// Threads: not thread-safe; the owning market serialises use.
namespace simmarket {

class StockState {
public:
    static constexpr int kFastTenTicks = 10;        // ticks looked back for the fast-ten flag
    static constexpr int kFastTenRisePermille = 5;  // rise over those ticks that sets it, 1/1000

    StockState(const SimStock& stock, SimRandom& rng);

    void Tick(SimRandom& rng);

    const SimStock& Stock() const { return stock_; }
    const OrderBook& Book() const { return book_; }
    qint32 Spacing() const { return spacing_; }
    qint32 Last() const { return last_; }
    qint32 Open() const { return open_; }
    qint32 High() const { return high_; }
    qint32 Low() const { return low_; }
    qint64 Volume() const { return volume_; }                 // shares today
    qint64 Amount() const { return amount_; }                 // yuan today
    qint64 CurrentVolume() const { return current_volume_; }  // shares, last tick
    qint64 InnerVolume() const { return inner_volume_; }      // sell-initiated shares
    qint64 OuterVolume() const { return outer_volume_; }      // buy-initiated shares
    quint32 DealCount() const { return deal_count_; }
    qint8 FastTenFlag() const;
    qint32 MoneyFlowToday() const { return money_flow_today_; }  // 10^4 yuan
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
    void Trade(qint32 moveSteps, SimRandom& rng);
    void ReshapeBook(SimRandom& rng);

    SimStock stock_;
    qint32 spacing_;
    qint32 last_;
    qint32 open_;
    qint32 high_;
    qint32 low_;
    qint64 volume_ = 0;
    qint64 amount_ = 0;
    qint64 current_volume_ = 0;
    qint64 inner_volume_ = 0;
    qint64 outer_volume_ = 0;
    quint32 deal_count_ = 0;
    QVector<qint32> recent_;  // last prices of the last kFastTenTicks ticks, oldest first
    qint32 money_flow_today_ = 0;
    qint32 money_flow_before_[3] = {0, 0, 0};  // 10^4 yuan: the 4, 9 and 19 days before today
    qint16 turnover_ratio_5d_;
    qint32 float_ratio_5d_;
    qint32 float_ratio_20d_;
    qint32 turnover_ratio_20d_;
    qint32 after_close_volume_ = 0;
    qint32 after_close_capital_ = 0;
    qint16 big_order_ratio_;  // wanders a little every tick
    OrderBook book_;
};

}  // namespace simmarket
