#pragma once

#include <vector>

#include "host/quoter/QuoteData.h"

// An order book by levels: a summary row and one row per price level of each side, in book
// order.
// Threads: as QuoteData.
struct WillsQuoteData : public QuoteData {
    WillsQuoteData* Clone() const override;

    nscell::DataRow summary;
    std::vector<nscell::DataRow> sell_rows;
    std::vector<nscell::DataRow> buy_rows;
};
