#pragma once

#include <QByteArray>

#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"
#include "services/stockboard/StockSnapshot.h"
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

}  // namespace simmarket
