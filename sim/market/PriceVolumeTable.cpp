#include "sim/market/PriceVolumeTable.h"

namespace simmarket {

void PriceVolumeTable::Add(const Trade& trade) {
    PriceVolumes& row = rows_[trade.price];
    switch (trade.side) {
        case TradeSide::Buy:
            row.buy += trade.volume;
            break;
        case TradeSide::Sell:
            row.sell += trade.volume;
            break;
        case TradeSide::Other:
            row.other += trade.volume;
            break;
    }
}

}  // namespace simmarket
