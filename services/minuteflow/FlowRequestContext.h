#pragma once

#include <QString>

#include "host/core/CKeyGroup.h"

// The process context of a 12842 or 12844 request, in key order: "seccode", "cyclecode",
// "secxrcode" ("xrtype_none"), "charcode" ("kline"), "revindex", "revcount" (12844 only),
// "timestamp". The answer brings it back, and with it the series it belongs to.
// Stateless; callable from any thread.
namespace minuteflow {

struct SeriesRequest {
    QString code;
    QString cycle;
    qint32 revindex = 0;
    qint32 revcount = -1;  // -1: not part of the request (12842)
    qint64 created = 0;    // ms since the epoch
};

void FillContext(CKeyGroup& keys, const SeriesRequest& request);
SeriesRequest ReadContext(const CKeyGroup& keys);

}  // namespace minuteflow
