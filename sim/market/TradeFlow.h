#pragma once

#include <QtGlobal>

#include <array>

#include "sim/market/Trade.h"

// The day's trades of a stock (or, summed, of a board) by aggressor side and order size: the
// volume, amount and number of trades of each of the twelve classes. The capital flows of
// functions 12930, 12932 and 12973 are read from it.
// Threads: not thread-safe; the owning market serialises use.
namespace simmarket {

struct FlowCell {
    qint64 volume = 0;  // shares
    qint64 amount = 0;  // yuan
    qint64 count = 0;   // trades

    FlowCell& operator+=(const FlowCell& other);
};

class TradeFlow {
public:
    void Add(const Trade& trade);
    void Add(const TradeFlow& other);  // a board sums its members' flows

    const FlowCell& Cell(TradeSide side, OrderSize size) const;
    FlowCell SideTotal(TradeSide side) const;  // all sizes of one side
    FlowCell Total() const;                    // every trade
    // Buy minus sell of the large and extra-large classes (each member a net).
    FlowCell LargeNet() const;

private:
    std::array<std::array<FlowCell, kOrderSizes>, kTradeSides> cells_{};
};

}  // namespace simmarket
