#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

#include "services/deals/ResponsePkg_12915.h"
#include "services/deals/ResponsePkg_12917.h"

// The server side of the deals: 12915 and 12917 bodies from values, for the simulated server,
// tests, benchmarks and fuzz seeds.
// Threads: stateless functions.
namespace simwire {

// At most 32767 records go out (the count is an i16).
QByteArray EncodePriceDealsBody(qint32 dayVolume, const std::vector<PriceDealRecord>& records);
// At most 32767 volumes a side go out (the counts are read as signed).
QByteArray EncodeWillDealsBody(const QString& code, const ResponsePkgEntity_12917& queues);

}  // namespace simwire
