#pragma once

#include <QAbstractTableModel>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/PriceVolumeView.h"

// The day's price-volume table as an item model: one row a traded price, highest first, columns
// price, the bar, and total, buy, sell and other lots; the bar cell carries the row's buy, sell
// and other shares and the busiest price's total (BarRole) for VolumeBarDelegate. The last
// price's row is bold.
// Threads: main thread only.
namespace qzgui {

class PriceVolumeModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Price, Bar, Total, Buy, Sell, Other, ColumnCount };
    static constexpr int BarRole = Qt::UserRole + 1;  // QVariantList: buy, sell, other, busiest

    explicit PriceVolumeModel(const Theme& theme, QObject* parent = nullptr)
        : QAbstractTableModel(parent), theme_(theme) {}

    void SetTable(const qzviews::PriceVolumeView& view);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Theme& theme_;
    QList<nscell::DataRow> rows_;
    QString last_;
    qint64 busiest_ = 1;
};

}  // namespace qzgui
