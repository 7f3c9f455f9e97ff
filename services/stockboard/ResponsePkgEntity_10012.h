#pragma once

#include <QString>
#include <QtGlobal>

#include "host/quoter/QuoteData.h"

// The first record of a 10012 answer as quote data: the values themselves plus `row`, the same
// values as cells named after them (the groups carried so far; see StockDataSetDecoder.h).
// Groups whose mask bit was clear stay zero until a cached record is merged with a newer one.
// Threads: as QuoteData.
class ResponsePkgEntity_10012 : public QuoteData {
public:
    ResponsePkgEntity_10012* Clone() const override { return new ResponsePkgEntity_10012(*this); }

    QString code;
    quint32 mask = 0;             // the groups of the last answer
    quint32 carried = 0;          // the groups of every answer merged so far
    qint32 limit_up_price = 0;    // mask 0x20, hundredths of a yuan
    qint32 limit_down_price = 0;  // mask 0x20
    qint64 total_shares = 0;      // mask 0x200, shares (packed)
    qint64 float_shares = 0;      // mask 0x200, shares (packed)
    qint64 quota_balance = 0;     // mask 0x400, yuan (packed)
    quint8 quota_status = 0;      // mask 0x400, 0 open, 1 used up
    qint32 eps = 0;               // mask 0x800, 1/10000 yuan
    qint32 nav_per_share = 0;     // mask 0x800, 1/10000 yuan

    // Takes what `newer` carried: its code and mask, and each group its mask names; a group it
    // left out keeps the value held here. The row is rebuilt from every group carried.
    void MergeFrom(const ResponsePkgEntity_10012& newer);
};
