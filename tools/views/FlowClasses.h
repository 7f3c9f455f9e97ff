#pragma once

#include <QList>
#include <QString>

#include "host/core/DataRow.h"

// Capital flow by order size, as the stock and board flow rows carry it: what came in
// (buy-initiated) and went out (sell-initiated) for each class, extra-large first.
// Threads: stateless.
namespace qzviews {

struct FlowClass {
    QString label;  // "extra-large"
    qint64 in = 0;
    qint64 out = 0;
};

// The four classes from a row whose columns are <class>_buy_<suffix> / <class>_sell_<suffix>
// ("extra_large_buy_volume"), each value divided by `divisor`.
QList<FlowClass> FlowClassesOf(const nscell::DataRow& row, const QString& suffix, qint64 divisor);

}  // namespace qzviews
