#pragma once

#include <vector>

#include "host/quoter/BaseQuoteData.h"

// One item of the 12988 minute indicator: three values, in wire order.
struct MinuteIndicatorItem {
    qint32 value1 = 0, value2 = 0, value3 = 0;
};

// The minute indicator of one stock as the host receives it (no join converts it): the items
// as decoded, and one row per item (MinuteIndicatorRows.h) built once per answer.
// Threads: as QuoteData.
class ResponsePkgEntity_12988 : public BaseQuoteData {
public:
    ResponsePkgEntity_12988* Clone() const override { return new ResponsePkgEntity_12988(*this); }

    std::vector<MinuteIndicatorItem> items;
};
