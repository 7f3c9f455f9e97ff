#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

#include "host/core/SharedMap.h"
#include "host/core/UnsharedDataCell.h"

namespace nscell {

// One row of a quote table: column name -> cell, in a copy-on-write shared map, so copying a
// row is cheap and editing a copy leaves the original alone. A missing column reads as an
// empty cell. Names() lists the columns in ascending name order.
//
// Threads: a value type with the sharing rules of SharedMap.
class DataRow {
public:
    using Cells = SharedMap<QString, UnsharedDataCell>;

    DataRow() = default;
    explicit DataRow(const Cells& cells) : cells_(cells) {}

    UnsharedDataCell Get(const QString& name) const { return cells_.Value(name); }
    void Set(const QString& name, const UnsharedDataCell& cell) {
        SharedMapEditor<QString, UnsharedDataCell>(cells_).Set(name, cell);
    }
    bool Remove(const QString& name) {
        return SharedMapEditor<QString, UnsharedDataCell>(cells_).Remove(name);
    }
    bool Contains(const QString& name) const { return cells_.Contains(name); }
    int Size() const { return cells_.Size(); }
    bool IsEmpty() const { return cells_.IsEmpty(); }
    QStringList Names() const { return cells_.Keys(); }
    const Cells& GetCells() const { return cells_; }
    // The row's order value: its "order" column as an integer (0 when the column is absent).
    qint64 OrderValue() const { return Get(QStringLiteral("order")).ToInt64(); }

    bool operator==(const DataRow& o) const { return cells_ == o.cells_; }
    bool operator!=(const DataRow& o) const { return !(*this == o); }

private:
    Cells cells_;
};

}  // namespace nscell

Q_DECLARE_METATYPE(nscell::DataRow)
