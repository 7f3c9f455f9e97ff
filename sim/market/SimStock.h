#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// The fixed description of what the simulated market trades: stocks with their listing data and
// the boards (industry groups) they belong to. Plain values; any thread.
namespace simmarket {

enum class ListingBoard { Main, Growth, Star };  // 主板, 创业板 (SZ300xxx), 科创板 (SH688xxx)

struct SimStock {
    QString code;  // market prefix + code, e.g. "SH600000"
    QString name;
    ListingBoard board = ListingBoard::Main;
    qint32 prev_close = 0;       // in units of the price precision
    quint8 price_precision = 2;  // decimals of every price
    quint32 total_shares = 0;    // 10^4 shares
    quint32 float_shares = 0;    // 10^4 shares
    QString board_code;          // the industry board it belongs to
    qint32 pe_ratio = 0;         // 1/100
    qint32 pb_ratio = 0;         // 1/100

    QString Exchange() const { return code.left(2); }
    int LimitPercent() const { return board == ListingBoard::Main ? 10 : 20; }  // %
    qint32 LimitUp() const;
    qint32 LimitDown() const;
    quint16 StockType() const;    // a per-board type code carried by the basic quote
    quint8 CategoryByte() const;  // 25 for growth-board stocks, as the 12755 answer carries it
};

struct SimBoard {
    QString code;  // e.g. "BK0475"
    QString name;
    QStringList members;
};

QString ListingBoardName(ListingBoard board);  // "主板", "创业板", "科创板"

// The stocks and boards of the simulated market, in listing order.
const QVector<SimStock>& Stocks();
const QVector<SimBoard>& Boards();
const SimStock* FindStock(const QString& code);
// `count` more main-board stocks for load and fault runs ("SH603001", "SZ002001", "SH603002",
// ...), with plausible listing data and the industry boards above taken in turn. Not part of
// Stocks(): FindStock does not know them.
QVector<SimStock> GeneratedStocks(int count);
const SimBoard* FindBoard(const QString& code);

}  // namespace simmarket
