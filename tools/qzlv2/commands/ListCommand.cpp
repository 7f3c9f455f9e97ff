#include "tools/qzlv2/commands/ListCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

#include "sim/market/SimStock.h"
#include "tools/qzlv2/output/Output.h"
#include "tools/qzlv2/loading/ServerOption.h"

namespace qzlv2 {

namespace {

// Chinese names are two columns wide per character on a terminal.
QString PadWide(const QString& text, int columns) {
    int used = 0;
    for (QChar c : text) {
        used += c.unicode() >= 0x2E80 ? 2 : 1;
    }
    return text + QString(qMax(1, columns - used), QLatin1Char(' '));
}

}  // namespace

QString MarketListing(const MarketContents& market) {
    QStringList lines;
    lines << QStringLiteral("stocks:");
    lines << QStringLiteral("  %1%2%3%4%5")
                 .arg(QStringLiteral("code").leftJustified(10), PadWide(QStringLiteral("name"), 10),
                      PadWide(QStringLiteral("board"), 8),
                      QStringLiteral("exchange").leftJustified(10), QStringLiteral("industry"));
    for (const simmarket::SimStock& s : market.stocks) {
        const simmarket::SimBoard* industry = simmarket::FindBoard(s.board_code);
        lines << QStringLiteral("  %1%2%3%4%5 %6")
                     .arg(s.code.leftJustified(10), PadWide(s.name, 10),
                          PadWide(simmarket::ListingBoardName(s.board), 8),
                          s.Exchange().leftJustified(10), s.board_code,
                          industry ? industry->name : QString());
    }
    lines << QStringLiteral("boards:");
    for (const simmarket::SimBoard& b : market.boards) {
        lines << QStringLiteral("  %1%2%3")
                     .arg(b.code.leftJustified(10), PadWide(b.name, 10),
                          b.members.join(QStringLiteral(" ")));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

namespace {

QJsonDocument MarketJson(const MarketContents& market) {
    QJsonArray stocks;
    for (const simmarket::SimStock& s : market.stocks) {
        stocks.append(QJsonObject{{"code", s.code},
                                  {"name", s.name},
                                  {"board", simmarket::ListingBoardName(s.board)},
                                  {"exchange", s.Exchange()},
                                  {"industry", s.board_code}});
    }
    QJsonArray boards;
    for (const simmarket::SimBoard& b : market.boards) {
        boards.append(QJsonObject{{"code", b.code},
                                  {"name", b.name},
                                  {"members", QJsonArray::fromStringList(b.members)}});
    }
    return QJsonDocument(QJsonObject{{"stocks", stocks}, {"boards", boards}});
}

int List(const Invocation& in) {
    MarketContents market = EmbeddedMarket();
    if (const std::optional<transport::ServerAddress> server = ReadServerOption(in)) {
        market = MarketContents();
        QString error;
        const int timeoutMs = int(in.Number("timeout", 1, 3600)) * 1000;
        if (!AskServerWhatItTrades(*server, timeoutMs, &market, &error)) {
            std::fprintf(stderr, "qzlv2 list: %s\n", qPrintable(error));
            return kExitFailed;
        }
    }
    Output::Results().Write(in.IsSet("json") ? MarketJson(market).toJson(QJsonDocument::Indented)
                                             : MarketListing(market).toUtf8());
    return kExitOk;
}

void DefineList(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Lists the stocks (code, name, listing board, exchange, industry board) and the boards "
        "(code, name, members) of the simulated market; with --server, those the quote server "
        "there trades (it is asked for each one's snapshot; exit 1 when it does not answer "
        "within --timeout).");
    p.addOption({"json", "Print the listing as one JSON document."});
    AddServerOption(p);
    p.addOption({"timeout",
                 "With --server: seconds to wait for its answers, 1 to 3600 (default 10).", "N",
                 "10"});
}

}  // namespace

Command ListCommand() {
    return Command{"list",
                   "list [--json] [--server HOST:PORT]",
                   "the stocks and boards of the simulated market",
                   0,
                   0,
                   DefineList,
                   List};
}

}  // namespace qzlv2
