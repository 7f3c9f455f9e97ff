#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <vector>

#include "host/core/DataRow.h"

// A table of joined rows (the large-deal ticker, the signal feed, the signal statistics) as an
// item model: each column a head and what it shows of a row (its text, and optionally its
// colour).
// Threads: main thread only.
namespace qzgui {

class RowTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString head;
        std::function<QVariant(const nscell::DataRow&)> text;
        std::function<QVariant(const nscell::DataRow&)> colour = nullptr;  // null: the text's
        bool right = false;                                                // aligned right
    };

    explicit RowTableModel(std::vector<Column> columns, QObject* parent = nullptr)
        : QAbstractTableModel(parent), columns_(std::move(columns)) {}

    void SetRows(const QList<nscell::DataRow>& rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Column> columns_;
    QList<nscell::DataRow> rows_;
};

}  // namespace qzgui
