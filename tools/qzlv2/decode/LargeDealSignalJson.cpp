#include "tools/qzlv2/decode/LargeDealSignalJson.h"

#include <QJsonArray>

namespace qzlv2 {

namespace {

QJsonObject RecordToJson(const LargeDealRecord& r) {
    return QJsonObject{
        {"sequence", r.sequence},
        {"time", qint64(r.time)},
        {"deal_price", r.deal_price},
        {"number", r.number},
        {"In_number", r.in_number},
        {"Out_number", r.out_number},
        {"carried", QJsonArray{double(r.value_a), double(r.value_b), r.value_c, r.value_d}}};
}

QJsonObject SignalToJson(const ShortLineSignal& s) {
    return QJsonObject{{"stock_code", s.stock_code},
                       {"stock_name", s.stock_name},
                       {"signal_type_name", s.signal_type_name},
                       {"order", qint64(s.order)},
                       {"signal_type_deal_direction", s.signal_type_deal_direction},
                       {"signal_time", s.signal_time},
                       {"value_a", s.value_a},
                       {"value_b", qint64(s.value_b)},
                       {"signal_description", s.signal_description},
                       {"value_c", qint64(s.value_c)}};
}

}  // namespace

QJsonObject LargeDealToJson(const ResponsePkgEntity_12990& answer) {
    QJsonArray records;
    for (const LargeDealRecord& r : answer.records) {
        records.append(RecordToJson(r));
    }
    return QJsonObject{{"header_byte", answer.header_byte},
                       {"first_sequence", answer.first_sequence},
                       {"next_sequence", answer.next_sequence},
                       {"records", records}};
}

QJsonObject SignalTypesToJson(const ResponsePkgEntity_10015& catalogue) {
    QJsonArray types;
    for (const SignalType& t : catalogue.types) {
        types.append(QJsonObject{{"signal_type_code", t.signal_type_code},
                                 {"signal_type_group_code", qint64(t.signal_type_group_code)},
                                 {"signal_type_group_name", t.signal_type_group_name},
                                 {"signal_type_name", t.signal_type_name},
                                 {"level", qint64(t.level)}});
    }
    return QJsonObject{{"header_a", catalogue.header_a},
                       {"header_b", catalogue.header_b},
                       {"flags", catalogue.flags},
                       {"count", catalogue.count},
                       {"signal_types", types}};
}

QJsonObject SignalsToJson(const ResponsePkgEntity_10016& answer) {
    QJsonArray list;
    for (const ShortLineSignal& s : answer.signal_list) {
        list.append(SignalToJson(s));
    }
    return QJsonObject{{"header_a", answer.header_a},
                       {"header_b", answer.header_b},
                       {"flags", answer.flags},
                       {"header_c", answer.header_c},
                       {"header_d", answer.header_d},
                       {"count", answer.count},
                       {"signals", list}};
}

}  // namespace qzlv2
