#include "tools/qzlv2/commands/SignalsCommand.h"

#include "sim/market/SignalCatalogue.h"
#include "sim/market/SimStock.h"
#include "tools/qzlv2/commands/WatchCommand.h"
#include "tools/qzlv2/panels/SignalFeedPanel.h"
#include "tools/qzlv2/panels/SignalStatsPanel.h"

namespace qzlv2 {

namespace {

constexpr int kMarketChars = 2;

QStringList ListOption(const Invocation& in, const QString& option) {
    QStringList items;
    for (const QString& item : in.Value(option).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        items << item.trimmed();
    }
    return items;
}

// Every name must be one the server knows, so that a typo does not just show nothing.
SignalQuery ReadQuery(const Invocation& in) {
    SignalQuery query;
    for (const QString& market : ListOption(in, "markets")) {
        if (market.size() != kMarketChars) {
            throw UsageError(QStringLiteral("--markets takes two-letter markets such as SH,SZ; "
                                            "got %1")
                                 .arg(market));
        }
        query.markets << market.toUpper();
    }
    for (const QString& stock : ListOption(in, "stocks")) {
        if (simmarket::FindStock(stock.toUpper()) == nullptr) {
            throw UsageError(
                QStringLiteral("the simulated market has no stock %1; see 'qzlv2 list'")
                    .arg(stock));
        }
        query.stocks << stock.toUpper();
    }
    QStringList known;
    for (const simmarket::SignalTypeInfo& info : simmarket::SignalCatalogue()) {
        known << QString::fromUtf8(info.name);
    }
    for (const QString& type : ListOption(in, "types")) {
        if (!known.contains(type)) {
            throw UsageError(
                QStringLiteral("unknown signal type %1; the types: %2").arg(type, known.join(',')));
        }
        query.types << type;
    }
    return query;
}

void DefineSignals(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Does what the client does (see 'qzlv2 watch --help') and asks for the short-line "
        "signals: the feed of signals that pass the filters, newest first and as many as fit, "
        "above the count of signals per type and side (买 buy, 卖 sell). Without filters every "
        "signal of SH and SZ is shown; --stocks adds the named stocks whatever their market. "
        "The simulated market raises signals by rules on its prices, book and trades "
        "(docs/simulated-market.md).");
    p.addOptions({
        {"markets", "Only signals of stocks of these markets, e.g. SH,SZ.", "LIST"},
        {"stocks", "Also (or, without --markets, only) signals of these stocks.", "LIST"},
        {"types", "Only signals of these type names, e.g. 火箭发射,大笔买入.", "LIST"},
    });
    AddSessionOptions(p);
}

int Signals(const Invocation& in) {
    WatchOptions o;
    o.command = QStringLiteral("signals");
    ReadSessionOptions(in, o);
    const SignalQuery query = ReadQuery(in);
    o.panels = [query] {
        std::vector<std::unique_ptr<Panel>> panels;
        panels.push_back(std::make_unique<SignalFeedPanel>(query));
        panels.push_back(std::make_unique<SignalStatsPanel>(query));
        return panels;
    };
    return RunWatch(o);
}

}  // namespace

Command SignalsCommand() {
    return Command{"signals",
                   "signals [--markets SH,SZ] [--stocks CODE,...] [--types NAME,...] [--once]",
                   "show the live short-line signal feed and its statistics",
                   0,
                   0,
                   DefineSignals,
                   Signals};
}

}  // namespace qzlv2
