#pragma once

#include <QList>

#include "host/quoter/QuoteData.h"

// A table: an ordered list of rows (column name -> cell).
// Threads: as QuoteData.
class DealsQuoteData : public QuoteData {
public:
    DealsQuoteData* Clone() const override;

    QList<nscell::DataRow> rows;
};
