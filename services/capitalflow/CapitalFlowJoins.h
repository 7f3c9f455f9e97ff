#pragma once

#include "host/core/DataRow.h"
#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"
#include "services/capitalflow/ResponsePkg_12930.h"
#include "services/capitalflow/ResponsePkg_12932.h"
#include "services/capitalflow/ResponsePkg_12973.h"

// The capital-flow joins: each child's package becomes a one-row DealsQuoteData on the parent,
// every cell FromBigInteger of its field, sign-extended (columns named after the fields).
// Threads: stateless.
namespace capitalflow {

nscell::DataRow StockFlowRow(const ResponsePkg_12930& p);
nscell::DataRow BoardFlowRow(const ResponsePkg_12932& p);
nscell::DataRow BoardAnalysisRow(const ResponsePkg_12973& p);

JoinMethodResult JoinStockFlow(ScopeTreeNode& target, const ScopeTreeNode& source);
JoinMethodResult JoinBoardFlow(ScopeTreeNode& target, const ScopeTreeNode& source);
JoinMethodResult JoinBoardAnalysis(ScopeTreeNode& target, const ScopeTreeNode& source);

}  // namespace capitalflow
