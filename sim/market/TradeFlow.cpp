#include "sim/market/TradeFlow.h"

namespace simmarket {

FlowCell& FlowCell::operator+=(const FlowCell& other) {
    volume += other.volume;
    amount += other.amount;
    count += other.count;
    return *this;
}

void TradeFlow::Add(const Trade& trade) {
    FlowCell& cell = cells_[size_t(trade.side)][size_t(trade.size)];
    cell.volume += trade.volume;
    cell.amount += trade.amount;
    cell.count += 1;
}

void TradeFlow::Add(const TradeFlow& other) {
    for (size_t side = 0; side < cells_.size(); ++side) {
        for (size_t size = 0; size < cells_[side].size(); ++size) {
            cells_[side][size] += other.cells_[side][size];
        }
    }
}

const FlowCell& TradeFlow::Cell(TradeSide side, OrderSize size) const {
    return cells_[size_t(side)][size_t(size)];
}

FlowCell TradeFlow::SideTotal(TradeSide side) const {
    FlowCell total;
    for (const FlowCell& cell : cells_[size_t(side)]) {
        total += cell;
    }
    return total;
}

FlowCell TradeFlow::Total() const {
    FlowCell total;
    for (TradeSide side : {TradeSide::Buy, TradeSide::Sell, TradeSide::Other}) {
        total += SideTotal(side);
    }
    return total;
}

FlowCell TradeFlow::LargeNet() const {
    FlowCell net;
    for (OrderSize size : {OrderSize::Large, OrderSize::ExtraLarge}) {
        const FlowCell& buy = Cell(TradeSide::Buy, size);
        const FlowCell& sell = Cell(TradeSide::Sell, size);
        net += FlowCell{buy.volume - sell.volume, buy.amount - sell.amount, buy.count - sell.count};
    }
    return net;
}

}  // namespace simmarket
