#include "tools/qzlv2/panels/PriceVolumePanel.h"

#include <QJsonArray>

#include <cmath>

#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/panels/FlowTable.h"

namespace qzlv2 {

namespace {

constexpr qint64 kSharesPerLot = 100;
constexpr int kNumberColumns = 10;
constexpr int kBarColumnsMax = 30;

QString Lots(const nscell::DataRow& row, const char* column) {
    return Grouped(row.Get(QLatin1String(column)).ToInt64() / kSharesPerLot)
        .rightJustified(kNumberColumns);
}

}  // namespace

int PriceVolumePanel::MaxLines(int) const {
    return 1 + qBound(kMinRows, int(view_.rows().size()), kMaxRows);
}

// The window of rows centred on the last price, as many as the lines leave room for.
QStringList PriceVolumePanel::Render(int width, int lines) const {
    const QList<nscell::DataRow>& rows = view_.rows();
    QStringList out{QStringLiteral("price volume, lots")
                        .leftJustified(kNumberColumns + 8)
                        .append(QStringLiteral("buy").rightJustified(kNumberColumns))
                        .append(QStringLiteral("sell").rightJustified(kNumberColumns))
                        .append(QStringLiteral("other").rightJustified(kNumberColumns))
                        .append(QStringLiteral("total").rightJustified(kNumberColumns))
                        .append(QStringLiteral("   day"))};
    const int shown = qMin(int(rows.size()), qMax(lines, 1 + kMinRows) - 1);
    const int first = qBound(0, view_.LastIndex() - shown / 2, qMax(0, int(rows.size()) - shown));
    const int used = 8 + kNumberColumns * 5 + 8;
    const int barMax = width > 0 ? qBound(0, width - used, kBarColumnsMax) : kBarColumnsMax;
    for (int i = first; i < first + shown; ++i) {
        const nscell::DataRow& row = rows[i];
        const QString price = row.Get("deal_price").DisplayText();
        const double relative = row.Get("relative_deal_volume_ratio").ToDouble();
        const int bar = std::isfinite(relative) ? int(relative * barMax + 0.5) : 0;
        out << QStringLiteral("%1 %2%3%4%5%6 %7% %8")
                   .arg(price == view_.last() ? QStringLiteral(">") : QStringLiteral(" "),
                        price.rightJustified(kNumberColumns + 6), Lots(row, "buy_deal_volume"),
                        Lots(row, "sell_deal_volume"), Lots(row, "other_deal_volume"),
                        Lots(row, "total_deal_volume"))
                   .arg(100.0 * row.Get("deal_volume_ratio").ToDouble(), 5, 'f', 1)
                   .arg(QString(bar, QChar(0x2588)));
    }
    return out;
}

QJsonValue PriceVolumePanel::Json() const {
    QJsonArray rows;
    for (auto it = view_.rows().crbegin(); it != view_.rows().crend(); ++it) {
        rows.append(RowToJson(*it));
    }
    return rows;
}

}  // namespace qzlv2
