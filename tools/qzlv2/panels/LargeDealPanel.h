#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/LargeDealView.h"

// The latest large deal of the stock as one alert line: time, price, volume in lots and the
// volumes attributed to buying (in) and selling (out); marked *new* for kNewForMs after it
// changed.
// Threads: main thread only.
namespace qzlv2 {

class LargeDealPanel : public ViewPanel<qzviews::LargeDealView> {
public:
    static constexpr int kNewForMs = qzviews::LargeDealView::kNewForMs;

    QString Name() const override { return QStringLiteral("large_deal"); }
    int MinLines(int) const override { return 1; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRow(const nscell::DataRow& row) { view_.SetRow(row); }
    bool IsNew() const { return view_.IsNew(); }
};

}  // namespace qzlv2
