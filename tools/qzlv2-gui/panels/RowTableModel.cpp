#include "tools/qzlv2-gui/panels/RowTableModel.h"

namespace qzgui {

void RowTableModel::SetRows(const QList<nscell::DataRow>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

int RowTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.size();
}

int RowTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant RowTableModel::data(const QModelIndex& index, int role) const {
    const Column& column = columns_[size_t(index.column())];
    const nscell::DataRow& row = rows_.at(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return column.text(row);
        case Qt::ForegroundRole:
            return column.colour ? column.colour(row) : QVariant();
        case Qt::TextAlignmentRole:
            return int((column.right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        default:
            return QVariant();
    }
}

QVariant RowTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    return columns_[size_t(section)].head;
}

}  // namespace qzgui
