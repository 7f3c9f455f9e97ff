#pragma once

#include "host/quoter/JoinMethodResult.h"
#include "host/quoter/ScopeTreeNode.h"

// The two joins that build an "l2_fast_quote" node's QzLv2FastQuoteNodeData from its children:
//   basic-quote join: the first basic quote (10001/10002 snapshot) gives the price precision, the
//     stock type and the previous close, and converts the book held so far;
//   fast-quote join: every fast-quote answer replaces the book (rows and flag) and is converted
//     at once when the precision is known.
// The target's node data is never changed in place (the host may share it): each join works on a
// copy and stores it on the target.
// Threads: stateless; run on whichever thread the host joins on, touching only the two nodes.
namespace fastquote {

JoinMethodResult JoinBasicQuote(ScopeTreeNode& target, const ScopeTreeNode& source);
JoinMethodResult JoinFastQuote(ScopeTreeNode& target, const ScopeTreeNode& source);

}  // namespace fastquote
