#include "tools/qzlv2/ListCommand.h"

#include <QStringList>

#include <cstdio>

#include "sim/market/SimStock.h"

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

int RunList() {
    const QByteArray text = MarketListing().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

}  // namespace qzlv2
