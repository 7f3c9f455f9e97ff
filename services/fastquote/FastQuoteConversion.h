#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <utility>
#include <vector>

#include "host/core/DataRow.h"
#include "host/quoter/ThousandGearsQuoteData.h"
#include "host/quoter/WillsQuoteData.h"

// Turns a decoded book (raw integer prices, volumes in shares) into what a quote screen shows once
// the stock's price precision p is known:
//   level rows: "price" := FromPrice(int32 of the raw price, p);
//   queue rows: "volume_unit" := the lot unit, "will_price" := FromPrice(raw, p), every queued
//   volume becomes lots (shares / 100, truncated) and "big_volumeindex_list" names the big ones.
// An order is big when lots >= 2000, or lots x raw price >= 1,000,000, or lots >= 600, or
// 300,000 < lots x raw price < 1,000,000; the amount uses the raw integer price as received.
// Rows that share their cells (fillers; a level row in both the vector and the map) are
// converted once and the converted row is shared again.
// Threads: stateless; any thread, on data the caller owns.
struct FastQuoteConvertedBook;

class FastQuoteConversion {
public:
    static constexpr qint64 kBigLots = 2000;          // lots
    static constexpr qint64 kLargeLots = 600;         // lots
    static constexpr double kBigAmount = 1000000.0;   // lots x raw price
    static constexpr double kLargeAmount = 300000.0;  // lots x raw price, exclusive

    // Converts both row vectors of `wills` and every row of `gears`.
    static void ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears, int precision);

    // As above, for a node whose last conversion left `previous` (null: none): a row that is
    // (shares its cells with) a row converted last time at the same precision takes that
    // conversion over, and a map that is the one converted last time takes over the converted
    // map. `next` receives what the following conversion may take over.
    static void ConvertBook(WillsQuoteData& wills, ThousandGearsQuoteData& gears, int precision,
                            const FastQuoteConvertedBook* previous,
                            std::shared_ptr<const FastQuoteConvertedBook>& next);

    static void ConvertLevelRow(nscell::DataRow& row, int precision);
    static void ConvertQueueRow(nscell::DataRow& row, int precision);
    static bool IsBigOrder(qint64 lots, double amount);
};

// What a node's last conversion leaves for the next: each raw row it converted beside its
// converted form, and each raw map of the book beside the converted map.
// Threads: immutable once built; shared by const pointer.
struct FastQuoteConvertedBook {
    using RowPairs = std::vector<std::pair<nscell::DataRow, nscell::DataRow>>;  // raw, converted
    static constexpr int kMaps = 4;  // buy levels, sell levels, buy queues, sell queues

    int precision = -1;
    RowPairs levels;
    RowPairs queues;
    ThousandGearsQuoteData::RowMap raw[kMaps];
    ThousandGearsQuoteData::RowMap converted[kMaps];
};
