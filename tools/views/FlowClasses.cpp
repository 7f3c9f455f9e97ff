#include "tools/views/FlowClasses.h"

#include <QPair>

namespace qzviews {

QList<FlowClass> FlowClassesOf(const nscell::DataRow& row, const QString& suffix, qint64 divisor) {
    static const QList<QPair<QString, QString>> kClasses = {{"extra-large", "extra_large"},
                                                            {"large", "large"},
                                                            {"medium", "medium"},
                                                            {"little", "little"}};
    QList<FlowClass> classes;
    for (const auto& c : kClasses) {
        const qint64 in = row.Get(c.second + "_buy_" + suffix).ToInt64();
        const qint64 out = row.Get(c.second + "_sell_" + suffix).ToInt64();
        classes << FlowClass{c.first, in / divisor, out / divisor};
    }
    return classes;
}

}  // namespace qzviews
