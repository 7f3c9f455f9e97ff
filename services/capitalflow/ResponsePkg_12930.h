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

using ResponsePkgEntity_12930 = PackageQuoteData<ResponsePkg_12930>;
using ResponsePkgTopic_12930 = CodeTopic<12930>;  // the stock code
