#include "tools/qzlv2/MinuteFlowPanel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

#include "host/quoter/BaseQuoteData.h"

namespace qzlv2 {

namespace {

const char kScopeType[] = "minute_based_capital_flows";
const QString kBlocks = QStringLiteral(" ▁▂▃▄▅▆▇█");
constexpr double kShownUnit = 1e4 * 1e4;  // net_capital_flow is capital x 10^4; shown in 10^4
constexpr int kLabelWidth = 6;

QString Hhmm(int hhmm) {
    return QStringLiteral("%1:%2")
        .arg(hhmm / 100, 2, 10, QLatin1Char('0'))
        .arg(hhmm % 100, 2, 10, QLatin1Char('0'));
}

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

QList<ScopeTreeNode> MinuteFlowPanel::Request(const QString& code) {
    ScopeTreeNode root = ScopeTreeNode::NewRoot(ScopeTypeVariant(kScopeType));
    root.stock_list = StockListExpression::FromStockCode(code);
    root_id_ = root.scope_id;
    return {root};
}

void MinuteFlowPanel::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> root = tree.FindNode(root_id_);
    const auto* data = root ? dynamic_cast<const BaseQuoteData*>(root->quote_data.data()) : nullptr;
    if (data == nullptr) {
        return;
    }
    for (const nscell::DataRow& row : data->rows) {
        const QString time = row.Get(QStringLiteral("time")).ToString();  // "hh:mm"
        const int hhmm = time.left(2).toInt() * 100 + time.mid(3, 2).toInt();
        minutes_.insert(hhmm, row.Get(QStringLiteral("net_capital_flow")).ToInt64());
    }
}

QStringList MinuteFlowPanel::Missing() const {
    return minutes_.isEmpty() ? QStringList{QStringLiteral("minute flow")} : QStringList();
}

QStringList MinuteFlowPanel::Render(int width, int lines) const {
    if (minutes_.isEmpty()) {
        return {QStringLiteral("minute flow: waiting")};
    }
    QVector<qint64> nets;
    QVector<qint64> totals;
    qint64 total = 0;
    for (qint64 net : minutes_) {
        total += net;
        nets << net;
        totals << total;
    }
    const QString summary = QStringLiteral("minute flow %1-%2  last %3  session %4 (10^4)")
                                .arg(Hhmm(minutes_.firstKey()), Hhmm(minutes_.lastKey()),
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
    QJsonArray minutes;
    qint64 total = 0;
    for (auto it = minutes_.begin(); it != minutes_.end(); ++it) {
        total += it.value();
        minutes.append(QJsonObject{{"time", Hhmm(it.key())},
                                   {"net_capital_flow", double(it.value())},
                                   {"total", double(total)}});
    }
    return QJsonObject{{"minutes", minutes}};
}

}  // namespace qzlv2
