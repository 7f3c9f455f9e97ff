#pragma once

#include "host/core/DataRow.h"
#include "tools/views/View.h"

// The stock-board fields of a stock (money flows, float and turnover ratios, big-order ratio,
// after-close deals, then the per-stock data set: price limits, share capital, connect quota,
// per-share figures), each with its label, unit and text, and the keys still waited for. Asks
// for one stock-board node (scope type 2) with every key.
// Threads: main thread only.
namespace qzviews {

struct BoardKey {
    enum class Need {
        Required,  // waited for; always has its line
        Optional,  // only some stocks carry it (after-close deals: ChiNext); always has its line
        IfRoom,    // only some markets carry it (the data set); shown when there is room
    };
    QString key;    // "money_flow_today"
    QString label;  // "money flow today"
    QString unit;   // "yuan"; empty when the value's text carries it ("12.34%")
    Need need;
};

// The keys the view asks for, in screen order.
const QList<BoardKey>& BoardKeys();

struct BoardField {
    QString key;
    QString label;
    QString text;  // value and unit
    nscell::UnsharedDataCell cell;
};

class BoardFieldsView : public View {
public:
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override { return missing_; }

    // Reads the fields from a stock-board row (keys first, then any other cell by name).
    void SetRow(const nscell::DataRow& row);
    const QList<BoardField>& Fields() const { return fields_; }

private:
    int node_id_ = -1;
    nscell::DataRow row_;
    QList<BoardField> fields_;
    QStringList missing_;
};

}  // namespace qzviews
