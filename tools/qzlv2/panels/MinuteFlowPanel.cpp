#include "tools/qzlv2/panels/MinuteFlowPanel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace qzlv2 {

namespace {

using qzviews::Hhmm;

const QString kBlocks = QStringLiteral(" ▁▂▃▄▅▆▇█");
constexpr double kShownUnit = 1e4 * 1e4;  // net_capital_flow is capital x 10^4; shown in 10^4
constexpr int kLabelWidth = 6;

QString Shown(qint64 value) {
    return QStringLiteral("%1%2")
        .arg(value > 0 ? "+" : "")
        .arg(double(value) / kShownUnit, 0, 'f', 1);
}

// One block a value, its height by the value's share of `top` (0: a space).
QString Bars(const QVector<qint64>& values, qint64 top) {
    QString line;
    for (qint64 v : values) {
        const int height = top > 0 && v > 0 ? int(std::ceil(8.0 * double(v) / double(top))) : 0;
        line += kBlocks[qBound(0, height, 8)];
    }
    return line;
}

}  // namespace

QStringList MinuteFlowPanel::Render(int width, int lines) const {
    const QMap<int, qint64>& minutes = view_.minutes();
    if (minutes.isEmpty()) {
        return {QStringLiteral("minute flow: waiting")};
    }
    QVector<qint64> nets;
    QVector<qint64> totals;
    qint64 total = 0;
    for (qint64 net : minutes) {
        total += net;
        nets << net;
        totals << total;
    }
    const QString summary = QStringLiteral("minute flow %1-%2  last %3  session %4 (10^4)")
                                .arg(Hhmm(minutes.firstKey()), Hhmm(minutes.lastKey()),
                                     Shown(nets.last()), Shown(total));
    const int shown =
        width > kLabelWidth ? std::min(int(nets.size()), width - kLabelWidth) : int(nets.size());
    const QVector<qint64> lastNets = nets.mid(nets.size() - shown);
    QVector<qint64> lastTotals = totals.mid(totals.size() - shown);
    QVector<qint64> inflow;
    QVector<qint64> outflow;
    qint64 top = 1;
    for (qint64 v : lastNets) {
        inflow << v;
        outflow << -v;
        top = std::max(top, std::llabs(v));
    }
    const qint64 low = *std::min_element(lastTotals.begin(), lastTotals.end());
    qint64 high = 1;
    for (qint64& v : lastTotals) {
        v = v - low + 1;  // the lowest total gets the lowest block
        high = std::max(high, v);
    }
    QStringList out{summary.left(width > 0 ? width : summary.size())};
    if (lines >= 4) {
        out << QStringLiteral("in    ") + Bars(inflow, top);
        out << QStringLiteral("out   ") + Bars(outflow, top);
    }
    out << QStringLiteral("total ") + Bars(lastTotals, high);
    return out;
}

QJsonValue MinuteFlowPanel::Json() const {
    const QMap<int, qint64>& seen = view_.minutes();
    QJsonArray minutes;
    qint64 total = 0;
    for (auto it = seen.begin(); it != seen.end(); ++it) {
        total += it.value();
        minutes.append(QJsonObject{{"time", Hhmm(it.key())},
                                   {"net_capital_flow", double(it.value())},
                                   {"total", double(total)}});
    }
    return QJsonObject{{"minutes", minutes}};
}

}  // namespace qzlv2
