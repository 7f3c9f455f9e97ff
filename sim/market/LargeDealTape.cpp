#include "sim/market/LargeDealTape.h"

#include <QDateTime>

#include <algorithm>

namespace simmarket {

namespace {

quint32 HhmmssOf(qint64 ms) {
    const QTime t = QDateTime::fromMSecsSinceEpoch(ms).time();
    return quint32(t.hour() * 10000 + t.minute() * 100 + t.second());
}

qint32 Hundredths(qint32 price, int decimals) {
    qint64 value = price;
    for (int d = decimals; d < 2; ++d) {
        value *= 10;
    }
    for (int d = decimals; d > 2; --d) {
        value /= 10;
    }
    return qint32(value);
}

}  // namespace

void LargeDealTape::Record(const Trade& trade, int priceDecimals) {
    if (trade.amount < kLargeDealFromYuan) {
        return;
    }
    QVector<LargeDealRecord>& deals = deals_[trade.code];
    LargeDealRecord r;
    r.sequence = deals.isEmpty() ? 1 : deals.last().sequence + 1;
    r.time = HhmmssOf(trade.time_ms);
    r.deal_price = Hundredths(trade.price, priceDecimals);
    r.number = trade.volume;
    r.in_number = trade.side == TradeSide::Buy ? trade.volume : 0;
    r.out_number = trade.side == TradeSide::Sell ? trade.volume : 0;
    r.value_a = trade.amount;
    r.value_b = trade.sequence;
    r.value_c = qint32(trade.side);
    r.value_d = qint32(trade.size);
    deals.append(r);
    if (deals.size() > kMaxDealsPerStock) {
        deals.removeFirst();
    }
}

const LargeDealRecord* LargeDealTape::Latest(const QString& code) const {
    auto found = deals_.constFind(code);
    return found == deals_.constEnd() || found->isEmpty() ? nullptr : &found->last();
}

QVector<LargeDealRecord> LargeDealTape::Page(const QString& code, int start, int number) const {
    const QVector<LargeDealRecord> deals = deals_.value(code);
    if (deals.isEmpty() || number <= 0) {
        return {};
    }
    int from = 0;
    if (start <= 0) {
        from = std::max(0, deals.size() - number);
    } else {
        const auto at = std::lower_bound(
            deals.cbegin(), deals.cend(), start,
            [](const LargeDealRecord& r, int sequence) { return r.sequence < sequence; });
        from = int(at - deals.cbegin());
    }
    return deals.mid(from, number);
}

int LargeDealTape::Count(const QString& code) const {
    return deals_.value(code).size();
}

}  // namespace simmarket
