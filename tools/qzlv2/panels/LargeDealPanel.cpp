#include "tools/qzlv2/panels/LargeDealPanel.h"

#include <QJsonObject>

#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/panels/Screen.h"

namespace qzlv2 {

namespace {

constexpr qint64 kLot = 100;  // shares
const char* const kColumns[] = {"time", "deal_price", "number", "In_number", "Out_number"};

QString LotsText(const nscell::UnsharedDataCell& shares) {
    return QString::number(shares.ToInt64() / kLot);
}

}  // namespace

QStringList LargeDealPanel::Render(int width, int) const {
    const nscell::DataRow& row = view_.row();
    QString line = QStringLiteral("large deal   --");
    if (!row.IsEmpty()) {
        line = QStringLiteral("large deal   %1  %2  %3 lots   in %4 / out %5 lots")
                   .arg(qzviews::HhmmssText(row.Get("time").ToInt64()),
                        row.Get("deal_price").DisplayText(), LotsText(row.Get("number")),
                        LotsText(row.Get("In_number")), LotsText(row.Get("Out_number")));
        if (IsNew()) {
            line += QStringLiteral("   *new*");
        }
    }
    return {width > 0 ? ClipToColumns(line, width) : line};
}

QJsonValue LargeDealPanel::Json() const {
    const nscell::DataRow& row = view_.row();
    if (row.IsEmpty()) {
        return QJsonValue();
    }
    QJsonObject deal;
    for (const char* column : kColumns) {
        deal.insert(QLatin1String(column), CellToJson(row.Get(QLatin1String(column))));
    }
    deal.insert(QStringLiteral("new"), IsNew());
    return deal;
}

}  // namespace qzlv2
