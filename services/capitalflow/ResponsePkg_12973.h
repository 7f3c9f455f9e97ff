#pragma once

#include <QtGlobal>

#include "framework/CodeTopic.h"
#include "framework/PackageQuoteData.h"

// A board's stock analysis (function 12973), of which only the current day's large-order inflow
// is kept, with the number of list entries the server sent. Each is 0 when the answer leaves its
// group out.
// Threads: plain values.
struct ResponsePkg_12973 {
    quint16 entry_count = 0;
    qint32 CurrentDayLargeInCapital = 0;
};

using ResponsePkgEntity_12973 = PackageQuoteData<ResponsePkg_12973>;
using ResponsePkgTopic_12973 = CodeTopic<12973>;  // the board code
