#include "sim/market/SimStock.h"

#include <cmath>

namespace simmarket {

namespace {

constexpr quint16 kMainStockType = 1;
constexpr quint16 kGrowthStockType = 3;
constexpr quint16 kStarStockType = 9;
constexpr quint8 kGrowthCategory = 25;
constexpr quint8 kOtherCategory = 1;

SimStock Make(const char* code, const char* name, ListingBoard board, qint32 prevClose,
              quint32 totalShares, quint32 floatShares, const char* boardCode, qint32 pe,
              qint32 pb) {
    SimStock s;
    s.code = QString::fromLatin1(code);
    s.name = QString::fromUtf8(name);
    s.board = board;
    s.prev_close = prevClose;
    s.total_shares = totalShares;
    s.float_shares = floatShares;
    s.board_code = QString::fromLatin1(boardCode);
    s.pe_ratio = pe;
    s.pb_ratio = pb;
    return s;
}

QVector<SimStock> MakeStocks() {
    using B = ListingBoard;
    return {
        Make("SH600000", "浦发银行", B::Main, 1052, 2935218, 2935218, "BK0475", 612, 45),
        Make("SH601318", "中国平安", B::Main, 4236, 1828024, 1086236, "BK0474", 856, 98),
        Make("SH600519", "贵州茅台", B::Main, 168800, 125619, 125619, "BK0477", 2536, 845),
        Make("SH688981", "中芯国际", B::Star, 5180, 795282, 198734, "BK1036", 10324, 321),
        Make("SH688111", "金山办公", B::Star, 28650, 46179, 46179, "BK0737", 9512, 1435),
        Make("SZ000001", "平安银行", B::Main, 1123, 1940592, 1940546, "BK0475", 489, 52),
        Make("SZ000858", "五粮液", B::Main, 15120, 388161, 388145, "BK0477", 1872, 512),
        Make("SZ300750", "宁德时代", B::Growth, 18035, 439897, 382165, "BK1033", 2210, 468),
        Make("SZ300059", "东方财富", B::Growth, 1498, 1585672, 1338411, "BK0473", 3125, 310),
    };
}

QVector<SimBoard> MakeBoards() {
    auto board = [](const char* code, const char* name, QStringList members) {
        return SimBoard{QString::fromLatin1(code), QString::fromUtf8(name), std::move(members)};
    };
    return {
        board("BK0475", "银行", {"SH600000", "SZ000001"}),
        board("BK0474", "保险", {"SH601318"}),
        board("BK0477", "酿酒行业", {"SH600519", "SZ000858"}),
        board("BK1036", "半导体", {"SH688981"}),
        board("BK1033", "电池", {"SZ300750"}),
        board("BK0737", "软件开发", {"SH688111"}),
        board("BK0473", "证券", {"SZ300059"}),
    };
}

// Limits are the previous close moved by the limit percentage, rounded half up to the tick.
qint32 LimitPrice(qint32 prevClose, int percent) {
    return qint32(std::floor(double(prevClose) * (100 + percent) / 100.0 + 0.5));
}

}  // namespace

qint32 SimStock::LimitUp() const {
    return LimitPrice(prev_close, LimitPercent());
}

qint32 SimStock::LimitDown() const {
    return LimitPrice(prev_close, -LimitPercent());
}

quint16 SimStock::StockType() const {
    switch (board) {
        case ListingBoard::Growth:
            return kGrowthStockType;
        case ListingBoard::Star:
            return kStarStockType;
        case ListingBoard::Main:
            break;
    }
    return kMainStockType;
}

quint8 SimStock::CategoryByte() const {
    return board == ListingBoard::Growth ? kGrowthCategory : kOtherCategory;
}

QString ListingBoardName(ListingBoard board) {
    switch (board) {
        case ListingBoard::Growth:
            return QStringLiteral("创业板");
        case ListingBoard::Star:
            return QStringLiteral("科创板");
        case ListingBoard::Main:
            break;
    }
    return QStringLiteral("主板");
}

const QVector<SimStock>& Stocks() {
    static const QVector<SimStock> stocks = MakeStocks();
    return stocks;
}

const QVector<SimBoard>& Boards() {
    static const QVector<SimBoard> boards = MakeBoards();
    return boards;
}

const SimStock* FindStock(const QString& code) {
    for (const SimStock& s : Stocks()) {
        if (s.code == code) {
            return &s;
        }
    }
    return nullptr;
}

QVector<SimStock> GeneratedStocks(int count) {
    QVector<SimStock> stocks;
    const QVector<SimBoard>& boards = Boards();
    for (int i = 0; i < count; ++i) {
        const int serial = 1 + i / 2;
        const QString code = i % 2 == 0
                                 ? QStringLiteral("SH%1").arg(603000 + serial)
                                 : QStringLiteral("SZ%1").arg(2000 + serial, 6, 10, QChar('0'));
        SimStock s = Make("", "", ListingBoard::Main, 500 + 173 * (i % 17), 80000 + 9000 * i,
                          60000 + 7000 * i, "", 900 + 37 * i, 80 + 11 * i);
        s.code = code;
        s.name = QStringLiteral("模拟%1").arg(i + 1, 2, 10, QChar('0'));
        s.board_code = boards.at(i % boards.size()).code;
        stocks << s;
    }
    return stocks;
}

const SimBoard* FindBoard(const QString& code) {
    for (const SimBoard& b : Boards()) {
        if (b.code == code) {
            return &b;
        }
    }
    return nullptr;
}

}  // namespace simmarket
