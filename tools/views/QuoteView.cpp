#include "tools/views/QuoteView.h"

#include "host/core/HostClock.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "sim/market/SimStock.h"

namespace qzviews {

namespace {
const char kFastQuoteScopeType[] = "l2_fast_quote";
const char kBasicQuoteApiType[] = "10001";
}  // namespace

QString PriceText(qint64 price, int decimals) {
    return nscell::UnsharedDataCell::FromPrice(qint32(price), decimals).DisplayText();
}

bool Quote::operator==(const Quote& o) const {
    return code == o.code && name == o.name && listing == o.listing && has_last == o.has_last &&
           precision == o.precision && last == o.last && prev_close == o.prev_close &&
           fast_ten == o.fast_ten && time == o.time && has_volume == o.has_volume &&
           volume == o.volume && amount == o.amount;
}

QList<ScopeTreeNode> QuoteView::Request(const QString& code) {
    Quote quote = quote_;
    quote.code = code;
    if (const simmarket::SimStock* stock = simmarket::FindStock(code)) {
        quote.name = stock->name;
        quote.listing =
            simmarket::ListingBoardName(stock->board) + QLatin1Char(' ') + stock->Exchange();
    }
    SetQuote(quote);
    return {};
}

void QuoteView::Update(const ScopeTree& tree) {
    Quote quote = quote_;
    quote.time = HostClock::Now().toString(QStringLiteral("hh:mm:ss"));
    for (const ScopeTreeNode& root : tree.GetRootNodeList()) {
        if (!(root.scope_type == ScopeTypeVariant(kFastQuoteScopeType))) {
            continue;
        }
        if (const auto* book =
                dynamic_cast<const ResponsePkgEntity_12989*>(root.quote_data.data())) {
            quote.fast_ten = book->fast_ten_flag;
        }
        for (const ScopeTreeNode& child : tree.ChildrenOf(root.scope_id)) {
            const auto* basic =
                dynamic_cast<const ResponsePkgEntity_10002*>(child.quote_data.data());
            if (child.api_type == ScopeTypeVariant(kBasicQuoteApiType) && basic != nullptr) {
                const StockSnapshot& s = basic->snapshot;
                quote.has_last = (s.carried1 & snapshot::kLast) != 0;
                quote.precision = s.price_precision;
                quote.last = s.last_price;
                quote.prev_close = (s.carried1 & snapshot::kBasePrice) != 0 ? s.base_price : 0;
                quote.has_volume = (s.carried1 & snapshot::kVolume) != 0;
                quote.volume = s.volume;
                quote.amount = s.amount;
            }
        }
    }
    SetQuote(quote);
}

void QuoteView::SetQuote(const Quote& quote) {
    if (quote != quote_) {
        quote_ = quote;
        Changed();
    }
}

}  // namespace qzviews
