#pragma once

#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/ScopeTree.h"

// The requests a stress host makes: fast-quote nodes ("l2_fast_quote": a 10001 child and a 12989
// child each) and stock-board rows (scope type 2 asking for a key that only 10002 serves), over
// pools of stock codes larger than the calls' caches.
// Threads: stateless functions.
namespace stress {

constexpr int kFastPool = 16;   // codes asked for by fast-quote nodes (12989 cache: 10)
constexpr int kBoardPool = 24;  // codes asked for by board rows
constexpr int kPushPool = 150;  // codes the server pushes (10002 cache: 100)
constexpr quint32 kServeFlags = 0x01;

// SH600000, SZ000001, SH600001, SZ000002, ...
QString CodeAt(int index);

QSharedPointer<QuoteDataSourceIntent> MakeIntent(int taskId, quint32 flags,
                                                 const QStringList& fastCodes,
                                                 const QStringList& boardCodes);

// The nodes the quoter took to fetch for the tree: its roots' children, in order.
ScopeTreeNodeList FetchedNodes(const ScopeTree& tree);

}  // namespace stress
