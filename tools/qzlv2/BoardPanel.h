#pragma once

#include <QPair>

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"

// The stock-board fields of the watch screen (money flows, float and turnover ratios, big-order
// ratio, after-close deals), each with its label and unit, in two columns when the terminal is
// wide enough. Asks for one stock-board node (scope type 2) with every key.
// Threads: main thread only.
namespace qzlv2 {

struct BoardKey {
    QString key;    // "money_flow_today"
    QString label;  // "money flow today"
    QString unit;   // "yuan"; empty when the value's text carries it ("12.34%")
    bool optional;  // only some stocks carry it (after-close deals: ChiNext)
};

// The keys the panel asks for, in screen order.
const QList<BoardKey>& BoardKeys();

struct BoardField {
    QString key;
    QString label;
    QString text;  // value and unit
    QJsonValue json;
};

class BoardPanel : public Panel {
public:
    static constexpr int kTwoColumnWidth = 80;  // columns

    QString Name() const override { return QStringLiteral("board"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override { return missing_; }
    int MinLines(int width) const override;
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Reads the fields from a stock-board row (keys first, then any other cell by name).
    void SetRow(const nscell::DataRow& row);
    const QList<BoardField>& Fields() const { return fields_; }

private:
    int node_id_ = -1;
    QList<BoardField> fields_;
    QStringList missing_;
};

}  // namespace qzlv2
