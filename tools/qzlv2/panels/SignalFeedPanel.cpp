#include "tools/qzlv2/panels/SignalFeedPanel.h"

#include <QJsonArray>

#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/panels/Screen.h"

namespace qzlv2 {

namespace {

QString SideText(qint64 direction) {
    return direction > 0 ? QString::fromUtf8("买") : QString::fromUtf8("卖");
}

QString Line(const nscell::DataRow& row) {
    return QStringLiteral("%1  %2 %3  %4  %5  %6")
        .arg(row.Get("signal_time").DisplayText(), row.Get("stock_code").ToString(),
             row.Get("stock_name").ToString(), row.Get("signal_type_name").ToString(),
             SideText(row.Get("signal_type_deal_direction").ToInt64()),
             row.Get("signal_description").ToString());
}

}  // namespace

QStringList SignalFeedPanel::Render(int width, int lines) const {
    QStringList out{QStringLiteral("signals, newest first (%1)").arg(rows().size())};
    const int shown = lines > 0 ? qMin(lines - 1, int(rows().size())) : int(rows().size());
    for (int i = 0; i < shown; ++i) {
        out << Line(rows().at(rows().size() - 1 - i));
    }
    if (width > 0) {
        for (QString& line : out) {
            line = ClipToColumns(line, width);
        }
    }
    return out;
}

QJsonValue SignalFeedPanel::Json() const {
    QJsonArray feed;
    for (int i = int(rows().size()) - 1; i >= 0; --i) {
        feed.append(RowToJson(rows().at(i)));
    }
    return feed;
}

}  // namespace qzlv2
