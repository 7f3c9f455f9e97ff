#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "host/core/DataRow.h"

// The order-size table that the stock and board capital-flow panels share: one line a class
// (extra-large, large, medium, little) with what came in (buy-initiated), went out
// (sell-initiated) and the net, and a line over all classes.
// Threads: stateless.
namespace qzlv2 {

struct FlowClass {
    QString label;  // "extra-large"
    qint64 in = 0;
    qint64 out = 0;
};

// The four classes from a row whose columns are <class>_buy_<suffix> / <class>_sell_<suffix>
// ("extra_large_buy_volume"), each value divided by `divisor`.
QList<FlowClass> FlowClassesOf(const nscell::DataRow& row, const QString& suffix, qint64 divisor);

// "title (unit)" with the column heads, then as many class lines as `lines` leaves room for
// after the heading and the all-classes line (at least those two lines).
QStringList FlowTableLines(const QString& title, const QList<FlowClass>& classes, int lines,
                           const QString& allClassesTail = QString());

// 1234567 -> "1,234,567"; with `sign`, "+" before a positive number.
QString Grouped(qint64 value, bool sign = false);

}  // namespace qzlv2
