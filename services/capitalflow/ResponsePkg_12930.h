#pragma once

#include <QtGlobal>

#include "framework/CodeTopic.h"
#include "framework/PackageQuoteData.h"

// One stock's Level-2 capital flow (function 12930), in wire units: the buy and sell totals and
// averages, "ddx", the volume difference, and the buy and sell volumes of each order size.
// Threads: plain values.
struct ResponsePkg_12930 {
    qint32 total_sell = 0;
    qint32 average_sell = 0;
    qint32 total_buy = 0;
    qint32 average_buy = 0;
    qint16 ddx = 0;
    qint32 volume_diff = 0;
    qint32 extra_large_buy_volume = 0;
    qint32 extra_large_sell_volume = 0;
    qint32 large_buy_volume = 0;
    qint32 large_sell_volume = 0;
    qint32 medium_buy_volume = 0;
    qint32 medium_sell_volume = 0;
    qint32 little_buy_volume = 0;
    qint32 little_sell_volume = 0;
};

// Calls visit(name, value) for each field, in declaration order: the one list of the fields'
// names that the join's columns and the JSON dump's keys share.
template <typename Visit>
void ForEachField(const ResponsePkg_12930& p, Visit&& visit) {
    visit("total_sell", p.total_sell);
    visit("average_sell", p.average_sell);
    visit("total_buy", p.total_buy);
    visit("average_buy", p.average_buy);
    visit("ddx", p.ddx);
    visit("volume_diff", p.volume_diff);
    visit("extra_large_buy_volume", p.extra_large_buy_volume);
    visit("extra_large_sell_volume", p.extra_large_sell_volume);
    visit("large_buy_volume", p.large_buy_volume);
    visit("large_sell_volume", p.large_sell_volume);
    visit("medium_buy_volume", p.medium_buy_volume);
    visit("medium_sell_volume", p.medium_sell_volume);
    visit("little_buy_volume", p.little_buy_volume);
    visit("little_sell_volume", p.little_sell_volume);
}

using ResponsePkgEntity_12930 = PackageQuoteData<ResponsePkg_12930>;
using ResponsePkgTopic_12930 = CodeTopic<12930>;  // the stock code
