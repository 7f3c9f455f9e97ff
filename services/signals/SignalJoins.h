#pragma once

#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"

// The joins of the "短线精灵查询" requests. Each keeps the target's data in a BaseQuoteData (made
// when the target has none): its base row holds the request's filters (see SignalFilter), its
// row list the output table, and its source map the latest package joined per function id
// ("10015", "10016"). The target's data is never changed in place (the host may share it): each
// join stores a new BaseQuoteData. A source without quote data of its function changes nothing
// and fails.
// Threads: stateless; run on whichever thread the host joins on, touching only the two nodes.
namespace shortline {

constexpr int kMaxSignalRows = 20000;  // rows a signal list keeps; the lowest orders go first

// One row per signal type, in catalogue order.
JoinMethodResult JoinSignalTypeList(ScopeTreeNode& target, const ScopeTreeNode& source);
// The kept signals merged into the rows by order, ascending: a signal whose order a row holds
// replaces that row, the others are inserted at their place.
JoinMethodResult JoinSignalList(ScopeTreeNode& target, const ScopeTreeNode& source);
// Either package; once both are there, one row per signal type and direction that occurs
// (ascending) with the count of the kept signals of that type on that side (buy: direction > 0).
JoinMethodResult JoinSignalStatistics(ScopeTreeNode& target, const ScopeTreeNode& source);

}  // namespace shortline
