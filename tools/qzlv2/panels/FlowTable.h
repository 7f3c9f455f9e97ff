#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "tools/views/FlowClasses.h"

// The order-size table that the stock and board capital-flow panels share: one line a class
// (extra-large, large, medium, little) with what came in (buy-initiated), went out
// (sell-initiated) and the net, and a line over all classes.
// Threads: stateless.
namespace qzlv2 {

using qzviews::FlowClass;
using qzviews::FlowClassesOf;

// "title (unit)" with the column heads, then as many class lines as `lines` leaves room for
// after the heading and the all-classes line (at least those two lines).
QStringList FlowTableLines(const QString& title, const QList<FlowClass>& classes, int lines,
                           const QString& allClassesTail = QString());

// 1234567 -> "1,234,567"; with `sign`, "+" before a positive number.
QString Grouped(qint64 value, bool sign = false);

}  // namespace qzlv2
