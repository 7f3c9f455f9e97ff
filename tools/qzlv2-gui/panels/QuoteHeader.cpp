#include "tools/qzlv2-gui/panels/QuoteHeader.h"

#include "host/core/UnsharedDataCell.h"

namespace qzgui {

namespace {
QString Volume(qint64 value) {
    return nscell::UnsharedDataCell::FromVolume(value).DisplayText();
}
}  // namespace

QuoteHeader::QuoteHeader(const Theme& theme, QWidget* parent) : QLabel(parent), theme_(theme) {
    setTextFormat(Qt::RichText);
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.15);
    setFont(larger);
}

void QuoteHeader::SetQuote(const qzviews::Quote& q) {
    QString last = QStringLiteral("--");
    QString change;
    QColor colour = theme_.Text();
    if (q.has_last) {
        last = qzviews::PriceText(q.last, q.precision);
        if (q.prev_close > 0) {
            const qint64 delta = q.last - q.prev_close;
            colour = theme_.ForChange(double(delta));
            change = QStringLiteral("%1%2 %3%4%")
                         .arg(delta >= 0 ? "+" : "", qzviews::PriceText(delta, q.precision),
                              delta >= 0 ? "+" : "")
                         .arg(100.0 * double(delta) / double(q.prev_close), 0, 'f', 2);
        }
    }
    const QString prev =
        q.prev_close > 0 ? qzviews::PriceText(q.prev_close, q.precision) : QStringLiteral("--");
    const QString traded = q.has_volume ? QStringLiteral("vol %1 shares  amount %2 yuan")
                                              .arg(Volume(q.volume), Volume(q.amount))
                                        : QString();
    setText(QStringLiteral("<b>%1 %2</b> %3 &nbsp; <b><font color=\"%4\">%5 %6</font></b>"
                           " &nbsp; %7 &nbsp; prev %8 &nbsp; fast-ten %9")
                .arg(q.code.toHtmlEscaped(), q.name.toHtmlEscaped(), q.listing.toHtmlEscaped(),
                     colour.name(), last, change, traded, prev)
                .arg(q.fast_ten));
}

}  // namespace qzgui
