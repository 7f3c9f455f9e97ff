#include "sim/market/StockState.h"

#include <cmath>

namespace simmarket {

namespace {

constexpr qint32 kGridDivisor = 5000;  // the level grid is about 1/5000 of the price
constexpr int kRevertPercent = 5;      // beyond this change the walk leans back, %
constexpr int kYuanPer10k = 10000;
constexpr int kBigOrderRatioMin = 800;   // bp of today's deals done by big orders
constexpr int kBigOrderRatioMax = 4500;  // bp

qint64 ToYuan(qint64 shares, qint32 price, int decimals) {
    return qint64(double(shares) * price / std::pow(10.0, decimals));
}

}  // namespace

StockState::StockState(const SimStock& stock, SimRandom& rng)
    : stock_(stock),
      spacing_(qMax<qint32>(1, stock.prev_close / kGridDivisor)),
      turnover_ratio_5d_(qint16(rng.Uniform(60, 900))),
      float_ratio_5d_(rng.Uniform(250, 3200)),
      float_ratio_20d_(rng.Uniform(800, 9000)),
      turnover_ratio_20d_(rng.Uniform(400, 5000)),
      big_order_ratio_(qint16(rng.Uniform(kBigOrderRatioMin, kBigOrderRatioMax))) {
    last_ =
        qBound(stock.LimitDown(), stock.prev_close + spacing_ * rng.Centered(3), stock.LimitUp());
    open_ = high_ = low_ = last_;
    for (qint32& flow : money_flow_before_) {
        flow = rng.Uniform(-60000, 60000);
    }
    if (stock.board == ListingBoard::Growth) {
        after_close_volume_ = rng.Uniform(10, 900) * OrderBook::kLot;
        after_close_capital_ =
            qint32(ToYuan(after_close_volume_, last_, stock.price_precision) / kYuanPer10k);
    }
    const qint64 openingShares = qint64(stock.float_shares) * rng.Uniform(5, 40);  // 0.05..0.4 %
    Trade(0, rng);
    volume_ += openingShares / OrderBook::kLot * OrderBook::kLot;
    amount_ += ToYuan(openingShares, last_, stock.price_precision);
    deal_count_ += quint32(openingShares / 2000);
    ReshapeBook(rng);
}

void StockState::Tick(SimRandom& rng) {
    int move = rng.Centered(2);
    const qint32 band = stock_.prev_close * kRevertPercent / 100;
    if (last_ > stock_.prev_close + band && rng.Chance(40)) {
        move -= 1;
    } else if (last_ < stock_.prev_close - band && rng.Chance(40)) {
        move += 1;
    }
    const qint32 next = qBound(stock_.LimitDown(), last_ + move * spacing_, stock_.LimitUp());
    Trade(next > last_ ? 1 : (next < last_ ? -1 : 0), rng);
    last_ = next;
    high_ = qMax(high_, last_);
    low_ = qMin(low_, last_);
    big_order_ratio_ =
        qint16(qBound(kBigOrderRatioMin, big_order_ratio_ + rng.Centered(40), kBigOrderRatioMax));
    ReshapeBook(rng);
}

// A tick's deals: buyers lift the offer when the price rises, sellers hit the bid when it falls.
void StockState::Trade(qint32 moveSteps, SimRandom& rng) {
    current_volume_ = qint64(rng.Uniform(2, 600)) * OrderBook::kLot;
    const qint64 amount = ToYuan(current_volume_, last_, stock_.price_precision);
    volume_ += current_volume_;
    amount_ += amount;
    deal_count_ += quint32(rng.Uniform(1, 40));
    const bool buyInitiated = moveSteps > 0 || (moveSteps == 0 && rng.Chance(50));
    (buyInitiated ? outer_volume_ : inner_volume_) += current_volume_;
    money_flow_today_ += qint32((buyInitiated ? amount : -amount) / kYuanPer10k);
    recent_.append(last_);
    while (recent_.size() > kFastTenTicks) {
        recent_.removeFirst();
    }
}

void StockState::ReshapeBook(SimRandom& rng) {
    BookShape shape;
    shape.best_bid = last_;
    shape.best_ask = last_ + spacing_;
    shape.spacing = spacing_;
    shape.limit_down = stock_.LimitDown();
    shape.limit_up = stock_.LimitUp();
    book_.Reshape(shape, rng);
}

qint8 StockState::FastTenFlag() const {
    if (recent_.isEmpty()) {
        return 0;
    }
    const qint64 rise = qint64(last_ - recent_.first()) * 1000;
    return rise >= qint64(kFastTenRisePermille) * stock_.prev_close ? 1 : 0;
}

qint32 StockState::MoneyFlowPast(int days) const {
    const int index = days <= 5 ? 0 : (days <= 10 ? 1 : 2);
    return money_flow_before_[index] + money_flow_today_;
}

qint32 StockState::FloatRatioToday() const {
    const double floatShares = double(stock_.float_shares) * 10000.0;
    return floatShares > 0 ? qint32(double(volume_) * 10000.0 / floatShares) : 0;
}

qint32 StockState::ChangeBp() const {
    return stock_.prev_close > 0
               ? qint32(qint64(last_ - stock_.prev_close) * 10000 / stock_.prev_close)
               : 0;
}

}  // namespace simmarket
