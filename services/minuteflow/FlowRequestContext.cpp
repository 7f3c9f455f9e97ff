#include "services/minuteflow/FlowRequestContext.h"

#include "host/core/CTVar.h"
#include "host/core/UnsharedDataCell.h"

namespace minuteflow {

namespace {
const QString kCode = QStringLiteral("seccode");
const QString kCycle = QStringLiteral("cyclecode");
const QString kXr = QStringLiteral("secxrcode");
const QString kChart = QStringLiteral("charcode");
const QString kRevindex = QStringLiteral("revindex");
const QString kRevcount = QStringLiteral("revcount");
const QString kTimestamp = QStringLiteral("timestamp");
}  // namespace

void FillContext(CKeyGroup& keys, const SeriesRequest& request) {
    keys.Append(kCode, CTVar(request.code));
    keys.Append(kCycle, CTVar(request.cycle));
    keys.Append(kXr, CTVar(QStringLiteral("xrtype_none")));
    keys.Append(kChart, CTVar(QStringLiteral("kline")));
    keys.Append(kRevindex, CTVar(int(request.revindex)));
    if (request.revcount >= 0) {
        keys.Append(kRevcount, CTVar(int(request.revcount)));
    }
    keys.Append(kTimestamp,
                CTVar::FromDataCell(nscell::UnsharedDataCell::FromInteger(request.created)));
}

SeriesRequest ReadContext(const CKeyGroup& keys) {
    SeriesRequest request;
    request.code = keys.Value(kCode).ToString();
    request.cycle = keys.Value(kCycle).ToString();
    request.revindex = keys.Value(kRevindex).ToInt();
    request.revcount = keys.Value(kRevcount).ToInt();
    request.created = keys.Value(kTimestamp).ToInt64();
    return request;
}

}  // namespace minuteflow
