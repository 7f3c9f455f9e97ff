#pragma once

#include <QSharedPointer>
#include <QtGlobal>

#include "host/quoter/ThousandGearsQuoteData.h"
#include "host/quoter/WillsQuoteData.h"
#include "services/fastquote/FastQuoteLevels.h"

// The last book of a stock as the fast-quote cache keeps it, to replay to a late subscriber.
// Threads: a value; the cache hands it out as a shared pointer to const.
struct FastQuoteCacheEntry {
    qint8 fast_ten_flag = 0;
    WillsQuoteData wills;
    ThousandGearsQuoteData gears;
    FastQuoteLevelsPtr levels;  // what the stock's next book may take over from this one
};

using FastQuoteCacheValue = QSharedPointer<const FastQuoteCacheEntry>;
