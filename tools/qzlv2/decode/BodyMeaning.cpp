#include "tools/qzlv2/decode/BodyMeaning.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <initializer_list>

namespace qzlv2 {

namespace {

// The keys whose values carry a function's meaning (none listed: the whole record), and what the
// body means when every number in them is 0 and every list empty.
struct Rule {
    int function;
    std::initializer_list<const char*> keys;
    const char* nothing;
};

const Rule kRules[] = {
    {12989, {"buy_rows", "sell_rows"}, "an empty book: no price level on either side"},
    {12915, {"day_volume", "records"}, "no deal: a day volume of 0 and no price traded"},
    {12917,
     {"bid_price", "bid_order_count", "bid_volumes", "ask_price", "ask_order_count", "ask_volumes"},
     "no queue: both best prices 0 and no order queued"},
    {12930, {}, "no flow: every volume, price and ratio is 0"},
    {12932, {}, "no flow: every amount is 0"},
    {12973, {}, "no board analysis: no entry and no large-order inflow"},
    {12842, {"records"}, "no minute flow record"},
    {12844, {"records"}, "no K-line flow record"},
    {12988, {"items"}, "no indicator item"},
    {12990, {"records"}, "no large deal"},
    {10015, {"count"}, "no signal type"},
    {10016, {"signals"}, "no signal"},
};

// Texts name things and carry no amount: they do not count.
bool AllZero(const QJsonValue& value) {
    if (value.isDouble()) {
        return value.toDouble() == 0;
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(),
                           [](const QJsonValue& v) { return AllZero(v); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        return std::all_of(object.begin(), object.end(),
                           [](const QJsonValue& v) { return AllZero(v); });
    }
    return true;
}

bool AllZero(const QJsonObject& record, std::initializer_list<const char*> keys) {
    if (keys.size() == 0) {
        return AllZero(QJsonValue(record));
    }
    return std::all_of(keys.begin(), keys.end(),
                       [&](const char* key) { return AllZero(record.value(QLatin1String(key))); });
}

}  // namespace

QString NothingMeant(int function, const QJsonValue& record) {
    if (record.isNull()) {
        return QStringLiteral("no record (the body announces none)");
    }
    for (const Rule& rule : kRules) {
        if (rule.function == function && AllZero(record.toObject(), rule.keys)) {
            return QLatin1String(rule.nothing);
        }
    }
    return QString();
}

}  // namespace qzlv2
