#include "tools/qzlv2/decode/FlowDealsJson.h"

#include <QJsonArray>

namespace qzlv2 {

namespace {

QJsonArray Volumes(const std::vector<qint32>& volumes) {
    QJsonArray out;
    for (qint32 v : volumes) {
        out.append(v);
    }
    return out;
}

// Every value as a JSON number; i64 amounts are exact up to 2^53.
template <typename Package>
QJsonObject FieldsToJson(const Package& p) {
    QJsonObject out;
    ForEachField(p, [&out](const char* name, qint64 value) {
        out.insert(QLatin1String(name), double(value));
    });
    return out;
}

}  // namespace

QJsonObject StockFlowToJson(const ResponsePkgEntity_12930& e) {
    return FieldsToJson(e.package);
}

QJsonObject BoardFlowToJson(const ResponsePkgEntity_12932& e) {
    return FieldsToJson(e.package);
}

QJsonObject BoardAnalysisToJson(const ResponsePkgEntity_12973& e) {
    return QJsonObject{{"entry_count", e.package.entry_count},
                       {"CurrentDayLargeInCapital", e.package.CurrentDayLargeInCapital}};
}

QJsonObject PriceDealsToJson(const ResponsePkgEntity_12915& e) {
    QJsonArray records;
    for (const PriceDealRecord& r : e.records) {
        records.append(QJsonObject{{"price", double(r.price)},
                                   {"total_volume", double(r.total_volume)},
                                   {"buy_volume", double(r.buy_volume)},
                                   {"sell_volume", double(r.sell_volume)},
                                   {"other_volume", double(r.other_volume)}});
    }
    return QJsonObject{{"max_total_volume", double(e.max_total_volume)},
                       {"day_volume", e.day_volume},
                       {"records", records}};
}

QJsonObject WillDealsToJson(const ResponsePkgEntity_12917& e) {
    return QJsonObject{{"header_value", e.header_value},
                       {"flags", QJsonArray{e.flag1, e.flag2}},
                       {"bid_price", e.bid_price},
                       {"bid_order_count", e.bid_order_count},
                       {"bid_volume_count", e.bid_volume_count},
                       {"bid_volumes", Volumes(e.bid_volumes)},
                       {"ask_flag", e.ask_flag},
                       {"ask_price", e.ask_price},
                       {"ask_order_count", e.ask_order_count},
                       {"ask_volume_count", e.ask_volume_count},
                       {"ask_volumes", Volumes(e.ask_volumes)}};
}

}  // namespace qzlv2
