#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

#include "services/minuteflow/FlowRecord.h"
#include "services/minuteflow/ResponsePkgEntity_12988.h"

// The server side of the minute capital flows: builds 12842, 12844 and 12988 bodies, for the
// simulated server, tests, benchmarks and fuzz seeds. Records carry the groups the mask names;
// packed fields are written with the smallest exponent that holds them (low bits of very large
// values are dropped, as a server would). Negative values in packed fields travel as 0.
// Threads: stateless functions.
namespace simwire {

QByteArray EncodeMinuteFlowBody(const QString& code, quint8 mask,
                                const std::vector<FlowRecord>& records);  // 12842
QByteArray EncodeKlineFlowBody(const QString& code, quint8 mask,
                               const std::vector<FlowRecord>& records);  // 12844
QByteArray EncodeMinuteIndicatorBody(const QString& code,
                                     const std::vector<MinuteIndicatorItem>& items);  // 12988

}  // namespace simwire
