#pragma once

#include <QString>
#include <QStringList>

#include "host/quoter/ScopeTree.h"
#include "host/quoter/ScopeTreeNode.h"

#include <optional>

#include "tools/views/View.h"

// What `qzlv2 signals` asks for: markets (two-letter prefixes), stocks and signal type names.
// The plug-in filters by a node's base row: the markets, plus "CUSTOM" when stocks are named
// (their signals pass whatever their market), the stocks and the names; the server is asked for
// the plates those signals can come from.
// Threads: a plain value.
namespace qzviews {

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

}  // namespace qzviews

namespace qzviews {

// The rows the joins leave on one signal node asked for with `keys` (the feed: none; the
// statistics: "signal_type_statistics"); they stay as they were until the node answers again.
// `what` names the view while no row has arrived.
class SignalRowsView : public View {
public:
    SignalRowsView(SignalQuery query, QStringList keys, QString what)
        : query_(std::move(query)), keys_(std::move(keys)), what_(std::move(what)) {}

    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    const QList<nscell::DataRow>& rows() const { return rows_; }  // ascending by order

private:
    SignalQuery query_;
    QStringList keys_;
    QString what_;
    int node_id_ = -1;
    QList<nscell::DataRow> rows_;
};

}  // namespace qzviews
