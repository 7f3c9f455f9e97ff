#include "tools/views/MinuteFlowView.h"

#include "host/quoter/BaseQuoteData.h"

namespace qzviews {

namespace {
const char kScopeType[] = "minute_based_capital_flows";
}

QString Hhmm(int hhmm) {
    return QStringLiteral("%1:%2")
        .arg(hhmm / 100, 2, 10, QLatin1Char('0'))
        .arg(hhmm % 100, 2, 10, QLatin1Char('0'));
}

QList<ScopeTreeNode> MinuteFlowView::Request(const QString& code) {
    return {RootFor(ScopeTypeVariant(kScopeType), code, root_id_)};
}

void MinuteFlowView::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> root = tree.FindNode(root_id_);
    const auto* data = root ? dynamic_cast<const BaseQuoteData*>(root->quote_data.data()) : nullptr;
    if (data == nullptr) {
        return;
    }
    QMap<int, qint64> minutes = minutes_;
    for (const nscell::DataRow& row : data->rows) {
        const QString time = row.Get(QStringLiteral("time")).ToString();  // "hh:mm"
        const int hhmm = time.left(2).toInt() * 100 + time.mid(3, 2).toInt();
        minutes.insert(hhmm, row.Get(QStringLiteral("net_capital_flow")).ToInt64());
    }
    SetMinutes(minutes);
}

void MinuteFlowView::SetMinutes(const QMap<int, qint64>& minutes) {
    if (minutes != minutes_) {
        minutes_ = minutes;
        Changed();
    }
}

QStringList MinuteFlowView::Missing() const {
    return minutes_.isEmpty() ? QStringList{QStringLiteral("minute flow")} : QStringList();
}

}  // namespace qzviews
