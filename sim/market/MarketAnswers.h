#pragma once

#include <QByteArray>
#include <QString>

#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"
#include "services/stockboard/StockSnapshot.h"
#include "sim/market/SimulatedMarket.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"

// The answer bodies of the simulated server, built by the shared wire encoders: the one place
// where the market's values meet the wire layouts.
// Threads: stateless; any thread.
namespace simmarket {

QByteArray FastQuoteBody(const simwire::FastQuoteBook& book);
// A 10001/10002 body with one record, or announcing none.
QByteArray SnapshotBody(const StockSnapshot& record);
QByteArray EmptySnapshotBody();
QByteArray StockRelatedBody(const ResponsePkgEntity_12755& record);
QByteArray StockDataSetBody(const ResponsePkgEntity_10012& record);
// The capital flows (12930 of a stock; 12932, 12973 of a board, with the groups of `mask`) and
// the deals (12915, 12917 of a stock) at this moment; a null array for another function or a code
// of the wrong kind.
QByteArray FlowOrDealsBody(const SimulatedMarket& market, int funcId, const QString& code,
                           quint16 mask);

}  // namespace simmarket
