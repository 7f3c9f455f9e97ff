#include "tools/qzlv2/panels/CapitalFlowPanel.h"

#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/panels/FlowTable.h"
#include "tools/views/QuoteView.h"

namespace qzlv2 {

namespace {
constexpr double kDdxPercentScale = 1000.0;  // the simulated server's ddx is in 1/1000 %
}  // namespace

QStringList CapitalFlowPanel::Render(int, int lines) const {
    const nscell::DataRow& row = view_.row();
    if (row.IsEmpty()) {
        return {QStringLiteral("capital flow: (waiting)")};
    }
    const double ddx = double(row.Get("ddx").ToInt64()) / kDdxPercentScale;
    QStringList out = FlowTableLines(
        QStringLiteral("capital flow, lots"), FlowClassesOf(row, QStringLiteral("volume"), 1),
        qMin(lines, 6), QStringLiteral("   ddx %1%").arg(ddx, 0, 'f', 3));
    if (lines >= 7) {
        out << QStringLiteral(
                   "  bid %1 lots at %2 on average, ask %3 lots at %4; "
                   "volume diff %5 lots")
                   .arg(Grouped(row.Get("total_buy").ToInt64()),
                        qzviews::PriceText(row.Get("average_buy").ToInt64(), view_.precision()),
                        Grouped(row.Get("total_sell").ToInt64()),
                        qzviews::PriceText(row.Get("average_sell").ToInt64(), view_.precision()),
                        Grouped(row.Get("volume_diff").ToInt64(), true));
    }
    return out;
}

QJsonValue CapitalFlowPanel::Json() const {
    return RowToJson(view_.row());
}

}  // namespace qzlv2
