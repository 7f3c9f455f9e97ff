#pragma once

#include <QVector>
#include <QtGlobal>

#include "host/quoter/QuoteData.h"

// One large deal: a trade big enough to be flagged, with the volumes the server attributes to
// buying (in) and selling (out).
// Threads: a plain value.
struct LargeDealRecord {
    qint32 sequence = 0;    // the answer's first sequence + position in the answer
    quint32 time = 0;       // HHMMSS as the server sends it
    qint32 deal_price = 0;  // hundredths of a yuan
    qint32 number = 0;      // deal volume, shares
    qint64 value_a = 0;     // carried, not interpreted
    qint64 value_b = 0;     // carried, not interpreted
    qint32 in_number = 0;   // shares attributed to buyers
    qint32 out_number = 0;  // shares attributed to sellers
    qint32 value_c = 0;     // carried, not interpreted
    qint32 value_d = 0;     // carried, not interpreted

    bool operator==(const LargeDealRecord& o) const {
        return sequence == o.sequence && time == o.time && deal_price == o.deal_price &&
               number == o.number && value_a == o.value_a && value_b == o.value_b &&
               in_number == o.in_number && out_number == o.out_number && value_c == o.value_c &&
               value_d == o.value_d;
    }
};

// A decoded 12990 answer. The records are one implicitly shared block (one allocation per
// answer), in body order.
// Threads: as QuoteData.
class ResponsePkgEntity_12990 : public QuoteData {
public:
    ResponsePkgEntity_12990* Clone() const override { return new ResponsePkgEntity_12990(*this); }

    quint8 header_byte = 0;  // low byte of the header value; not interpreted
    qint32 first_sequence = 0;
    qint32 next_sequence = 0;  // first sequence + records read
    QVector<LargeDealRecord> records;
};
