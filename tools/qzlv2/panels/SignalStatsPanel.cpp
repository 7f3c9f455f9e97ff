#include "tools/qzlv2/panels/SignalStatsPanel.h"

#include <QJsonArray>

#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/panels/Screen.h"

namespace qzlv2 {

namespace {

constexpr int kNameColumns = 24;

QString Padded(const QString& text, int columns) {
    return text + QString(qMax(1, columns - DisplayColumns(text)), QLatin1Char(' '));
}

}  // namespace

int SignalStatsPanel::TypeCount() const {
    int count = 0;
    QString current;
    for (const nscell::DataRow& row : rows()) {
        const QString code = row.Get("signal_type_code").ToString();
        if (count == 0 || code != current) {
            current = code;
            ++count;
        }
    }
    return count;
}

// One line per type: "name (group)   买 3  卖 1", the sides in the rows' order.
QStringList SignalStatsPanel::Render(int width, int lines) const {
    QStringList out{QStringLiteral("statistics per type and side")};
    QString current;
    for (const nscell::DataRow& row : rows()) {
        const QString code = row.Get("signal_type_code").ToString();
        if (code != current) {
            current = code;
            out << Padded(
                QStringLiteral("%1 (%2)").arg(row.Get("signal_type_name").DisplayText(),
                                              row.Get("signal_type_group_name").DisplayText()),
                kNameColumns);
        }
        out.last() +=
            QStringLiteral("  %1 %2").arg(row.Get("signal_type_deal_direction").DisplayText(),
                                          row.Get("signal_type_statistics").DisplayText());
    }
    if (lines > 0 && out.size() > lines) {
        out = out.mid(0, lines);
    }
    if (width > 0) {
        for (QString& line : out) {
            line = ClipToColumns(line, width);
        }
    }
    return out;
}

QJsonValue SignalStatsPanel::Json() const {
    QJsonArray table;
    for (const nscell::DataRow& row : rows()) {
        table.append(RowToJson(row));
    }
    return table;
}

}  // namespace qzlv2
