#include "tools/qzlv2/panels/FlowTable.h"

#include <QLocale>

namespace qzlv2 {

namespace {
constexpr int kLabelColumns = 14;
constexpr int kNumberColumns = 12;

QString Line(const QString& label, const QString& in, const QString& out, const QString& net) {
    return QStringLiteral("  %1%2%3%4")
        .arg(label.leftJustified(kLabelColumns), in.rightJustified(kNumberColumns),
             out.rightJustified(kNumberColumns), net.rightJustified(kNumberColumns));
}
}  // namespace

QString Grouped(qint64 value, bool sign) {
    const QString text = QLocale(QLocale::English).toString(qlonglong(value));
    return sign && value > 0 ? QLatin1Char('+') + text : text;
}

QStringList FlowTableLines(const QString& title, const QList<FlowClass>& classes, int lines,
                           const QString& allClassesTail) {
    QStringList out{QStringLiteral("%1%2%3%4")
                        .arg(title.leftJustified(kLabelColumns + 2),
                             QStringLiteral("in").rightJustified(kNumberColumns),
                             QStringLiteral("out").rightJustified(kNumberColumns),
                             QStringLiteral("net").rightJustified(kNumberColumns))};
    FlowClass all{QStringLiteral("all classes")};
    for (int i = 0; i < classes.size(); ++i) {
        all.in += classes[i].in;
        all.out += classes[i].out;
        if (i < lines - 2) {
            out << Line(classes[i].label, Grouped(classes[i].in), Grouped(classes[i].out),
                        Grouped(classes[i].in - classes[i].out, true));
        }
    }
    out << Line(all.label, Grouped(all.in), Grouped(all.out), Grouped(all.in - all.out, true)) +
               allClassesTail;
    return out;
}

}  // namespace qzlv2
