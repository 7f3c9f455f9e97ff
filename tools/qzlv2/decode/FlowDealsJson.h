#pragma once

#include <QJsonObject>

#include "services/capitalflow/ResponsePkg_12930.h"
#include "services/capitalflow/ResponsePkg_12932.h"
#include "services/capitalflow/ResponsePkg_12973.h"
#include "services/deals/ResponsePkg_12915.h"
#include "services/deals/ResponsePkg_12917.h"

// The capital-flow and deals packages as JSON objects, keyed by the package field names, values
// in wire units (docs/decode.md).
// Threads: stateless.
namespace qzlv2 {

QJsonObject StockFlowToJson(const ResponsePkgEntity_12930& e);
QJsonObject BoardFlowToJson(const ResponsePkgEntity_12932& e);
QJsonObject BoardAnalysisToJson(const ResponsePkgEntity_12973& e);
QJsonObject PriceDealsToJson(const ResponsePkgEntity_12915& e);
QJsonObject WillDealsToJson(const ResponsePkgEntity_12917& e);

}  // namespace qzlv2
