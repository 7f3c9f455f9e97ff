#pragma once

#include <QSharedPointer>
#include <QString>
#include <QVector>

#include "host/core/DataRow.h"
#include "host/core/DynamicDataGridHeader.h"
#include "host/quoter/QuoteData.h"

// A stretch of K-line data: a named segment whose rows hold cells at the positions the column
// header gives for column ids (header->GetIndex(id, true) adds a column on first use).
// Clone deep-copies the header as well.
// Threads: as QuoteData.
class KlineSegment : public QuoteData {
public:
    using Row = QVector<nscell::UnsharedDataCell>;

    explicit KlineSegment(const QString& segmentName = QString());
    KlineSegment(const KlineSegment& other);
    KlineSegment& operator=(const KlineSegment& other);
    KlineSegment* Clone() const override;

    // Appends an empty row; its index.
    int AppendRow();
    int RowCount() const { return rows.size(); }
    // Puts the cell at the column's index in the row (creating the column); false for a bad row.
    bool SetCell(int rowIndex, int columnId, const nscell::UnsharedDataCell& cell);
    // The cell of a column in a row; empty when either is unknown.
    nscell::UnsharedDataCell Cell(int rowIndex, int columnId) const;

    QString segment_name;
    QSharedPointer<DynamicDataGridHeader> header;
    QVector<Row> rows;
};
