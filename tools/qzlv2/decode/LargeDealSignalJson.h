#pragma once

#include <QJsonObject>

#include "services/largedeals/ResponsePkgEntity_12990.h"
#include "services/signals/ResponsePkgEntity_10015.h"
#include "services/signals/ResponsePkgEntity_10016.h"

// The decoded 12990, 10015 and 10016 packages as JSON objects, keyed by the field names of their
// wire tables, values in wire units (docs/decode.md).
// Threads: stateless.
namespace qzlv2 {

QJsonObject LargeDealToJson(const ResponsePkgEntity_12990& answer);
QJsonObject SignalTypesToJson(const ResponsePkgEntity_10015& catalogue);
QJsonObject SignalsToJson(const ResponsePkgEntity_10016& answer);

}  // namespace qzlv2
