#pragma once

#include <QString>

#include "host/core/DataRow.h"

// Builders of the fast-quote rows: a level row (type, price, vol, isbig) and a queue row
// (will_type, will_price, volume_unit, total_will_count, will_volume_list) as decoded, and the
// filler rows that pad a side to ten levels.
// Threads: stateless; any thread.
namespace fastquote {

nscell::DataRow MakeLevelRow(const QString& type, qint64 price, qint64 volume, qint64 isBig);
nscell::DataRow MakeQueueRow(const QString& type, qint64 price, qint64 orderCount,
                             const QString& volumes);
nscell::DataRow MakeFillerLevelRow(const QString& type);
nscell::DataRow MakeFillerQueueRow(const QString& type);
// The lot unit cell: 100 shares, "手".
const nscell::UnsharedDataCell& LotUnitCell();

}  // namespace fastquote
