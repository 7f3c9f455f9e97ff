#pragma once

#include <QtGlobal>

#include <map>

#include "sim/market/Trade.h"

// The day's traded volume at every price of a stock, split by aggressor side: what function 12915
// answers. Its size is bounded by the number of prices between the daily limits.
// Threads: not thread-safe; the owning market serialises use.
namespace simmarket {

struct PriceVolumes {
    qint64 buy = 0;    // shares
    qint64 sell = 0;   // shares
    qint64 other = 0;  // shares
    qint64 Total() const { return buy + sell + other; }
};

class PriceVolumeTable {
public:
    using Rows = std::map<qint32, PriceVolumes>;  // price (units of the precision) -> volumes

    void Add(const Trade& trade);
    const Rows& ByPrice() const { return rows_; }  // ascending price

private:
    Rows rows_;
};

}  // namespace simmarket
