#include "tools/qzlv2/HeaderPanel.h"

#include <QDateTime>
#include <QJsonObject>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "sim/market/SimStock.h"

namespace qzlv2 {

namespace {

const char kFastQuoteScopeType[] = "l2_fast_quote";
const char kBasicQuoteApiType[] = "10001";

QString PriceText(qint64 price, int decimals) {
    return nscell::UnsharedDataCell::FromPrice(qint32(price), decimals).DisplayText();
}

}  // namespace

QList<ScopeTreeNode> HeaderPanel::Request(const QString& code) {
    quote_.code = code;
    if (const simmarket::SimStock* stock = simmarket::FindStock(code)) {
        quote_.name = stock->name;
        quote_.listing =
            simmarket::ListingBoardName(stock->board) + QLatin1Char(' ') + stock->Exchange();
    }
    return {};
}

void HeaderPanel::Update(const ScopeTree& tree) {
    quote_.time = QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss"));
    for (const ScopeTreeNode& root : tree.GetRootNodeList()) {
        if (!(root.scope_type == ScopeTypeVariant(kFastQuoteScopeType))) {
            continue;
        }
        if (const auto* book =
                dynamic_cast<const ResponsePkgEntity_12989*>(root.quote_data.data())) {
            quote_.fast_ten = book->fast_ten_flag;
        }
        for (const ScopeTreeNode& child : tree.ChildrenOf(root.scope_id)) {
            const auto* basic =
                dynamic_cast<const ResponsePkgEntity_10002*>(child.quote_data.data());
            if (child.api_type == ScopeTypeVariant(kBasicQuoteApiType) && basic != nullptr) {
                const StockSnapshot& s = basic->snapshot;
                quote_.has_last = (s.carried1 & snapshot::kLast) != 0;
                quote_.precision = s.price_precision;
                quote_.last = s.last_price;
                quote_.prev_close = (s.carried1 & snapshot::kBasePrice) != 0 ? s.base_price : 0;
            }
        }
    }
}

QStringList HeaderPanel::Render(int, int) const {
    QString price = QStringLiteral("--");
    if (quote_.has_last) {
        price = PriceText(quote_.last, quote_.precision);
        if (quote_.prev_close > 0) {
            const qint64 change = quote_.last - quote_.prev_close;
            price += QStringLiteral(" %1%2 %3%4%")
                         .arg(change >= 0 ? QStringLiteral("+") : QString(),
                              PriceText(change, quote_.precision),
                              change >= 0 ? QStringLiteral("+") : QString())
                         .arg(100.0 * double(change) / double(quote_.prev_close), 0, 'f', 2);
        }
    }
    const QString prev = quote_.prev_close > 0 ? PriceText(quote_.prev_close, quote_.precision)
                                               : QStringLiteral("--");
    return {QStringLiteral("%1 %2 %3  %4  prev %5  fast-ten %6  %7")
                .arg(quote_.code, quote_.name, quote_.listing, price, prev)
                .arg(quote_.fast_ten)
                .arg(quote_.time)};
}

QJsonValue HeaderPanel::Json() const {
    QJsonObject o{{"code", quote_.code}, {"name", quote_.name}, {"fast_ten", quote_.fast_ten}};
    if (quote_.has_last) {
        o.insert("last", PriceText(quote_.last, quote_.precision));
    }
    if (quote_.prev_close > 0) {
        o.insert("prev_close", PriceText(quote_.prev_close, quote_.precision));
    }
    return o;
}

}  // namespace qzlv2
