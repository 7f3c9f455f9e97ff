#pragma once

#include <QtGlobal>

#include "framework/CodeTopic.h"
#include "framework/PackageQuoteData.h"

// A board's capital flow (function 12932): buy and sell amounts of each order size, extra-large
// first and buy before sell (the wire's order differs; see CapitalFlowDecoders.h). All 0 when
// the answer leaves the group out.
// Threads: plain values.
struct ResponsePkg_12932 {
    qint64 extra_large_buy_amount = 0;
    qint64 extra_large_sell_amount = 0;
    qint64 large_buy_amount = 0;
    qint64 large_sell_amount = 0;
    qint64 medium_buy_amount = 0;
    qint64 medium_sell_amount = 0;
    qint64 little_buy_amount = 0;
    qint64 little_sell_amount = 0;
};

using ResponsePkgEntity_12932 = PackageQuoteData<ResponsePkg_12932>;
using ResponsePkgTopic_12932 = CodeTopic<12932>;  // the board code
