#include "services/deals/PriceDealsJoin.h"

#include "framework/TableJoin.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace deals {

namespace {
constexpr int kPriceDecimals = 2;
constexpr double kHundredths = 100.0;
constexpr int kSharesPerLot = 100;

const UnsharedDataCell& LotUnitCell() {
    static const UnsharedDataCell cell =
        UnsharedDataCell::FromMagnitudeUnit(kSharesPerLot, QString::fromUtf8("手"));
    return cell;
}

const UnsharedDataCell& NoPriceBaseCell() {
    static const UnsharedDataCell cell = UnsharedDataCell::FromRealPrice(0.0, kPriceDecimals);
    return cell;
}
}  // namespace

DataRow PriceDealRow(const PriceDealRecord& r, qint32 dayVolume, quint32 maxTotalVolume) {
    const double total = double(r.total_volume);
    DataRow row;
    row.Set(QStringLiteral("prev_price_base"), NoPriceBaseCell());
    row.Set(QStringLiteral("deal_price"),
            UnsharedDataCell::FromRealPrice(r.price / kHundredths, kPriceDecimals));
    row.Set(QStringLiteral("buy_deal_volume"), UnsharedDataCell::FromBigInteger(r.buy_volume));
    row.Set(QStringLiteral("sell_deal_volume"), UnsharedDataCell::FromBigInteger(r.sell_volume));
    row.Set(QStringLiteral("total_deal_volume"), UnsharedDataCell::FromVolume(r.total_volume));
    row.Set(QStringLiteral("other_deal_volume"), UnsharedDataCell::FromVolume(r.other_volume));
    row.Set(QStringLiteral("volume_unit"), LotUnitCell());
    row.Set(QStringLiteral("deal_volume_ratio"),
            UnsharedDataCell::FromPercentRatio(total / double(dayVolume)));
    row.Set(QStringLiteral("relative_deal_volume_ratio"),
            UnsharedDataCell::FromPercentRatio(total / double(maxTotalVolume)));
    return row;
}

JoinMethodResult JoinPriceDeals(ScopeTreeNode& target, const ScopeTreeNode& source) {
    return JoinAsTable<ResponsePkgEntity_12915>(
        target, source, [](const ResponsePkgEntity_12915& e, QList<DataRow>& rows) {
            rows.reserve(int(e.records.size()));
            for (const PriceDealRecord& r : e.records) {
                rows << PriceDealRow(r, e.day_volume, e.max_total_volume);
            }
        });
}

}  // namespace deals
