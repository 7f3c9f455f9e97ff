#pragma once

#include <QList>

#include "host/core/DataRow.h"
#include "tools/views/View.h"

// The large deals of the stock (12990): the latest one, new for kNewForMs after it changed on
// the host clock (a replay marks it as the live run did), and the ticker of every distinct deal
// seen, newest first, at most kTickerDeals. Asks for one large-deal node (scope type 18); a
// node that answers with no row keeps the last deal.
// Threads: main thread only.
namespace qzviews {

class LargeDealView : public View {
public:
    static constexpr int kNewForMs = 3000;   // ms a new deal stays marked
    static constexpr int kTickerDeals = 50;  // deals the ticker keeps

    struct Deal {
        nscell::DataRow row;
        qint64 seen_ms = 0;  // host clock time it arrived
    };

    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;

    // Takes the joined row; a different row than before is new.
    void SetRow(const nscell::DataRow& row);
    const nscell::DataRow& row() const { return row_; }
    bool IsNew() const;
    const QList<Deal>& ticker() const { return ticker_; }  // newest first

private:
    int node_id_ = -1;
    nscell::DataRow row_;
    qint64 changed_ms_ = -1;  // host clock time of the last change, -1 before the first
    QList<Deal> ticker_;
};

// 93005 -> "09:30:05".
QString HhmmssText(qint64 hhmmss);

}  // namespace qzviews
