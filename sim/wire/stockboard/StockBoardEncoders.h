#pragma once

#include <QByteArray>
#include <QString>

#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"
#include "services/stockboard/StockSnapshot.h"

// The server side of the stock-board functions: answer bodies built from values, for the
// simulated server, tests, benchmarks and fuzz seeds. Packed fields are written with the
// smallest exponent that holds them (low bits of values beyond 2^30 are dropped).
// Threads: stateless functions.
namespace simwire {

// A 10001/10002 body with one record: the snapshot's mask1/mask2/mask3 choose the fields.
QByteArray EncodeStockSnapshotBody(const StockSnapshot& snapshot);
// A body announcing no record.
QByteArray EncodeEmptyStockSnapshotBody();

// A 12755 body with one record; the entity's layout, masks and groups are written as given.
QByteArray EncodeStockRelatedBody(const ResponsePkgEntity_12755& entity);

// A 10012 body with one record; the entity's mask chooses the groups.
QByteArray EncodeStockDataSetBody(const ResponsePkgEntity_10012& entity);

// A snapshot with every mask bit set and distinct, exactly packable values (auction lists of
// pointsPerAuction entries each).
StockSnapshot MakeFullStockSnapshot(const QString& code, int pointsPerAuction = 3);

}  // namespace simwire
