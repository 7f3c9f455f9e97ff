#pragma once

#include "host/core/DataRow.h"
#include "tools/views/View.h"

// The one-row table that a join leaves on one root node of `scope type` for the stock (capital
// flow, board flow, large-order inflow), kept until the node answers again; `what` names it
// while it has not arrived.
// Threads: main thread only.
namespace qzviews {

class RowView : public View {
public:
    RowView(const ScopeTypeVariant& scopeType, const QString& what)
        : scope_type_(scopeType), what_(what) {}

    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    virtual void SetRow(const nscell::DataRow& row);
    const nscell::DataRow& row() const { return row_; }

private:
    ScopeTypeVariant scope_type_;
    QString what_;
    int node_id_ = -1;
    nscell::DataRow row_;
};

// A stock's capital flow by order size (12930), numeric scope type 17, and the decimals of the
// stock's prices for its mean bid and ask.
class CapitalFlowView : public RowView {
public:
    CapitalFlowView() : RowView(17, QStringLiteral("capital flow")) {}
    QList<ScopeTreeNode> Request(const QString& code) override;
    int precision() const { return precision_; }

private:
    int precision_ = 2;
};

}  // namespace qzviews
