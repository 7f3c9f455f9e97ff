#pragma once

#include <QHash>
#include <QVector>

// The column table of a data grid whose columns appear as data arrives: column id -> index,
// indexes given in order of first use.
//
// Threads: not thread-safe; owned by the grid (one thread at a time).
class DynamicDataGridHeader {
public:
    int GetCapacity() const { return ids_.size(); }
    // The column's index; an unknown id is appended when create is true, else gives -1.
    int GetIndex(int columnId, bool create);
    int IndexOf(int columnId) const { return index_.value(columnId, -1); }
    int ColumnId(int index) const { return ids_.value(index, -1); }
    QVector<int> ColumnIds() const { return ids_; }

private:
    QHash<int, int> index_;  // column id -> index
    QVector<int> ids_;       // index -> column id
};
