#include "host/quoter/QuoteData.h"
#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "host/quoter/ThousandGearsQuoteData.h"
#include "host/quoter/WillsQuoteData.h"

// Rows are copy-on-write values, so copy construction is already a deep copy for everything
// but shared pointers to other quote data, which BaseQuoteData clones itself.

QuoteData::~QuoteData() = default;

QuoteData* QuoteData::Clone() const {
    return new QuoteData(*this);
}

DealsQuoteData* DealsQuoteData::Clone() const {
    return new DealsQuoteData(*this);
}

BaseQuoteData* BaseQuoteData::Clone() const {
    auto* copy = new BaseQuoteData(*this);
    for (auto it = copy->sources.begin(); it != copy->sources.end(); ++it) {
        if (it.value()) {
            it.value() = QSharedPointer<QuoteData>(it.value()->Clone());
        }
    }
    return copy;
}

WillsQuoteData* WillsQuoteData::Clone() const {
    return new WillsQuoteData(*this);
}

ThousandGearsQuoteData* ThousandGearsQuoteData::Clone() const {
    return new ThousandGearsQuoteData(*this);
}

ResponsePkgEntity_12989::~ResponsePkgEntity_12989() = default;

ResponsePkgEntity_12989* ResponsePkgEntity_12989::Clone() const {
    return new ResponsePkgEntity_12989(*this);
}
