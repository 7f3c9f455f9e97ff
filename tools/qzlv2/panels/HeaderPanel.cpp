#include "tools/qzlv2/panels/HeaderPanel.h"

#include <QJsonObject>

#include "tools/qzlv2/panels/Screen.h"

namespace qzlv2 {

using qzviews::PriceText;

QStringList HeaderPanel::Render(int width, int) const {
    const Quote& quote = view_.quote();
    QString price = QStringLiteral("--");
    if (quote.has_last) {
        price = PriceText(quote.last, quote.precision);
        if (quote.prev_close > 0) {
            const qint64 change = quote.last - quote.prev_close;
            price += QStringLiteral(" %1%2 %3%4%")
                         .arg(change >= 0 ? QStringLiteral("+") : QString(),
                              PriceText(change, quote.precision),
                              change >= 0 ? QStringLiteral("+") : QString())
                         .arg(100.0 * double(change) / double(quote.prev_close), 0, 'f', 2);
        }
    }
    const QString prev =
        quote.prev_close > 0 ? PriceText(quote.prev_close, quote.precision) : QStringLiteral("--");
    // What a narrow terminal can do without goes first: the listing (the code names the
    // exchange), then the fast-ten flag (the book shows the levels it flags).
    QString listing = QLatin1Char(' ') + quote.listing;
    QString fastTen = QStringLiteral("  fast-ten %1").arg(quote.fast_ten);
    const auto line = [&] {
        return QStringLiteral("%1 %2%3  %4  prev %5%6  %7")
            .arg(quote.code, quote.name, listing, price, prev, fastTen, quote.time);
    };
    for (QString* part : {&listing, &fastTen}) {
        if (width > 0 && DisplayColumns(line()) > width) {
            part->clear();
        }
    }
    return {line()};
}

QJsonValue HeaderPanel::Json() const {
    const Quote& quote = view_.quote();
    QJsonObject o{{"code", quote.code}, {"name", quote.name}, {"fast_ten", quote.fast_ten}};
    if (quote.has_last) {
        o.insert("last", PriceText(quote.last, quote.precision));
    }
    if (quote.prev_close > 0) {
        o.insert("prev_close", PriceText(quote.prev_close, quote.precision));
    }
    return o;
}

}  // namespace qzlv2
