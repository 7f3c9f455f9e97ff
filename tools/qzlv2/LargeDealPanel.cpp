#include "tools/qzlv2/LargeDealPanel.h"

#include <QJsonObject>

#include "host/core/HostClock.h"
#include "host/quoter/DealsQuoteData.h"
#include "tools/qzlv2/PackageJson.h"
#include "tools/qzlv2/Screen.h"

namespace qzlv2 {

namespace {

constexpr int kLargeDealScopeType = 18;
constexpr qint64 kLot = 100;  // shares
const char* const kColumns[] = {"time", "deal_price", "number", "In_number", "Out_number"};

QString TimeText(qint64 hhmmss) {
    return QStringLiteral("%1:%2:%3")
        .arg(hhmmss / 10000, 2, 10, QLatin1Char('0'))
        .arg(hhmmss / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(hhmmss % 100, 2, 10, QLatin1Char('0'));
}

QString LotsText(const nscell::UnsharedDataCell& shares) {
    return QString::number(shares.ToInt64() / kLot);
}

}  // namespace

QList<ScopeTreeNode> LargeDealPanel::Request(const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kLargeDealScopeType));
    node.stock_list = StockListExpression::FromStockCode(code);
    node_id_ = node.scope_id;
    return {node};
}

void LargeDealPanel::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    const auto* table =
        node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
    if (table != nullptr && !table->rows.isEmpty()) {
        SetRow(table->rows.first());
    }
}

void LargeDealPanel::SetRow(const nscell::DataRow& row) {
    if (row != row_) {
        row_ = row;
        changed_ms_ = HostClock::NowMs();
    }
}

bool LargeDealPanel::IsNew() const {
    return changed_ms_ >= 0 && HostClock::NowMs() - changed_ms_ < kNewForMs;
}

QStringList LargeDealPanel::Missing() const {
    return row_.IsEmpty() ? QStringList{QStringLiteral("large deal")} : QStringList();
}

QStringList LargeDealPanel::Render(int width, int) const {
    QString line = QStringLiteral("large deal   --");
    if (!row_.IsEmpty()) {
        line = QStringLiteral("large deal   %1  %2  %3 lots   in %4 / out %5 lots")
                   .arg(TimeText(row_.Get("time").ToInt64()), row_.Get("deal_price").DisplayText(),
                        LotsText(row_.Get("number")), LotsText(row_.Get("In_number")),
                        LotsText(row_.Get("Out_number")));
        if (IsNew()) {
            line += QStringLiteral("   *new*");
        }
    }
    return {width > 0 ? ClipToColumns(line, width) : line};
}

QJsonValue LargeDealPanel::Json() const {
    if (row_.IsEmpty()) {
        return QJsonValue();
    }
    QJsonObject deal;
    for (const char* column : kColumns) {
        deal.insert(QLatin1String(column), CellToJson(row_.Get(QLatin1String(column))));
    }
    deal.insert(QStringLiteral("new"), IsNew());
    return deal;
}

}  // namespace qzlv2
