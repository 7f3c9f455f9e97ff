#pragma once

#include "host/core/DataRow.h"
#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"
#include "services/deals/ResponsePkg_12915.h"

// The price-deals join: a 12915 package becomes a DealsQuoteData of one row per traded price, in
// body order, with the record's volumes, the lot unit and two ratios computed in double: the
// row's share of the day volume and of the largest row. A zero day volume or maximum gives the
// infinite or not-a-number ratios that division gives; the cells are still made.
// Threads: stateless.
namespace deals {

nscell::DataRow PriceDealRow(const PriceDealRecord& record, qint32 dayVolume,
                             quint32 maxTotalVolume);
JoinMethodResult JoinPriceDeals(ScopeTreeNode& target, const ScopeTreeNode& source);

}  // namespace deals
