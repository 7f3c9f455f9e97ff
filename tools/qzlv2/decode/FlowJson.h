#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>

#include <vector>

#include "services/minuteflow/FlowRecord.h"

// The minute-flow packages as JSON, keys named after the flow record's fields ("time",
// "superin" ... "net_capital_flow"), values in wire units (packed fields as the numbers they
// stand for). 12988 items are [value1, value2, value3] arrays, in wire order.
// Threads: stateless.
namespace qzlv2 {

QJsonObject FlowRecordToJson(const FlowRecord& record);
QJsonArray FlowRecordsToJson(const std::vector<FlowRecord>& records);
// Adds "record": {"count", "records"} (12988: {"count", "items"}) to `json`; false with `error`
// when the body is rejected. `consumed` (when given) is where the decoded body ended.
bool DecodeFlowBody(int function, const QByteArray& body, QJsonObject& json, QString& error,
                    int* consumed = nullptr);

}  // namespace qzlv2
