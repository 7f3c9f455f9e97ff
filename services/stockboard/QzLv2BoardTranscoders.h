#pragma once

#include <QList>
#include <QString>

#include <functional>

#include "services/stockboard/QzLv2BoardTranscoderArgs.h"

// The stock-board keys the plug-in serves: for each, the call that provides its source field and
// the transcoder that computes its cell. A transcoder whose source is absent (not joined yet, or
// not carried) leaves the row as it was. The 10012 keys are the data set's cells as its answers
// leave them (named after the package's fields, merged across answers).
// Ratios arrive in 1/10000 and are divided in single precision (float of the integer / 10000,
// widened to double); money flows arrive in 10^4 yuan and are multiplied as 64-bit integers.
// Threads: stateless.
namespace board_transcoders {

using Transcoder = std::function<void(QzLv2BoardTranscoderArgs&)>;

struct KeyEntry {
    QString key;
    QString call;  // call name serving the source field
    Transcoder transcode;
};

// Every served key, in table order.
const QList<KeyEntry>& KeyTable();

// x / 10000 computed in single precision, widened to double.
double TenThousandthsAsFloat(qint32 value);
// x * 10000 as a 64-bit integer.
qint64 TimesTenThousand(qint32 value);

}  // namespace board_transcoders
