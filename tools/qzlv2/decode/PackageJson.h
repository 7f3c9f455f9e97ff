#pragma once

#include <QJsonObject>
#include <QJsonValue>

#include "host/core/DataRow.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"
#include "services/stockboard/StockSnapshot.h"

// Decoded packages as JSON objects, with the field names of the wire tables (the names beside
// StockSnapshot for 10001/10002, the entity fields for 12755 and 10012, the row column names for
// 12989). Only the fields a record carried are written. docs/decode.md describes each layout.
// Threads: stateless.
namespace qzlv2 {

QJsonValue CellToJson(const nscell::UnsharedDataCell& cell);
QJsonObject RowToJson(const nscell::DataRow& row);

QJsonObject SnapshotToJson(const StockSnapshot& record);
QJsonObject StockRelatedToJson(const ResponsePkgEntity_12755& record);
QJsonObject DataSetToJson(const ResponsePkgEntity_10012& record);
QJsonObject FastQuoteToJson(const ResponsePkgEntity_12989& book, const QString& code);

}  // namespace qzlv2
