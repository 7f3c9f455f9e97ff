#pragma once

#include <QtGlobal>

#include "host/quoter/QuoteData.h"
#include "host/quoter/ThousandGearsQuoteData.h"
#include "host/quoter/WillsQuoteData.h"

// The fast-quote answer as quote data: the fast-ten flag and the book in both forms.
// Threads: as QuoteData.
class ResponsePkgEntity_12989 : public QuoteData {
public:
    ResponsePkgEntity_12989() = default;
    ResponsePkgEntity_12989(const ResponsePkgEntity_12989& other) = default;
    ResponsePkgEntity_12989& operator=(const ResponsePkgEntity_12989& other) = default;
    ~ResponsePkgEntity_12989() override;

    ResponsePkgEntity_12989* Clone() const override;

    qint8 fast_ten_flag = 0;
    WillsQuoteData wills;
    ThousandGearsQuoteData gears;
};
