#pragma once

#include <QtGlobal>

#include <vector>

#include "framework/CodeTopic.h"
#include "framework/NonNullPackage.h"
#include "host/quoter/QuoteData.h"

// Price deals (function 12915): for every price the stock traded at today, the volume traded
// there, split into buy-initiated, sell-initiated and other deals.
struct PriceDealRecord {
    quint32 price = 0;         // hundredths of the currency unit
    quint32 total_volume = 0;  // shares
    quint32 buy_volume = 0;
    quint32 sell_volume = 0;
    quint32 other_volume = 0;
};

// Threads: as QuoteData; immutable once published.
class ResponsePkgEntity_12915 : public QuoteData {
public:
    ResponsePkgEntity_12915* Clone() const override { return new ResponsePkgEntity_12915(*this); }

    quint32 max_total_volume = 0;          // the largest record total (0 without records)
    qint32 day_volume = 0;                 // shares
    std::vector<PriceDealRecord> records;  // body order
};

using ResponsePkg_12915 = NonNullPackage<ResponsePkgEntity_12915>;
using ResponsePkgTopic_12915 = CodeTopic<12915>;  // the stock code
