#pragma once

#include <QSet>
#include <QString>

#include "host/core/DataRow.h"
#include "services/signals/ResponsePkgEntity_10016.h"

// Which signals a short-line request shows, read from its base row: "market_list" (two-letter
// market prefixes, and "CUSTOM" for the stocks of "stock_list"), "stock_list" (codes) and
// "signal_name_list" (signal type names), each comma-separated. A signal is kept when
//   (no market is listed, or its code's prefix is listed, or "CUSTOM" is listed and its code is
//    in the stock list) and (no name is listed, or its type name is).
// Threads: a plain value.
class SignalFilter {
public:
    static constexpr const char* kCustomMarket = "CUSTOM";

    SignalFilter() = default;
    SignalFilter(const QString& markets, const QString& stocks, const QString& names);
    static SignalFilter FromBaseRow(const nscell::DataRow& row);

    bool Keeps(const ShortLineSignal& signal) const;
    // The answer with only the kept signals (the count says how many).
    ResponsePkgEntity_10016 Filtered(const ResponsePkgEntity_10016& answer) const;

private:
    QSet<QString> markets_;
    QSet<QString> stocks_;
    QSet<QString> names_;
    bool custom_ = false;
};
