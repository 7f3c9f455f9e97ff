#pragma once

#include <QList>

#include "host/core/DataRow.h"
#include "tools/views/View.h"

// The day's price-volume table (12915): one row a traded price, highest first, with the shares
// bought, sold and not attributed there, the total, its share of the day and of the busiest
// price; and the last price's text, from the basic quote the book's node brings. Asks for one
// node of numeric scope type 10.
// Threads: main thread only.
namespace qzviews {

class PriceVolumeView : public View {
public:
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    // Rows as the join made them (ascending price) and the last price's text ("10.52").
    void SetTable(const QList<nscell::DataRow>& rows, const QString& last);
    const QList<nscell::DataRow>& rows() const { return rows_; }  // highest price first
    const QString& last() const { return last_; }
    // The row of the last price, else the middle one; 0 when there are none.
    int LastIndex() const;

private:
    int node_id_ = -1;
    QList<nscell::DataRow> rows_;
    QString last_;
};

}  // namespace qzviews
