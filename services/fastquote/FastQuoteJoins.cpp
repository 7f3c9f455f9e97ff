#include "services/fastquote/FastQuoteJoins.h"

#include "services/fastquote/DecodedFastQuote.h"
#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"

namespace fastquote {

namespace {

// Gives the target a fresh node data when it carries none or another kind of data.
void EnsureNodeData(ScopeTreeNode& target) {
    if (dynamic_cast<const QzLv2FastQuoteNodeData*>(target.quote_data.data()) == nullptr) {
        target.quote_data = QSharedPointer<QzLv2FastQuoteNodeData>::create();
    }
}

const QzLv2FastQuoteNodeData& NodeData(const ScopeTreeNode& target) {
    return static_cast<const QzLv2FastQuoteNodeData&>(*target.quote_data);
}

// A private copy of the target's node data, to change and store back.
QSharedPointer<QzLv2FastQuoteNodeData> CopyOfNodeData(const ScopeTreeNode& target) {
    return QSharedPointer<QzLv2FastQuoteNodeData>::create(NodeData(target));
}

}  // namespace

JoinMethodResult JoinBasicQuote(ScopeTreeNode& target, const ScopeTreeNode& source) {
    EnsureNodeData(target);
    if (source.quote_data.isNull()) {
        return JoinMethodResult(false);
    }
    const auto* basic = dynamic_cast<const ResponsePkgEntity_10002*>(source.quote_data.data());
    // The first basic quote sets precision, type and previous close, whether or not its message
    // carried them (the snapshot holds what earlier messages brought, zero otherwise); later
    // ones change nothing.
    if (basic == nullptr || NodeData(target).HasPrecision()) {
        return JoinMethodResult(true);
    }
    const StockSnapshot& snapshot = basic->snapshot;
    QSharedPointer<QzLv2FastQuoteNodeData> data = CopyOfNodeData(target);
    data->precision = snapshot.price_precision;
    data->stock_type = qint16(snapshot.stock_type);
    data->wills.summary.Set(
        kPrevPriceBase, nscell::UnsharedDataCell::FromPrice(snapshot.base_price, data->precision));
    FastQuoteConversion::ConvertBook(
        data->wills, data->gears, data->precision,
        data->decoded.isNull() ? nullptr : DecodedLevelsOf(*data->decoded));
    target.quote_data = data;
    return JoinMethodResult(true);
}

JoinMethodResult JoinFastQuote(ScopeTreeNode& target, const ScopeTreeNode& source) {
    EnsureNodeData(target);
    const auto* book = dynamic_cast<const ResponsePkgEntity_12989*>(source.quote_data.data());
    if (book == nullptr) {
        return JoinMethodResult(false);
    }
    QSharedPointer<QzLv2FastQuoteNodeData> data = CopyOfNodeData(target);
    if (data->HasPrecision() && !data->decoded.isNull()) {
        FastQuoteConversion::UpdateBook(*data->decoded, *book, data->precision, data->wills,
                                        data->gears);
    } else {
        data->wills.buy_rows = book->wills.buy_rows;
        data->wills.sell_rows = book->wills.sell_rows;
        data->gears.buy_levels = book->gears.buy_levels;
        data->gears.buy_queues = book->gears.buy_queues;
        data->gears.sell_levels = book->gears.sell_levels;
        data->gears.sell_queues = book->gears.sell_queues;
        if (data->HasPrecision()) {
            FastQuoteConversion::ConvertBook(data->wills, data->gears, data->precision,
                                             DecodedLevelsOf(*book));
        }
    }
    data->gears.reserved_rows_1 = book->gears.reserved_rows_1;
    data->gears.reserved_rows_2 = book->gears.reserved_rows_2;
    data->gears.reserved_row = book->gears.reserved_row;
    data->decoded = source.quote_data.staticCast<const ResponsePkgEntity_12989>();
    data->fast_ten_flag = book->fast_ten_flag;
    target.quote_data = data;
    return JoinMethodResult(true);
}

}  // namespace fastquote
