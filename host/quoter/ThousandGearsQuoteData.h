#pragma once

#include <QMap>

#include <vector>

#include "host/core/UnsharedDataCell.h"
#include "host/quoter/QuoteData.h"

// An order book by price: per side, the level rows and the queue rows keyed by price cell
// (ascending as cells order). The reserved rows belong to book forms this data source does not
// fill; they are carried along.
// Threads: as QuoteData.
struct ThousandGearsQuoteData : public QuoteData {
    using RowMap = QMap<nscell::UnsharedDataCell, nscell::DataRow>;

    ThousandGearsQuoteData* Clone() const override;

    RowMap buy_levels;
    RowMap buy_queues;
    RowMap sell_levels;
    RowMap sell_queues;
    std::vector<nscell::DataRow> reserved_rows_1;
    std::vector<nscell::DataRow> reserved_rows_2;
    nscell::DataRow reserved_row;
};
