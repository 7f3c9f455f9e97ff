#pragma once

#include <QString>
#include <QtGlobal>

#include "host/core/DataRow.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteLevels.h"

// Turns a decoded book (raw integer prices, volumes in shares) into what a quote screen shows once
// the stock's price precision p is known:
//   level rows: "price" := FromPrice(int32 of the raw price, p);
//   queue rows: "volume_unit" := the lot unit, "will_price" := FromPrice(raw, p), every queued
//   volume becomes lots (shares / 100, truncated) and "big_volumeindex_list" names the big ones.
// An order is big when lots >= 2000, or lots x raw price >= 1,000,000, or lots >= 600, or
// 300,000 < lots x raw price < 1,000,000; the amount uses the raw integer price as received.
// Rows that share their cells (fillers; a level row in both the vector and the map) are
// converted once and the converted row is shared again. Given the levels a book was decoded from,
// its queue rows are converted from their volumes as they came (the same text as from the rows').
// Threads: stateless; any thread, on data the caller owns.
class FastQuoteConversion {
public:
    static constexpr qint64 kBigLots = 2000;          // lots
    static constexpr qint64 kLargeLots = 600;         // lots
    static constexpr double kBigAmount = 1000000.0;   // lots x raw price
    static constexpr double kLargeAmount = 300000.0;  // lots x raw price, exclusive

    // Converts both row vectors of `wills` and every row of `gears`, decoded from `levels`
    // when given.
    static void ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears, int precision,
                            const FastQuoteLevels* levels = nullptr);

    // `wills` and `gears` hold the book `last` (as decoded) converted at `precision`; makes them
    // hold `next` converted. A row of `next` that is (shares its cells with) the row of `last` at
    // the same place (vector index, map price) keeps the converted row held there; only the
    // others are converted, and a map of `next` that is the map of `last` is not looked into.
    // Books the call decoded (DecodedFastQuote) are converted from their levels: a map the
    // decoder made from `last`'s puts in only the levels it changed, without a look at the rest.
    static void UpdateBook(const ResponsePkgEntity_12989& last, const ResponsePkgEntity_12989& next,
                           int precision, WillsQuoteData& wills, ThousandGearsQuoteData& gears);

    static void ConvertLevelRow(nscell::DataRow& row, int precision);
    static void ConvertQueueRow(nscell::DataRow& row, int precision);
    // The same for a queue row of `queued` volumes as they came: little-endian int32 shares.
    static void ConvertQueueRow(nscell::DataRow& row, int precision, const char* volumes,
                                int queued);
    static bool IsBigOrder(qint64 lots, double amount);
};
