#include "services/fastquote/FastQuoteRows.h"

#include "services/fastquote/FastQuoteColumns.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace fastquote {

const UnsharedDataCell& LotUnitCell() {
    static const UnsharedDataCell cell =
        UnsharedDataCell::FromMagnitudeUnit(kSharesPerLot, kLotText);
    return cell;
}

DataRow MakeLevelRow(const QString& type, qint64 price, qint64 volume, qint64 isBig) {
    DataRow row;  // columns in name order: each is appended without a search
    row.Set(kIsBig, UnsharedDataCell::FromBigInteger(isBig));
    row.Set(kPrice, UnsharedDataCell::FromBigInteger(price));
    row.Set(kType, UnsharedDataCell(type));
    row.Set(kVol, UnsharedDataCell::FromBigInteger(volume));
    return row;
}

DataRow MakeQueueRow(const QString& type, qint64 price, qint64 orderCount, const QString& volumes) {
    DataRow row;  // columns in name order
    row.Set(kTotalWillCount, UnsharedDataCell::FromBigInteger(orderCount));
    row.Set(kVolumeUnit, LotUnitCell());
    row.Set(kWillPrice, UnsharedDataCell::FromBigInteger(price));
    row.Set(kWillType, UnsharedDataCell(type));
    row.Set(kWillVolumeList, UnsharedDataCell(volumes));
    return row;
}

DataRow MakeFillerLevelRow(const QString& type) {
    return MakeLevelRow(type, 0, 0, 0);
}

DataRow MakeFillerQueueRow(const QString& type) {
    DataRow row = MakeQueueRow(type, 0, 0, QString());
    row.Set(kBigVolumeIndexList, UnsharedDataCell(QString()));
    return row;
}

}  // namespace fastquote
