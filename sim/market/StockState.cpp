#include "sim/market/StockState.h"

#include <iterator>

namespace simmarket {

namespace {

constexpr qint32 kGridDivisor = 5000;  // the level grid is about 1/5000 of the price
constexpr int kRevertPercent = 5;      // beyond this change the walk leans back, %
constexpr int kYuanPer10k = 10000;
constexpr int kBigOrderRatioMin = 800;   // bp of today's deals done by big orders
constexpr int kBigOrderRatioMax = 4500;  // bp

}  // namespace

StockState::StockState(const SimStock& stock, SimRandom& rng, qint64 nowMs)
    : stock_(stock),
      spacing_(qMax<qint32>(1, stock.prev_close / kGridDivisor)),
      turnover_ratio_5d_(qint16(rng.Uniform(60, 900))),
      float_ratio_5d_(rng.Uniform(250, 3200)),
      float_ratio_20d_(rng.Uniform(800, 9000)),
      turnover_ratio_20d_(rng.Uniform(400, 5000)),
      big_order_ratio_(qint16(rng.Uniform(kBigOrderRatioMin, kBigOrderRatioMax))),
      minutes_(nowMs) {
    last_ =
        qBound(stock.LimitDown(), stock.prev_close + spacing_ * rng.Centered(3), stock.LimitUp());
    open_ = high_ = low_ = last_;
    for (qint32& flow : money_flow_before_) {
        flow = rng.Uniform(-60000, 60000);
    }
    if (stock.board == ListingBoard::Growth) {
        after_close_volume_ = rng.Uniform(10, 900) * OrderBook::kLot;
        after_close_capital_ =
            qint32(TradeAmount(after_close_volume_, last_, stock.price_precision) / kYuanPer10k);
    }
    // The opening auction matches 0.05..0.4 % of the float in one cross at the opening price.
    const qint64 openingLots = qint64(stock.float_shares) * rng.Uniform(5, 40) / OrderBook::kLot;
    tick_trades_.clear();
    Record(TradeSide::Other, qint32(qMax<qint64>(1, openingLots) * OrderBook::kLot), nowMs);
    recent_.append(last_);
    ReshapeBook(rng);
}

void StockState::Tick(SimRandom& rng, qint64 nowMs) {
    int move = rng.Centered(2);
    const qint32 band = stock_.prev_close * kRevertPercent / 100;
    if (last_ > stock_.prev_close + band && rng.Chance(40)) {
        move -= 1;
    } else if (last_ < stock_.prev_close - band && rng.Chance(40)) {
        move += 1;
    }
    const qint32 next = qBound(stock_.LimitDown(), last_ + move * spacing_, stock_.LimitUp());
    const qint32 moveSteps = next > last_ ? 1 : (next < last_ ? -1 : 0);
    last_ = next;
    high_ = qMax(high_, last_);
    low_ = qMin(low_, last_);
    TradeTick(moveSteps, rng, nowMs);
    big_order_ratio_ =
        qint16(qBound(kBigOrderRatioMin, big_order_ratio_ + rng.Centered(40), kBigOrderRatioMax));
    ReshapeBook(rng);
}

// A tick's deals at the new last price: buyers lift the offer when the price rises, sellers hit
// the bid when it falls, both when it stays; a few trades cannot be attributed to a side.
void StockState::TradeTick(qint32 moveSteps, SimRandom& rng, qint64 nowMs) {
    tick_trades_.clear();
    current_volume_ = 0;
    const int buyPercent = moveSteps > 0 ? 75 : (moveSteps < 0 ? 25 : 50);
    for (int n = rng.Uniform(1, kMaxTradesPerTick); n > 0; --n) {
        TradeSide side = rng.Chance(buyPercent) ? TradeSide::Buy : TradeSide::Sell;
        if (rng.Chance(kOtherSidePercent)) {
            side = TradeSide::Other;
        }
        Record(side, RandomTradeShares(rng), nowMs);
    }
    recent_.append(last_);
    while (recent_.size() > kFastTenTicks) {
        recent_.removeFirst();
    }
}

// Mostly retail sizes, now and then an institution: the class is drawn first, then an amount in
// it, rounded down to whole lots (at least one, so a dear stock's smallest trade may be medium).
qint32 StockState::RandomTradeShares(SimRandom& rng) const {
    struct Mix {
        int percent;
        int fromYuan;
        int toYuan;
    };
    static const Mix kMix[] = {{60, 2000, int(kMediumFromYuan) - 1},
                               {27, int(kMediumFromYuan), int(kLargeFromYuan) - 1},
                               {10, int(kLargeFromYuan), int(kExtraLargeFromYuan) - 1},
                               {3, int(kExtraLargeFromYuan), 3 * int(kExtraLargeFromYuan)}};
    int roll = rng.Uniform(0, 99);
    const Mix* mix = kMix;
    while (roll >= mix->percent && mix + 1 != std::end(kMix)) {
        roll -= mix->percent;
        ++mix;
    }
    const qint64 yuan = rng.Uniform(mix->fromYuan, mix->toYuan);
    const qint64 lotYuan =
        qMax<qint64>(1, TradeAmount(OrderBook::kLot, last_, stock_.price_precision));
    return qint32(qMax<qint64>(1, yuan / lotYuan) * OrderBook::kLot);
}

void StockState::Record(TradeSide side, qint32 shares, qint64 nowMs) {
    Trade trade;
    trade.code = stock_.code;
    trade.sequence = ++sequence_;
    trade.time_ms = nowMs;
    trade.price = last_;
    trade.volume = shares;
    trade.amount = TradeAmount(shares, last_, stock_.price_precision);
    trade.side = side;
    trade.size = ClassifyAmount(trade.amount);
    flow_.Add(trade);
    prices_.Add(trade);
    minutes_.Add(trade);
    current_volume_ += shares;
    tick_trades_.append(trade);
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

qint32 StockState::MoneyFlowToday() const {
    const qint64 net =
        flow_.SideTotal(TradeSide::Buy).amount - flow_.SideTotal(TradeSide::Sell).amount;
    return qint32(net / kYuanPer10k);
}

qint32 StockState::MoneyFlowPast(int days) const {
    const int index = days <= 5 ? 0 : (days <= 10 ? 1 : 2);
    return money_flow_before_[index] + MoneyFlowToday();
}

qint32 StockState::FloatRatioToday() const {
    const double floatShares = double(stock_.float_shares) * 10000.0;
    return floatShares > 0 ? qint32(double(Volume()) * 10000.0 / floatShares) : 0;
}

qint32 StockState::ChangeBp() const {
    return stock_.prev_close > 0
               ? qint32(qint64(last_ - stock_.prev_close) * 10000 / stock_.prev_close)
               : 0;
}

}  // namespace simmarket
