#include "sim/market/SignalDetector.h"

#include <QDateTime>

#include <algorithm>
#include <numeric>

#include "sim/market/OrderBook.h"
#include "sim/market/SimStock.h"

namespace simmarket {

namespace {

qint32 TimeOfDayCode(qint64 ms) {  // HHMMSSmmm
    const QTime t = QDateTime::fromMSecsSinceEpoch(ms).time();
    return ((t.hour() * 100 + t.minute()) * 100 + t.second()) * 1000 + t.msec();
}

QString PriceText(qint32 price, int decimals) {
    double value = price;
    for (int i = 0; i < decimals; ++i) {
        value /= 10.0;
    }
    return QString::number(value, 'f', decimals);
}

qint64 Lots(qint64 shares) {
    return shares / OrderBook::kLot;
}

}  // namespace

void SignalDetector::Raise(const SimStock& stock, SignalKind kind, int direction, qint32 value,
                           const QString& description) {
    const SignalTypeInfo& info = SignalInfo(kind);
    ShortLineSignal s;
    s.stock_code = stock.code;
    s.stock_name = stock.name;
    s.signal_type_name = QString::fromUtf8(info.name);
    s.order = next_order_++;
    s.signal_type_deal_direction = info.direction != 0 ? info.direction : direction;
    s.signal_time = TimeOfDayCode(now_ms_);
    s.value_a = value;
    s.value_b = info.group_code;
    s.signal_description = description;
    s.value_c = info.level;
    signals_.push_back(s);
    if (int(signals_.size()) > kMaxSignals) {
        signals_.pop_front();
    }
}

void SignalDetector::OnTrade(const Trade& trade, const SimStock& stock) {
    if (trade.size != OrderSize::ExtraLarge || trade.side == TradeSide::Other) {
        return;
    }
    now_ms_ = trade.time_ms;
    const bool buy = trade.side == TradeSide::Buy;
    Raise(stock, buy ? SignalKind::BigBuy : SignalKind::BigSell, 0, qint32(trade.amount / 10000),
          QString::fromUtf8("%1 %2手 @%3, %4万元")
              .arg(QString::fromUtf8(buy ? "主动买入" : "主动卖出"))
              .arg(Lots(trade.volume))
              .arg(PriceText(trade.price, stock.price_precision))
              .arg(trade.amount / 10000));
}

void SignalDetector::AfterStep(const StockState& state, qint64 nowMs) {
    now_ms_ = nowMs;
    StockWatch& watch = watches_[state.Stock().code];
    if (watch.ticks == 0) {
        watch.high = state.High();
        watch.low = state.Low();
    }
    ++watch.ticks;
    WatchMoves(state, watch, nowMs);
    WatchLimits(state, watch);
    WatchBook(state, watch);
    WatchVolume(state, watch);
    WatchExtremes(state, watch);
}

// A rise or fall of kSharpMovePermille from the lowest or highest price of the last minute.
void SignalDetector::WatchMoves(const StockState& state, StockWatch& watch, qint64 nowMs) {
    watch.prices.emplace_back(nowMs, state.Last());
    while (!watch.prices.empty() && watch.prices.front().first < nowMs - kWindowMs) {
        watch.prices.pop_front();
    }
    qint32 low = state.Last(), high = state.Last();
    for (const auto& entry : watch.prices) {
        low = qMin(low, entry.second);
        high = qMax(high, entry.second);
    }
    const qint32 risePermille = low > 0 ? qint32(qint64(state.Last() - low) * 1000 / low) : 0;
    const qint32 fallPermille = high > 0 ? qint32(qint64(high - state.Last()) * 1000 / high) : 0;
    const int decimals = state.Stock().price_precision;
    const bool rising = risePermille >= kSharpMovePermille;
    if (rising && !watch.rising) {
        Raise(state.Stock(), SignalKind::Rocket, 1, risePermille,
              QString::fromUtf8("1分钟内从%1涨至%2, 涨%3.%4%")
                  .arg(PriceText(low, decimals), PriceText(state.Last(), decimals))
                  .arg(risePermille / 10)
                  .arg(risePermille % 10));
    }
    const bool falling = fallPermille >= kSharpMovePermille;
    if (falling && !watch.falling) {
        Raise(state.Stock(), SignalKind::Dive, -1, fallPermille,
              QString::fromUtf8("1分钟内从%1跌至%2, 跌%3.%4%")
                  .arg(PriceText(high, decimals), PriceText(state.Last(), decimals))
                  .arg(fallPermille / 10)
                  .arg(fallPermille % 10));
    }
    watch.rising = rising;
    watch.falling = falling;
}

void SignalDetector::WatchLimits(const StockState& state, StockWatch& watch) {
    const SimStock& stock = state.Stock();
    const QString last = PriceText(state.Last(), stock.price_precision);
    const bool up = state.Last() >= stock.LimitUp();
    const bool down = state.Last() <= stock.LimitDown();
    if (up && !watch.at_limit_up) {
        Raise(stock, SignalKind::LimitUp, 1, state.Last(),
              QString::fromUtf8("触及涨停价%1").arg(last));
    }
    if (!up && watch.at_limit_up) {
        Raise(stock, SignalKind::LimitUpOpened, -1, state.Last(),
              QString::fromUtf8("涨停打开, 现价%1").arg(last));
    }
    if (down && !watch.at_limit_down) {
        Raise(stock, SignalKind::LimitDown, -1, state.Last(),
              QString::fromUtf8("触及跌停价%1").arg(last));
    }
    watch.at_limit_up = up;
    watch.at_limit_down = down;
}

// A big order (OrderBook::IsBig) queued at the best bid or the best ask.
void SignalDetector::WatchBook(const StockState& state, StockWatch& watch) {
    const int decimals = state.Stock().price_precision;
    const auto biggest = [decimals](const QVector<BookLevel>& side) -> qint32 {
        if (side.isEmpty()) {
            return 0;
        }
        qint32 big = 0;
        for (qint32 order : side.first().orders) {
            if (OrderBook::IsBig(order, side.first().price, decimals)) {
                big = qMax(big, order);
            }
        }
        return big;
    };
    const QVector<BookLevel> bids = state.Book().Bids();
    const QVector<BookLevel> asks = state.Book().Asks();
    const qint32 bid = biggest(bids);
    const qint32 ask = biggest(asks);
    if (bid > 0 && !watch.big_bid && watch.ticks - watch.last_big_bid_tick >= kBookCooldownTicks) {
        watch.last_big_bid_tick = watch.ticks;
        Raise(state.Stock(), SignalKind::BigBidOrder, 1, bid,
              QString::fromUtf8("买一%1挂单%2手")
                  .arg(PriceText(bids.first().price, decimals))
                  .arg(Lots(bid)));
    }
    if (ask > 0 && !watch.big_ask && watch.ticks - watch.last_big_ask_tick >= kBookCooldownTicks) {
        watch.last_big_ask_tick = watch.ticks;
        Raise(state.Stock(), SignalKind::BigAskOrder, -1, ask,
              QString::fromUtf8("卖一%1挂单%2手")
                  .arg(PriceText(asks.first().price, decimals))
                  .arg(Lots(ask)));
    }
    watch.big_bid = bid > 0;
    watch.big_ask = ask > 0;
}

// A tick trading kSpikeFactor times the average of the ticks before it; its direction is the
// side that traded more in it.
void SignalDetector::WatchVolume(const StockState& state, StockWatch& watch) {
    qint64 tickVolume = 0, buy = 0, sell = 0;
    for (const Trade& trade : state.TickTrades()) {
        tickVolume += trade.volume;
        buy += trade.side == TradeSide::Buy ? trade.volume : 0;
        sell += trade.side == TradeSide::Sell ? trade.volume : 0;
    }
    const bool full = int(watch.tick_volumes.size()) == kSpikeAverageTicks;
    const qint64 sum =
        std::accumulate(watch.tick_volumes.begin(), watch.tick_volumes.end(), qint64(0));
    const qint64 average = full ? sum / kSpikeAverageTicks : 0;
    const bool spiking = full && average > 0 && tickVolume >= kSpikeFactor * average;
    if (spiking && !watch.spiking) {
        Raise(state.Stock(), SignalKind::VolumeSpike, buy >= sell ? 1 : -1,
              qint32(tickVolume / qMax<qint64>(1, average)),
              QString::fromUtf8("成交%1手, 为近期均量%2倍")
                  .arg(Lots(tickVolume))
                  .arg(tickVolume / average));
    }
    watch.spiking = spiking;
    watch.tick_volumes.push_back(tickVolume);
    if (int(watch.tick_volumes.size()) > kSpikeAverageTicks) {
        watch.tick_volumes.pop_front();
    }
}

void SignalDetector::WatchExtremes(const StockState& state, StockWatch& watch) {
    const int decimals = state.Stock().price_precision;
    const bool counted = watch.ticks > kExtremeWarmupTicks &&
                         watch.ticks - watch.last_extreme_tick >= kExtremeCooldownTicks;
    if (state.High() > watch.high && counted) {
        Raise(state.Stock(), SignalKind::NewHigh, 1, state.High(),
              QString::fromUtf8("创今日新高%1").arg(PriceText(state.High(), decimals)));
        watch.last_extreme_tick = watch.ticks;
    } else if (state.Low() < watch.low && counted) {
        Raise(state.Stock(), SignalKind::NewLow, -1, state.Low(),
              QString::fromUtf8("创今日新低%1").arg(PriceText(state.Low(), decimals)));
        watch.last_extreme_tick = watch.ticks;
    }
    watch.high = state.High();
    watch.low = state.Low();
}

bool SignalDetector::InPlates(const QString& code, const QStringList& plates) {
    for (const QString& plate : plates) {
        if (plate.size() == 2 && code.startsWith(plate)) {
            return true;
        }
        const SimBoard* board = FindBoard(plate);
        if (board != nullptr && board->members.contains(code)) {
            return true;
        }
    }
    return false;
}

QVector<ShortLineSignal> SignalDetector::Query(const QStringList& plates, int index,
                                               int count) const {
    QVector<ShortLineSignal> found;
    if (count <= 0) {
        return found;
    }
    if (index > 0) {
        for (const ShortLineSignal& s : signals_) {
            if (int(s.order) >= index && InPlates(s.stock_code, plates)) {
                found.append(s);
                if (found.size() == count) {
                    break;
                }
            }
        }
        return found;
    }
    for (auto it = signals_.rbegin(); it != signals_.rend() && found.size() < count; ++it) {
        if (InPlates(it->stock_code, plates)) {
            found.append(*it);
        }
    }
    std::reverse(found.begin(), found.end());
    return found;
}

}  // namespace simmarket
