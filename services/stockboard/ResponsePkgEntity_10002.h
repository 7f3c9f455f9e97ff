#pragma once

#include "host/quoter/QuoteData.h"
#include "services/stockboard/StockSnapshot.h"

// The 10001/10002 per-stock snapshot as quote data handed to the host.
// Threads: as QuoteData.
class ResponsePkgEntity_10002 : public QuoteData {
public:
    ResponsePkgEntity_10002() = default;
    explicit ResponsePkgEntity_10002(const StockSnapshot& value) : snapshot(value) {}
    ResponsePkgEntity_10002* Clone() const override { return new ResponsePkgEntity_10002(*this); }

    StockSnapshot snapshot;
};
