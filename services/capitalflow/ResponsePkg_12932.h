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

// Calls visit(name, value) for each field, in declaration order (see ResponsePkg_12930.h).
template <typename Visit>
void ForEachField(const ResponsePkg_12932& p, Visit&& visit) {
    visit("extra_large_buy_amount", p.extra_large_buy_amount);
    visit("extra_large_sell_amount", p.extra_large_sell_amount);
    visit("large_buy_amount", p.large_buy_amount);
    visit("large_sell_amount", p.large_sell_amount);
    visit("medium_buy_amount", p.medium_buy_amount);
    visit("medium_sell_amount", p.medium_sell_amount);
    visit("little_buy_amount", p.little_buy_amount);
    visit("little_sell_amount", p.little_sell_amount);
}

using ResponsePkgEntity_12932 = PackageQuoteData<ResponsePkg_12932>;
using ResponsePkgTopic_12932 = CodeTopic<12932>;  // the board code
