#include "services/signals/SignalFilter.h"

#include <QStringList>

namespace {

constexpr int kMarketPrefixChars = 2;

QSet<QString> SetOf(const QString& commaSeparated) {
    QSet<QString> set;
    for (const QString& item : commaSeparated.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        set.insert(item.trimmed());
    }
    return set;
}

}  // namespace

SignalFilter::SignalFilter(const QString& markets, const QString& stocks, const QString& names)
    : markets_(SetOf(markets)), stocks_(SetOf(stocks)), names_(SetOf(names)) {
    custom_ = markets_.contains(QLatin1String(kCustomMarket));
}

SignalFilter SignalFilter::FromBaseRow(const nscell::DataRow& row) {
    return SignalFilter(row.Get(QStringLiteral("market_list")).ToString(),
                        row.Get(QStringLiteral("stock_list")).ToString(),
                        row.Get(QStringLiteral("signal_name_list")).ToString());
}

bool SignalFilter::Keeps(const ShortLineSignal& signal) const {
    const bool marketKept = markets_.isEmpty() ||
                            markets_.contains(signal.stock_code.left(kMarketPrefixChars)) ||
                            (custom_ && stocks_.contains(signal.stock_code));
    return marketKept && (names_.isEmpty() || names_.contains(signal.signal_type_name));
}

ResponsePkgEntity_10016 SignalFilter::Filtered(const ResponsePkgEntity_10016& answer) const {
    ResponsePkgEntity_10016 kept = answer;
    kept.signal_list.clear();
    for (const ShortLineSignal& signal : answer.signal_list) {
        if (Keeps(signal)) {
            kept.signal_list.append(signal);
        }
    }
    kept.count = kept.signal_list.size();
    return kept;
}
