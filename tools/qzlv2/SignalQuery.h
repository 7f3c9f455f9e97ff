#pragma once

#include <QString>
#include <QStringList>

#include "host/quoter/ScopeTree.h"
#include "host/quoter/ScopeTreeNode.h"

#include <optional>

// What `qzlv2 signals` asks for: markets (two-letter prefixes), stocks and signal type names.
// The plug-in filters by a node's base row: the markets, plus "CUSTOM" when stocks are named
// (their signals pass whatever their market), the stocks and the names; the server is asked for
// the plates those signals can come from.
// Threads: a plain value.
namespace qzlv2 {

struct SignalQuery {
    QStringList markets;
    QStringList stocks;
    QStringList types;

    // The plates asked of the server: the markets, or both exchanges when none is named, plus
    // the markets of the named stocks.
    QString PlateList() const;
    // A "短线精灵查询" root asking for `keys`, carrying the filters in its base row.
    ScopeTreeNode Node(const QStringList& keys) const;
};

// The rows the joins left on the node `nodeId` of the tree, or nothing when none arrived yet.
std::optional<QList<nscell::DataRow>> JoinedRows(const ScopeTree& tree, int nodeId);

}  // namespace qzlv2
