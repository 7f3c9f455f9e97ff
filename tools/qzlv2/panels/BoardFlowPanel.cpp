#include "tools/qzlv2/panels/BoardFlowPanel.h"

#include <QJsonObject>

#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/panels/FlowTable.h"

namespace qzlv2 {

namespace {

constexpr qint64 kYuanPer10k = 10000;
const char kLargeIn[] = "CurrentDayLargeInCapital";

}  // namespace

QStringList BoardFlowPanel::Render(int, int lines) const {
    QStringList out{view_.title()};
    if (view_.flow().IsEmpty()) {
        out << QStringLiteral("board flow: (waiting)");
    } else {
        out << FlowTableLines(QStringLiteral("board flow, 10^4 yuan"),
                              FlowClassesOf(view_.flow(), QStringLiteral("amount"), kYuanPer10k),
                              qMax(2, lines - 2));
    }
    out << (view_.analysis().IsEmpty()
                ? QStringLiteral("large-order net inflow today: (waiting)")
                : QStringLiteral("large-order net inflow today: %1 x 10^4 yuan")
                      .arg(Grouped(view_.analysis().Get(QLatin1String(kLargeIn)).ToInt64(), true)));
    return out;
}

QJsonValue BoardFlowPanel::Json() const {
    QJsonObject o = RowToJson(view_.flow());
    const QJsonObject analysis = RowToJson(view_.analysis());
    for (auto it = analysis.begin(); it != analysis.end(); ++it) {
        o.insert(it.key(), it.value());
    }
    return o;
}

}  // namespace qzlv2
