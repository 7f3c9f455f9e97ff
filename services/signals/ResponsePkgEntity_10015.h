#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

#include "host/quoter/QuoteData.h"

// One short-line signal type of the catalogue.
// Threads: a plain value.
struct SignalType {
    QString signal_type_code;
    quint32 signal_type_group_code = 0;  // u16 on the wire
    QString signal_type_group_name;
    QString signal_type_name;
    quint32 level = 0;  // u8 on the wire when flags bit 0 is set; else 0. No join uses it.
};

// A decoded 10015 answer: the catalogue of signal types in answer order, one implicitly shared
// block.
// Threads: as QuoteData.
class ResponsePkgEntity_10015 : public QuoteData {
public:
    static constexpr qint32 kLevelFlag = 0x1;  // flags bit 0: every entry carries its level

    ResponsePkgEntity_10015* Clone() const override { return new ResponsePkgEntity_10015(*this); }

    qint32 header_a = 0;  // not interpreted
    qint32 header_b = 0;  // not interpreted
    qint32 flags = 0;
    quint16 count = 0;
    QVector<SignalType> types;
};
