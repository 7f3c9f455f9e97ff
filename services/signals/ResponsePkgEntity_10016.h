#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

#include "host/quoter/QuoteData.h"

// One short-line signal: a stock hit the pattern of a signal type at a time.
// Threads: a plain value.
struct ShortLineSignal {
    QString stock_code;
    QString stock_name;
    QString signal_type_name;
    quint32 order = 0;                      // i32 with flags bit 0, else u16
    qint32 signal_type_deal_direction = 0;  // i16 on the wire, sign-extended; > 0 buy side
    qint32 signal_time = 0;                 // HHMMSSmmm: 93005120 is 09:30:05.120
    qint32 value_a = 0;                     // not interpreted
    quint32 value_b = 0;                    // u8, not interpreted
    QString signal_description;
    quint32 value_c = 0;  // u8 with flags bit 1, else 0; not interpreted
};

// A decoded 10016 answer: the signals in answer order, one implicitly shared block.
// Threads: as QuoteData.
class ResponsePkgEntity_10016 : public QuoteData {
public:
    static constexpr qint32 kWideOrderFlag = 0x1;  // flags bit 0: the order is an i32
    static constexpr qint32 kValueCFlag = 0x2;     // flags bit 1: every signal ends with value C

    ResponsePkgEntity_10016* Clone() const override { return new ResponsePkgEntity_10016(*this); }

    qint32 header_a = 0;  // not interpreted
    qint32 header_b = 0;  // not interpreted
    qint32 flags = 0;
    qint32 header_c = 0;  // not interpreted
    qint32 header_d = 0;  // not interpreted
    qint32 count = 0;     // as announced; 0 or less: no signals
    QVector<ShortLineSignal> signal_list;
};
