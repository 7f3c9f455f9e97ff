#include "services/fastquote/FastQuoteJoins.h"

#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"

namespace fastquote {

namespace {

constexpr quint32 kPrecisionBit = 0x4;   // mask 1: price precision
constexpr quint32 kBasePriceBit = 0x10;  // mask 1: base (previous close) price
constexpr quint32 kStockTypeBit = 0x20;  // mask 1: stock type

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
    return QSharedPointer<QzLv2FastQuoteNodeData>(NodeData(target).Clone());
}

}  // namespace

JoinMethodResult JoinBasicQuote(ScopeTreeNode& target, const ScopeTreeNode& source) {
    EnsureNodeData(target);
    if (source.quote_data.isNull()) {
        return JoinMethodResult(false);
    }
    const auto* basic = dynamic_cast<const ResponsePkgEntity_10002*>(source.quote_data.data());
    // Only the first basic quote that carries the precision changes the node.
    if (basic == nullptr || NodeData(target).HasPrecision() ||
        !basic->snapshot.Has1(kPrecisionBit)) {
        return JoinMethodResult(true);
    }
    const StockSnapshot& snapshot = basic->snapshot;
    QSharedPointer<QzLv2FastQuoteNodeData> data = CopyOfNodeData(target);
    data->precision = snapshot.price_precision;
    if (snapshot.Has1(kStockTypeBit)) {
        data->stock_type = qint16(snapshot.stock_type);
    }
    if (snapshot.Has1(kBasePriceBit)) {
        data->wills.summary.Set(kPrevPriceBase, nscell::UnsharedDataCell::FromPrice(
                                                    snapshot.base_price, data->precision));
    }
    FastQuoteConversion::ConvertBook(data->wills, data->gears, data->precision);
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
    data->wills.buy_rows = book->wills.buy_rows;
    data->wills.sell_rows = book->wills.sell_rows;
    data->gears = book->gears;
    data->fast_ten_flag = book->fast_ten_flag;
    if (data->HasPrecision()) {
        FastQuoteConversion::ConvertBook(data->wills, data->gears, data->precision);
    }
    target.quote_data = data;
    return JoinMethodResult(true);
}

}  // namespace fastquote
