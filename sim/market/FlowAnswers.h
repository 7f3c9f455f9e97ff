#pragma once

#include <vector>

#include "services/capitalflow/ResponsePkg_12930.h"
#include "services/capitalflow/ResponsePkg_12932.h"
#include "services/deals/ResponsePkg_12915.h"
#include "services/deals/ResponsePkg_12917.h"
#include "sim/market/SimulatedMarket.h"
#include "sim/wire/capitalflow/CapitalFlowEncoders.h"

// What the simulated server answers for the capital flows (12930, 12932, 12973) and the deals
// (12915, 12917), all read from the classified trades and the book at this moment, in the units
// docs/simulated-market.md gives. Stateless; the caller serialises use of the market.
namespace simmarket {

ResponsePkg_12930 StockFlowAnswer(const StockState& state);
ResponsePkg_12932 BoardFlowAnswer(const TradeFlow& boardFlow);
simwire::BoardAnalysis BoardAnalysisAnswer(const SimulatedMarket& market, const SimBoard& board,
                                           quint16 mask);

struct PriceDeals {
    qint32 day_volume = 0;                 // shares
    std::vector<PriceDealRecord> records;  // ascending price
};
PriceDeals PriceDealsAnswer(const StockState& state);
ResponsePkgEntity_12917 WillDealsAnswer(const StockState& state, qint32 timeHhmmss);

}  // namespace simmarket
