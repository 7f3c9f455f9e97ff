#pragma once

#include <QHash>
#include <QString>
#include <QVector>

#include "services/largedeals/ResponsePkgEntity_12990.h"
#include "sim/market/Trade.h"

// The day's large deals of every stock, taken from the classified trade stream: a trade is a
// large deal when its amount reaches kLargeDealFromYuan (the large and extra-large order
// classes). Each stock numbers its large deals 1, 2, ... in trade order. A record carries the
// time (HHMMSS, local), the price in hundredths, the volume, and the volume attributed to buying
// (In_number: a buy-initiated trade) or selling (Out_number: sell-initiated); a trade the tape
// cannot attribute counts on neither side. The carried values are the trade's amount (yuan) and
// sequence, its side and its size class.
// Bounded: a stock keeps its last kMaxDealsPerStock large deals.
// Threads: not thread-safe; the backend serialises use.
namespace simmarket {

class LargeDealTape {
public:
    static constexpr qint64 kLargeDealFromYuan = kLargeFromYuan;
    static constexpr int kMaxDealsPerStock = 10000;

    void Record(const Trade& trade, int priceDecimals);

    // The latest large deal, or null when the stock has none yet.
    const LargeDealRecord* Latest(const QString& code) const;
    // Up to `number` deals from sequence `start` on (start 0: the last `number`).
    QVector<LargeDealRecord> Page(const QString& code, int start, int number) const;
    int Count(const QString& code) const;

private:
    QHash<QString, QVector<LargeDealRecord>> deals_;  // per stock, ascending sequence
};

}  // namespace simmarket
