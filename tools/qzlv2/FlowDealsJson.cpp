#include "tools/qzlv2/FlowDealsJson.h"

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

}  // namespace

QJsonObject StockFlowToJson(const ResponsePkgEntity_12930& e) {
    const ResponsePkg_12930& p = e.package;
    return QJsonObject{{"total_sell", p.total_sell},
                       {"average_sell", p.average_sell},
                       {"total_buy", p.total_buy},
                       {"average_buy", p.average_buy},
                       {"ddx", p.ddx},
                       {"volume_diff", p.volume_diff},
                       {"extra_large_buy_volume", p.extra_large_buy_volume},
                       {"extra_large_sell_volume", p.extra_large_sell_volume},
                       {"large_buy_volume", p.large_buy_volume},
                       {"large_sell_volume", p.large_sell_volume},
                       {"medium_buy_volume", p.medium_buy_volume},
                       {"medium_sell_volume", p.medium_sell_volume},
                       {"little_buy_volume", p.little_buy_volume},
                       {"little_sell_volume", p.little_sell_volume}};
}

// i64 amounts: exact in JSON up to 2^53.
QJsonObject BoardFlowToJson(const ResponsePkgEntity_12932& e) {
    const ResponsePkg_12932& p = e.package;
    return QJsonObject{{"extra_large_buy_amount", double(p.extra_large_buy_amount)},
                       {"extra_large_sell_amount", double(p.extra_large_sell_amount)},
                       {"large_buy_amount", double(p.large_buy_amount)},
                       {"large_sell_amount", double(p.large_sell_amount)},
                       {"medium_buy_amount", double(p.medium_buy_amount)},
                       {"medium_sell_amount", double(p.medium_sell_amount)},
                       {"little_buy_amount", double(p.little_buy_amount)},
                       {"little_sell_amount", double(p.little_sell_amount)}};
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
                       {"bid_volumes", Volumes(e.bid_volumes)},
                       {"ask_flag", e.ask_flag},
                       {"ask_price", e.ask_price},
                       {"ask_order_count", e.ask_order_count},
                       {"ask_volumes", Volumes(e.ask_volumes)}};
}

}  // namespace qzlv2
