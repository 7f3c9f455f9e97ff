#include "tools/qzlv2/PriceVolumePanel.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

#include "host/quoter/DealsQuoteData.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "tools/qzlv2/FlowTable.h"
#include "tools/qzlv2/PackageJson.h"

namespace qzlv2 {

namespace {

constexpr int kPriceDealsScopeType = 10;
constexpr qint64 kSharesPerLot = 100;
constexpr int kNumberColumns = 10;
constexpr int kBarColumnsMax = 30;
const char kFastQuoteScopeType[] = "l2_fast_quote";

QString Lots(const nscell::DataRow& row, const char* column) {
    return Grouped(row.Get(QLatin1String(column)).ToInt64() / kSharesPerLot)
        .rightJustified(kNumberColumns);
}

// The last price of the basic quote under the stock's "l2_fast_quote" node, as price text.
QString LastPriceText(const ScopeTree& tree) {
    for (const ScopeTreeNode& root : tree.GetRootNodeList()) {
        if (!(root.scope_type == ScopeTypeVariant(kFastQuoteScopeType))) {
            continue;
        }
        for (const ScopeTreeNode& child : tree.ChildrenOf(root.scope_id)) {
            const auto* basic =
                dynamic_cast<const ResponsePkgEntity_10002*>(child.quote_data.data());
            if (basic != nullptr && (basic->snapshot.carried1 & snapshot::kLast) != 0) {
                return nscell::UnsharedDataCell::FromPrice(basic->snapshot.last_price,
                                                           basic->snapshot.price_precision)
                    .DisplayText();
            }
        }
    }
    return QString();
}

}  // namespace

QList<ScopeTreeNode> PriceVolumePanel::Request(const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kPriceDealsScopeType));
    node.stock_list = StockListExpression::FromStockCode(code);
    node_id_ = node.scope_id;
    return {node};
}

void PriceVolumePanel::Update(const ScopeTree& tree) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(node_id_);
    const auto* table =
        node ? dynamic_cast<const DealsQuoteData*>(node->quote_data.data()) : nullptr;
    SetTable(table ? table->rows : QList<nscell::DataRow>(), LastPriceText(tree));
}

void PriceVolumePanel::SetTable(const QList<nscell::DataRow>& rows, const QString& last) {
    rows_ = rows;
    std::reverse(rows_.begin(), rows_.end());
    last_ = last;
}

QStringList PriceVolumePanel::Missing() const {
    return rows_.isEmpty() ? QStringList{QStringLiteral("price volume")} : QStringList();
}

int PriceVolumePanel::MaxLines(int) const {
    return 1 + qBound(kMinRows, int(rows_.size()), kMaxRows);
}

int PriceVolumePanel::LastIndex() const {
    for (int i = 0; i < rows_.size(); ++i) {
        if (rows_[i].Get("deal_price").DisplayText() == last_) {
            return i;
        }
    }
    return rows_.size() / 2;
}

// The window of rows centred on the last price, as many as the lines leave room for.
QStringList PriceVolumePanel::Render(int width, int lines) const {
    QStringList out{QStringLiteral("price volume, lots")
                        .leftJustified(kNumberColumns + 8)
                        .append(QStringLiteral("buy").rightJustified(kNumberColumns))
                        .append(QStringLiteral("sell").rightJustified(kNumberColumns))
                        .append(QStringLiteral("other").rightJustified(kNumberColumns))
                        .append(QStringLiteral("total").rightJustified(kNumberColumns))
                        .append(QStringLiteral("   day"))};
    const int shown = qMin(int(rows_.size()), qMax(lines, 1 + kMinRows) - 1);
    const int first = qBound(0, LastIndex() - shown / 2, qMax(0, int(rows_.size()) - shown));
    const int used = 8 + kNumberColumns * 5 + 8;
    const int barMax = width > 0 ? qBound(0, width - used, kBarColumnsMax) : kBarColumnsMax;
    for (int i = first; i < first + shown; ++i) {
        const nscell::DataRow& row = rows_[i];
        const QString price = row.Get("deal_price").DisplayText();
        const double relative = row.Get("relative_deal_volume_ratio").ToDouble();
        const int bar = std::isfinite(relative) ? int(relative * barMax + 0.5) : 0;
        out << QStringLiteral("%1 %2%3%4%5%6 %7% %8")
                   .arg(price == last_ ? QStringLiteral(">") : QStringLiteral(" "),
                        price.rightJustified(kNumberColumns + 6), Lots(row, "buy_deal_volume"),
                        Lots(row, "sell_deal_volume"), Lots(row, "other_deal_volume"),
                        Lots(row, "total_deal_volume"))
                   .arg(100.0 * row.Get("deal_volume_ratio").ToDouble(), 5, 'f', 1)
                   .arg(QString(bar, QChar(0x2588)));
    }
    return out;
}

QJsonValue PriceVolumePanel::Json() const {
    QJsonArray rows;
    for (auto it = rows_.crbegin(); it != rows_.crend(); ++it) {
        rows.append(RowToJson(*it));
    }
    return rows;
}

}  // namespace qzlv2
