#include "tools/qzlv2/decode/FlowJson.h"

#include "services/minuteflow/FlowDecoder.h"
#include "services/minuteflow/FlowFields.h"

namespace qzlv2 {

QJsonObject FlowRecordToJson(const FlowRecord& record) {
    QJsonObject json{{"time", record.time}};
    for (const minuteflow::FlowField& field : minuteflow::kFlowFields) {
        json.insert(QLatin1String(field.name), double(field.get(record)));
    }
    return json;
}

QJsonArray FlowRecordsToJson(const std::vector<FlowRecord>& records) {
    QJsonArray array;
    for (const FlowRecord& record : records) {
        array.append(FlowRecordToJson(record));
    }
    return array;
}

bool DecodeFlowBody(int function, const QByteArray& body, QJsonObject& json, QString& error,
                    int* consumed) {
    if (function == 12988) {
        std::vector<MinuteIndicatorItem> items;
        if (!minuteflow::DecodeMinuteIndicatorBody(body, items, &error, consumed)) {
            return false;
        }
        QJsonArray array;
        for (const MinuteIndicatorItem& item : items) {
            array.append(QJsonArray{item.value1, item.value2, item.value3});
        }
        json.insert("record", QJsonObject{{"count", int(items.size())}, {"items", array}});
        return true;
    }
    FlowBatch batch;
    const bool ok = function == 12842
                        ? minuteflow::DecodeMinuteFlowBody(body, batch, &error, consumed)
                        : minuteflow::DecodeKlineFlowBody(body, batch, &error, consumed);
    if (!ok) {
        return false;
    }
    json.insert("record",
                QJsonObject{{"count", batch.count}, {"records", FlowRecordsToJson(batch.records)}});
    return true;
}

}  // namespace qzlv2
