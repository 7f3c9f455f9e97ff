#include "tools/qzlv2-gui/panels/PriceVolumeModel.h"

#include <QFont>

#include <algorithm>

namespace qzgui {

namespace {

constexpr qint64 kSharesPerLot = 100;
// The column of each Column, by its index (none for the price and the bar).
const char* const kVolumeColumns[] = {nullptr,
                                      nullptr,
                                      "total_deal_volume",
                                      "buy_deal_volume",
                                      "sell_deal_volume",
                                      "other_deal_volume"};

qint64 Shares(const nscell::DataRow& row, const char* column) {
    return row.Get(QLatin1String(column)).ToInt64();
}

}  // namespace

void PriceVolumeModel::SetTable(const qzviews::PriceVolumeView& view) {
    beginResetModel();
    rows_ = view.rows();
    last_ = view.last();
    busiest_ = 1;
    for (const nscell::DataRow& row : rows_) {
        busiest_ = std::max(busiest_, Shares(row, "total_deal_volume"));
    }
    endResetModel();
}

int PriceVolumeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.size();
}

int PriceVolumeModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PriceVolumeModel::data(const QModelIndex& index, int role) const {
    const nscell::DataRow& row = rows_.at(index.row());
    const int column = index.column();
    const QString price = row.Get(QStringLiteral("deal_price")).DisplayText();
    if (role == Qt::DisplayRole) {
        if (column == Price) {
            return price;
        }
        return column == Bar ? QVariant()
                             : QVariant(Shares(row, kVolumeColumns[column]) / kSharesPerLot);
    }
    if (role == BarRole && column == Bar) {
        return QVariantList{Shares(row, "buy_deal_volume"), Shares(row, "sell_deal_volume"),
                            Shares(row, "other_deal_volume"), busiest_};
    }
    if (role == Qt::TextAlignmentRole && column != Bar) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == Qt::FontRole && price == last_) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::ForegroundRole && column == Buy) {
        return theme_.Up();
    }
    if (role == Qt::ForegroundRole && column == Sell) {
        return theme_.Down();
    }
    return QVariant();
}

QVariant PriceVolumeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    static const char* const kHeads[] = {"price", "", "total", "buy", "sell", "other"};
    return QString::fromLatin1(kHeads[section]);
}

}  // namespace qzgui
