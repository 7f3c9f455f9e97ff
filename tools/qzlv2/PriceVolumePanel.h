#pragma once

#include <QList>

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"

// The day's price-volume table (12915) around the last price: one line a traded price, highest
// on top, with the lots bought, sold and not attributed there, the total, its share of the day
// and a bar as long as its share of the busiest price. The last price is marked ">". Asks for
// one node of numeric scope type 10; the last price comes from the basic quote the book's node
// brings.
// Threads: main thread only.
namespace qzlv2 {

class PriceVolumePanel : public Panel {
public:
    static constexpr int kMinRows = 3;
    static constexpr int kMaxRows = 11;

    QString Name() const override { return QStringLiteral("price_volume"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 1 + kMinRows; }
    int MaxLines(int) const override;
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Rows as the join made them (ascending price) and the last price's text ("10.52").
    void SetTable(const QList<nscell::DataRow>& rows, const QString& last);

private:
    int LastIndex() const;

    int node_id_ = -1;
    QList<nscell::DataRow> rows_;  // highest price first
    QString last_;
};

}  // namespace qzlv2
