#pragma once

#include <QtGlobal>

#include <vector>

#include "framework/CodeTopic.h"
#include "framework/NonNullPackage.h"
#include "host/quoter/QuoteData.h"

// Will deals (function 12917): the order queues at the best bid and the best ask, every queued
// order's volume in queue order. A host asking API type "12917" receives this entity as decoded.
// Threads: as QuoteData; immutable once published.
class ResponsePkgEntity_12917 : public QuoteData {
public:
    ResponsePkgEntity_12917* Clone() const override { return new ResponsePkgEntity_12917(*this); }

    qint32 header_value = 0;  // not interpreted
    quint8 flag1 = 0;         // not interpreted
    quint8 flag2 = 0;         // not interpreted
    qint32 bid_price = 0;     // raw price of the best bid
    qint32 bid_order_count = 0;
    qint16 bid_volume_count = 0;      // as announced; below 1: no volumes follow
    std::vector<qint32> bid_volumes;  // shares, queue order
    quint8 ask_flag = 0;              // not interpreted
    qint32 ask_price = 0;
    qint32 ask_order_count = 0;
    qint16 ask_volume_count = 0;
    std::vector<qint32> ask_volumes;
};

using ResponsePkg_12917 = NonNullPackage<ResponsePkgEntity_12917>;
using ResponsePkgTopic_12917 = CodeTopic<12917>;  // the stock code
