#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include "services/largedeals/ResponsePkgEntity_12990.h"

// The server side of the large deals: builds a 12990 body (the records' sequences are implied by
// the first sequence), for the simulated server, tests, benchmarks and fuzz seeds.
// Threads: stateless.
namespace simwire {

struct LargeDealAnswer {
    QString code;
    quint16 header_value = 0;
    qint32 first_sequence = 0;
    QVector<LargeDealRecord> records;
    // The count the body announces; -1: the number of records. A latest-deal answer may
    // announce 0 and carry its one record all the same.
    int announced = -1;
};

QByteArray EncodeLargeDealBody(const LargeDealAnswer& answer);

}  // namespace simwire
