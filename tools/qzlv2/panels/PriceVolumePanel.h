#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/PriceVolumeView.h"

// The day's price-volume table (12915) around the last price: one line a traded price, highest
// on top, with the lots bought, sold and not attributed there, the total, its share of the day
// and a bar as long as its share of the busiest price. The last price is marked ">".
// Threads: main thread only.
namespace qzlv2 {

class PriceVolumePanel : public ViewPanel<qzviews::PriceVolumeView> {
public:
    static constexpr int kMinRows = 3;
    static constexpr int kMaxRows = 11;

    QString Name() const override { return QStringLiteral("price_volume"); }
    int MinLines(int) const override { return 1 + kMinRows; }
    int MaxLines(int) const override;
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Rows as the join made them (ascending price) and the last price's text ("10.52").
    void SetTable(const QList<nscell::DataRow>& rows, const QString& last) {
        view_.SetTable(rows, last);
    }
};

}  // namespace qzlv2
