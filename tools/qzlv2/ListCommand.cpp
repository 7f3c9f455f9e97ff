#include "tools/qzlv2/ListCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "sim/market/SimStock.h"
#include "tools/qzlv2/Output.h"

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

QString MarketListing() {
    QStringList lines;
    lines << QStringLiteral("stocks:");
    lines << QStringLiteral("  %1%2%3%4%5")
                 .arg(QStringLiteral("code").leftJustified(10), PadWide(QStringLiteral("name"), 10),
                      PadWide(QStringLiteral("board"), 8),
                      QStringLiteral("exchange").leftJustified(10), QStringLiteral("industry"));
    for (const simmarket::SimStock& s : simmarket::Stocks()) {
        const simmarket::SimBoard* industry = simmarket::FindBoard(s.board_code);
        lines << QStringLiteral("  %1%2%3%4%5 %6")
                     .arg(s.code.leftJustified(10), PadWide(s.name, 10),
                          PadWide(simmarket::ListingBoardName(s.board), 8),
                          s.Exchange().leftJustified(10), s.board_code,
                          industry ? industry->name : QString());
    }
    lines << QStringLiteral("boards:");
    for (const simmarket::SimBoard& b : simmarket::Boards()) {
        lines << QStringLiteral("  %1%2%3")
                     .arg(b.code.leftJustified(10), PadWide(b.name, 10),
                          b.members.join(QStringLiteral(" ")));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

namespace {

QJsonDocument MarketJson() {
    QJsonArray stocks;
    for (const simmarket::SimStock& s : simmarket::Stocks()) {
        stocks.append(QJsonObject{{"code", s.code},
                                  {"name", s.name},
                                  {"board", simmarket::ListingBoardName(s.board)},
                                  {"exchange", s.Exchange()},
                                  {"industry", s.board_code}});
    }
    QJsonArray boards;
    for (const simmarket::SimBoard& b : simmarket::Boards()) {
        boards.append(QJsonObject{{"code", b.code},
                                  {"name", b.name},
                                  {"members", QJsonArray::fromStringList(b.members)}});
    }
    return QJsonDocument(QJsonObject{{"stocks", stocks}, {"boards", boards}});
}

int List(const Invocation& in) {
    Output::Results().Write(in.IsSet("json") ? MarketJson().toJson(QJsonDocument::Indented)
                                             : MarketListing().toUtf8());
    return kExitOk;
}

void DefineList(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Lists the stocks (code, name, listing board, exchange, industry board) and the boards "
        "(code, name, members) of the simulated market.");
    p.addOption({"json", "Print the listing as one JSON document."});
}

}  // namespace

Command ListCommand() {
    return Command{
        "list", "list [--json]", "the stocks and boards of the simulated market", 0, 0, DefineList,
        List};
}

}  // namespace qzlv2
