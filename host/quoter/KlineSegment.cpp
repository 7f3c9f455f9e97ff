#include "host/quoter/KlineSegment.h"

KlineSegment::KlineSegment(const QString& segmentName)
    : segment_name(segmentName), header(QSharedPointer<DynamicDataGridHeader>::create()) {}

// The header is deep-copied: a copy adding columns must not move the original's cells.
KlineSegment::KlineSegment(const KlineSegment& other)
    : QuoteData(other),
      segment_name(other.segment_name),
      header(other.header ? QSharedPointer<DynamicDataGridHeader>::create(*other.header)
                          : QSharedPointer<DynamicDataGridHeader>()),
      rows(other.rows) {}

KlineSegment& KlineSegment::operator=(const KlineSegment& other) {
    if (this != &other) {
        KlineSegment copy(other);
        QuoteData::operator=(copy);
        segment_name = copy.segment_name;
        header = copy.header;
        rows = copy.rows;
    }
    return *this;
}

KlineSegment* KlineSegment::Clone() const {
    return new KlineSegment(*this);
}

int KlineSegment::AppendRow() {
    rows.append(Row());
    return rows.size() - 1;
}

bool KlineSegment::SetCell(int rowIndex, int columnId, const nscell::UnsharedDataCell& cell) {
    if (rowIndex < 0 || rowIndex >= rows.size()) {
        return false;
    }
    if (!header) {
        header = QSharedPointer<DynamicDataGridHeader>::create();
    }
    const int index = header->GetIndex(columnId, true);
    Row& row = rows[rowIndex];
    if (row.size() <= index) {
        row.resize(index + 1);
    }
    row[index] = cell;
    return true;
}

nscell::UnsharedDataCell KlineSegment::Cell(int rowIndex, int columnId) const {
    if (!header || rowIndex < 0 || rowIndex >= rows.size()) {
        return nscell::UnsharedDataCell();
    }
    const int index = header->IndexOf(columnId);
    const Row& row = rows.at(rowIndex);
    return index >= 0 && index < row.size() ? row.at(index) : nscell::UnsharedDataCell();
}
