// The watch screen without a plug-in: the book, board, header, capital-flow, price-volume,
// board-flow and minute-flow panels fed with hand-made quote data or the tables the plug-in's joins
// make from hand-made packages (their lines, what they wait for, their JSON), and the screen's
// layout into terminals of several sizes, its in-place frames and its JSON lines.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include <tuple>

#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/DealsQuoteData.h"
#include "services/capitalflow/CapitalFlowJoins.h"
#include "services/deals/PriceDealsJoin.h"
#include "sim/market/SimStock.h"
#include "tools/qzlv2/panels/BoardFlowPanel.h"
#include "tools/qzlv2/panels/BoardPanel.h"
#include "tools/qzlv2/panels/BookPanel.h"
#include "tools/qzlv2/panels/CapitalFlowPanel.h"
#include "tools/qzlv2/panels/HeaderPanel.h"
#include "tools/qzlv2/panels/LinkPanel.h"
#include "tools/qzlv2/panels/MinuteFlowPanel.h"
#include "tools/qzlv2/panels/PriceVolumePanel.h"
#include "tools/qzlv2/panels/Screen.h"
#include "tools/qzlv2/panels/WatchPanels.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;
using namespace qzlv2;

namespace {

// A book as the joins leave it (prices with precision 2, queues in lots): buy 10.50 and 10.49,
// sell 10.51 then an explicit filler; the first order queued at 10.50 and at 10.51 is big.
ResponsePkgEntity_12989 MakeBook() {
    // buy?, price, shares, orders, queued lots, positions of big orders
    using Level = std::tuple<bool, qint32, qint64, int, QString, QString>;
    ResponsePkgEntity_12989 book;
    book.wills.summary.Set("prev_price_base", UnsharedDataCell::FromPrice(1052, 2));
    for (const auto& [buy, price, shares, orders, lots, big] :
         {Level{true, 1050, 58000, 2, "300,280", "0"}, Level{true, 1049, 100, 1, "1", ""},
          Level{false, 1051, 60000, 3, "600,1,2", "0"}, Level{false, 0, 0, 0, "", ""}}) {
        DataRow level;
        level.Set("price", UnsharedDataCell::FromPrice(price, 2));
        level.Set("vol", UnsharedDataCell::FromBigInteger(shares));
        DataRow queue;
        queue.Set("total_will_count", UnsharedDataCell::FromBigInteger(orders));
        queue.Set("will_volume_list", UnsharedDataCell(lots));
        queue.Set("big_volumeindex_list", UnsharedDataCell(big));
        (buy ? book.wills.buy_rows : book.wills.sell_rows).push_back(level);
        (buy ? book.gears.buy_queues : book.gears.sell_queues)
            .insert(UnsharedDataCell::FromInteger(price), queue);
    }
    return book;
}

// Every board key filled, as the stock-board joins fill them.
DataRow FullBoardRow() {
    DataRow row;
    for (const BoardKey& k : BoardKeys()) {
        row.Set(k.key, UnsharedDataCell::FromBigInteger(-7700000));
    }
    row.Set("float_ratio_day_0", UnsharedDataCell::FromPercentFloatRatio(0.1234));
    return row;
}

// The three panels of `watch` with complete data: a long queue at buy 1 and ten levels a side.
Screen MakeScreen() {
    ResponsePkgEntity_12989 data = MakeBook();
    QStringList lots;
    for (int i = 0; i < 50; ++i) {
        lots << QString::number(100 + i);
    }
    data.gears.buy_queues[UnsharedDataCell::FromInteger(1050)].Set(
        "will_volume_list", UnsharedDataCell(lots.join(',')));
    auto header = std::make_unique<HeaderPanel>();
    header->SetQuote(Quote{"SZ300750", QString::fromUtf8("宁德时代"),
                           QString::fromUtf8("创业板 SZ"), true, 2, 1060, 1052, 1, "09:30:00"});
    auto book = std::make_unique<BookPanel>();
    book->SetBook(ReadBook(&data));
    auto board = std::make_unique<BoardPanel>();
    board->SetRow(FullBoardRow());
    std::vector<std::unique_ptr<Panel>> panels;
    panels.push_back(std::move(header));
    panels.push_back(std::move(book));
    panels.push_back(std::move(board));
    return Screen(std::move(panels));
}

int LevelsShown(const QStringList& lines, const QString& side) {
    return int(lines.filter(QRegularExpression("^" + side + " \\d+ ")).size());
}

// In field order: sell total and average, buy total and average, ddx, volume diff, then the buy
// and sell volumes from extra-large down to little.
ResponsePkg_12930 StockFlow() {
    return {8123, 1053, 7450, 1051, -321, -180, 930, 1210, 2400, 2000, 5100, 4900, 8800, 9100};
}

// 20 prices from 10.40 to 10.59, the total at 10.50 the largest.
QList<DataRow> PriceRows() {
    QList<DataRow> rows;
    for (quint32 i = 0; i < 20; ++i) {
        const quint32 total = i == 10 ? 50000 : 1000 + 100 * i;
        rows << deals::PriceDealRow(
            {1040 + i, total, total / 2, total / 4, total - total / 2 - total / 4}, 200000, 50000);
    }
    return rows;
}

constexpr qint64 kUnit = 100000000;  // net_capital_flow of 1.0 shown (10^4 of capital x 10^4)

// A panel of `least` to `most` lines, each "<name> <n>", for the layout alone.
class RowsPanel : public Panel {
public:
    RowsPanel(const QString& name, int least, int most) : name_(name), least_(least), most_(most) {}
    QString Name() const override { return name_; }
    void Update(const ScopeTree&) override {}
    int MinLines(int) const override { return least_; }
    int MaxLines(int) const override { return most_; }
    QStringList Render(int, int lines) const override {
        QStringList out;
        for (int i = 0; i < lines; ++i) {
            out << QString("%1 %2").arg(name_).arg(i);
        }
        return out;
    }
    QJsonValue Json() const override { return QJsonValue(); }

private:
    QString name_;
    int least_;
    int most_;
};

// book: 3 to 5 lines, board: 10, flow: 4, minute_flow: 2.
Screen RowsScreen() {
    std::vector<std::unique_ptr<Panel>> panels;
    panels.push_back(std::make_unique<RowsPanel>("book", 3, 5));
    panels.push_back(std::make_unique<RowsPanel>("board", 10, 10));
    panels.push_back(std::make_unique<RowsPanel>("flow", 4, 4));
    panels.push_back(std::make_unique<RowsPanel>("minute_flow", 2, 2));
    return Screen(std::move(panels));
}

// A page of minute rows as the 12842 join makes them.
QSharedPointer<BaseQuoteData> Page(const QList<QPair<QString, qint64>>& minutes) {
    auto data = QSharedPointer<BaseQuoteData>::create();
    for (const auto& m : minutes) {
        DataRow row;
        row.Set("time", UnsharedDataCell(m.first));
        row.Set("net_capital_flow", UnsharedDataCell::FromBigInteger(m.second));
        data->rows << row;
    }
    return data;
}

}  // namespace

class TestWatchScreen : public QObject {
    Q_OBJECT

private slots:
    void bookShowsLevelsQueuesAndCompleteness() {
        ResponsePkgEntity_12989 data = MakeBook();
        BookPanel panel;
        panel.SetBook(ReadBook(&data));
        QStringList lines = panel.Render(0, panel.MaxLines(0));
        QVERIFY(lines.contains("sell 10         --"));
        QVERIFY(lines.contains("sell 2          --"));  // price and volume 0: no order there
        QVERIFY(lines.contains("sell 1       10.51       600       3  *600* 1 2"));
        QVERIFY(lines.contains("buy 1        10.50       580       2  *300* 280"));
        QVERIFY(lines.contains("buy 2        10.49         1       1  1"));
        QVERIFY(lines.indexOf("sell 10         --") <
                lines.indexOf(QRegularExpression("^buy 1 .*")));
        QVERIFY(panel.Missing().isEmpty());
        data.wills.buy_rows[0].Set("price",
                                   UnsharedDataCell::FromBigInteger(1050));  // not converted
        panel.SetBook(ReadBook(&data));
        QCOMPARE(panel.Missing(), QStringList{"price precision and previous close"});
        panel.SetBook(ReadBook(nullptr));
        QCOMPARE(panel.Missing(), QStringList{"order book"});
        QCOMPARE(panel.Render(80, 12), QStringList{"(waiting for the order book)"});
    }

    void boardShowsLabelsUnitsAndWhatIsMissing() {
        BoardPanel panel;
        DataRow row;
        row.Set("money_flow_today", UnsharedDataCell::FromBigInteger(-7700000));
        row.Set("float_ratio_day_0", UnsharedDataCell::FromPercentFloatRatio(0.1234));
        row.Set("board_category_code", UnsharedDataCell(QString("zxb00")));
        panel.SetRow(row);
        const QStringList lines = panel.Render(0, 100);
        QVERIFY2(lines.contains(QString::fromUtf8("  money flow today       -770.00万 yuan")),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("  float ratio today      12.34%"));
        QVERIFY(lines.contains("  board_category_code    zxb00"));
        // Every required key not there yet is waited for; the after-close ones are optional.
        QVERIFY(panel.Missing().contains("big_order_ratio"));
        QVERIFY(!panel.Missing().contains("money_flow_today"));
        QVERIFY(!panel.Missing().contains("gem_deal_volume_after_close"));
        QVERIFY(lines.last().startsWith("  (waiting for money_flow_5d, "));
        const QJsonObject json = panel.Json().toObject();
        QCOMPARE(json["money_flow_today"].toDouble(), -7700000.0);
        QCOMPARE(json["board_category_code"].toString(), QString("zxb00"));
        panel.SetRow(FullBoardRow());
        QVERIFY(panel.Missing().isEmpty());
    }

    // The data set's keys take lines only when there are lines to spare; what does not fit goes
    // from the end, so the money flows and ratios stay. Its JSON holds the values as they travel.
    void boardShowsTheDataSetWhenThereIsRoom() {
        BoardPanel panel;
        DataRow row = FullBoardRow();
        row.Set("limit_up_price", UnsharedDataCell::FromPrice(1157, 2));
        row.Set("total_shares", UnsharedDataCell::FromVolume(2935208000));
        row.Set("eps", UnsharedDataCell::FromPrice(17190, 4));
        panel.SetRow(row);
        QCOMPARE(panel.MinLines(80), 1 + 6);  // the twelve keys every stock has lines for
        QCOMPARE(panel.MaxLines(80), 1 + 10);
        QCOMPARE(panel.MinLines(60), 1 + 12);
        QCOMPARE(panel.MaxLines(60), 1 + 20);
        const QString limitUp = "  limit up               11.57 yuan";
        const QStringList least = panel.Render(80, panel.MinLines(80));
        QCOMPARE(least.size(), 7);
        QVERIFY(least.filter("limit up").isEmpty());
        QVERIFY(least.last().contains("float ratio 5 days"));   // the left column's sixth key
        QVERIFY(least.last().contains("after-close capital"));  // and the twelfth
        const QStringList all = panel.Render(0, 100);
        QVERIFY2(all.contains(limitUp), qPrintable(all.join('\n')));
        QVERIFY(all.contains(QString::fromUtf8("  total shares           29.35亿 shares")));
        QVERIFY(all.contains("  earnings per share     1.7190 yuan"));
        QCOMPARE(panel.Render(80, 11).filter(limitUp).size(), 1);
        const QJsonObject json = panel.Json().toObject();
        QCOMPARE(json["limit_up_price"].toDouble(), 1157.0);
        QCOMPARE(json["eps"].toDouble(), 17190.0);
        QCOMPARE(json["total_shares"].toDouble(), 2935208000.0);
        QVERIFY(panel.Missing().isEmpty());
        row.Remove("eps");  // a market without it: not waited for
        panel.SetRow(row);
        QVERIFY(panel.Missing().isEmpty());
    }

    // The top line keeps what matters at 80 columns for every stock of the market, at its limit
    // prices (the widest changes): the listing goes first, then the fast-ten flag. Without a
    // price, dashes.
    void headerFitsEightyColumnsForEveryStock() {
        for (const simmarket::SimStock& stock : simmarket::Stocks()) {
            for (const qint32 last : {stock.LimitUp(), stock.LimitDown()}) {
                HeaderPanel panel;
                const QString listing =
                    simmarket::ListingBoardName(stock.board) + ' ' + stock.Exchange();
                panel.SetQuote(Quote{stock.code, stock.name, listing, true, 2, last,
                                     stock.prev_close, 1, "10:23:45"});
                const QString full = panel.Render(0, 1).value(0);
                QVERIFY(full.contains(listing) && full.contains("fast-ten 1"));
                const QString line = panel.Render(80, 1).value(0);
                QVERIFY2(DisplayColumns(line) <= 80, qPrintable(line));
                QVERIFY2(line.startsWith(stock.code + ' ' + stock.name) &&
                             line.contains("  prev ") && line.endsWith("  10:23:45"),
                         qPrintable(line));
                // Only what does not fit is left out.
                QCOMPARE(line.contains(listing), DisplayColumns(full) <= 80);
            }
        }
        HeaderPanel narrow;
        narrow.SetQuote(Quote{"SH600519", QString::fromUtf8("贵州茅台"),
                              QString::fromUtf8("主板 SH"), true, 2, 185680, 168800, 1,
                              "10:23:45"});
        QCOMPARE(narrow.Render(70, 1).value(0),
                 QString::fromUtf8("SH600519 贵州茅台  1856.80 +168.80 +10.00%  prev 1688.00  "
                                   "10:23:45"));
        narrow.SetQuote(Quote{"SH600000", "PF", "M SH", false, 2, 0, 0, 0, "10:00:00"});
        QCOMPARE(narrow.Render(80, 1),
                 QStringList{"SH600000 PF M SH  --  prev --  fast-ten 0  10:00:00"});
    }

    // Panels that do not fit are named on the last row, which is kept for them: a panel that
    // fits only without that row is left out too.
    void leftOutPanelsAreNamedOnTheLastRow_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("shown");  // first line of each panel shown, in order
        QTest::addColumn<QString>("note");       // the last row; empty: every panel fits
        QTest::newRow("24: all, the book grown to 5")
            << 24 << QStringList{"book", "board", "flow", "minute_flow"} << "";
        QTest::newRow("19: all at their least")
            << 19 << QStringList{"book", "board", "flow", "minute_flow"} << "";
        QTest::newRow("16: the flow left out") << 16 << QStringList{"book", "board", "minute_flow"}
                                               << "no room for flow (--plain or --json shows them)";
        QTest::newRow("15: the note's row leaves out the minute flow too")
            << 15 << QStringList{"book", "board"}
            << "no room for flow, minute_flow (--plain or --json shows them)";
        QTest::newRow("1: the note alone")
            << 1 << QStringList{}
            << "no room for book, board, flow, minute_flow (--plain or "
               "--json shows them)";
    }

    void leftOutPanelsAreNamedOnTheLastRow() {
        QFETCH(int, rows);
        QFETCH(QStringList, shown);
        QFETCH(QString, note);
        const QStringList lines = RowsScreen().Layout(TerminalSize{120, rows});
        QVERIFY(lines.size() <= rows);
        QStringList firsts;
        for (const QString& line : lines) {
            if (line.endsWith(" 0")) {
                firsts << line.section(' ', 0, 0);
            }
        }
        QCOMPARE(firsts, shown);
        QCOMPARE(note.isEmpty() ? QString() : lines.last(), note);
        QCOMPARE(lines.filter("no room").size(), note.isEmpty() ? 0 : 1);
        // On a narrow terminal the note is cut to the width like any line.
        QVERIFY(DisplayColumns(RowsScreen().Layout(TerminalSize{20, rows}).value(0)) <= 20);
    }

    void layoutFitsTheTerminal_data() {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("levels");  // a side
        QTest::addColumn<bool>("board");
        QTest::newRow("80x24: seven levels and the board in two columns") << 80 << 24 << 7 << true;
        QTest::newRow("120x40: every level and the board") << 120 << 40 << 10 << true;
        QTest::newRow("60x24: the board in one column does not fit") << 60 << 24 << 10 << false;
        QTest::newRow("80x14: the book's least and one line more") << 80 << 14 << 5 << false;
    }

    void layoutFitsTheTerminal() {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, levels);
        QFETCH(bool, board);
        const Screen screen = MakeScreen();
        const QStringList lines = screen.Layout(TerminalSize{columns, rows});
        QVERIFY(lines.size() <= rows);
        for (const QString& line : lines) {
            QVERIFY2(DisplayColumns(line) <= columns, qPrintable(line));
        }
        // The header is whole: what it leaves out for the width is its listing, not the time.
        QVERIFY2(lines.first().startsWith(QString::fromUtf8("SZ300750 宁德时代 ")) &&
                     lines.first().contains("  10.60 +0.08") && lines.first().endsWith("09:30:00"),
                 qPrintable(lines.first()));
        QCOMPARE(LevelsShown(lines, "sell"), levels);
        QCOMPARE(LevelsShown(lines, "buy"), levels);
        QCOMPARE(lines.contains("board:"), board);
        // The long queue at buy 1 is cut to the width, saying how many orders are not shown.
        const QString buy1 = lines.filter(QRegularExpression("^buy 1 ")).value(0);
        QVERIFY2(buy1.contains(QRegularExpression("^buy 1 .* \\*100\\* .* \\+\\d+$")),
                 qPrintable(buy1));
        // Every panel of a stock's watch, waiting for its data, fits too.
        Screen stock(WatchPanels("SH600000"));
        for (const auto& panel : stock.Panels())
            panel->Request("SH600000");  // as watch does: a panel learns its code
        const QStringList waiting = stock.Layout(TerminalSize{columns, rows});
        QVERIFY(waiting.size() <= rows);
        for (const QString& line : waiting)
            QVERIFY2(DisplayColumns(line) <= columns, qPrintable(line));
    }

    void framesRedrawInPlaceOrStandAlone() {
        const Screen screen = MakeScreen();
        const QByteArray frame = screen.TerminalFrame(TerminalSize{80, 24});
        QVERIFY(frame.startsWith("\033[H"));
        QVERIFY(!frame.contains("\033[2J"));  // never the whole screen: no flicker
        QVERIFY(frame.endsWith("\033[K\033[J"));
        QCOMPARE(frame.count("\033[K"), 24);
        QCOMPARE(frame.count("\r\n"), 23);  // no newline after the last row: nothing scrolls
        const QByteArray plain = screen.PlainFrame();
        QVERIFY(!plain.contains('\033'));
        QVERIFY(plain.endsWith("\n\n"));
        QCOMPARE(LevelsShown(QString::fromUtf8(plain).split('\n'), "buy"), 10);
        const QByteArray line = screen.JsonLine("2026-01-05T09:30:00.000");
        QVERIFY(line.endsWith('\n') && line.count('\n') == 1);
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QCOMPARE(o["time"].toString(), QString("2026-01-05T09:30:00.000"));
        QCOMPARE(o["quote"].toObject()["last"].toString(), QString("10.60"));
        const QJsonArray buys = o["book"].toObject()["buy"].toArray();
        QCOMPARE(buys.size(), 10);
        QCOMPARE(buys[0].toObject()["big"].toArray(), QJsonArray{0});
        QVERIFY(buys[2].isNull());  // a filler level
        QCOMPARE(o["board"].toObject().size(), BoardKeys().size());
    }

    // No line while all is well; "link down since" keeps the time of the drop; "paused" joins it.
    void linkLineSaysWhatIsDownAndSince() {
        const QDate day(2026, 1, 5);
        LinkPanel link;
        QVERIFY(!link.Follow(true, false, QDateTime(day, QTime(10, 31, 0))));
        QCOMPARE(link.MinLines(80), 0);
        QVERIFY(link.Render(80, 1).isEmpty());
        QVERIFY(link.Follow(false, false, QDateTime(day, QTime(10, 31, 2))));
        QVERIFY(!link.Follow(false, false, QDateTime(day, QTime(10, 31, 9))));  // still since :02
        QCOMPARE(link.Render(80, 1),
                 QStringList{"[link down since 10:31:02; showing the last data]"});
        QVERIFY(link.Follow(false, true, QDateTime(day, QTime(10, 31, 10))));
        QCOMPARE(link.Text(), QString("link down since 10:31:02, paused"));
        QCOMPARE(link.Json().toObject()["down_since"].toString(), QString("2026-01-05T10:31:02"));
        QVERIFY(link.Follow(true, true, QDateTime(day, QTime(10, 31, 12))));
        QCOMPARE(link.Text(), QString("paused"));
        QCOMPARE(link.Json().toObject()["up"].toBool(), true);
        QVERIFY(link.Follow(false, false, QDateTime(day, QTime(10, 32, 0))));  // a new drop
        QCOMPARE(link.Text(), QString("link down since 10:32:00"));
    }

    void capitalFlowShowsEachClassInOutAndNet() {
        CapitalFlowPanel panel;
        QCOMPARE(panel.Missing(), QStringList{"capital flow"});
        panel.SetRow(capitalflow::StockFlowRow(StockFlow()));
        QVERIFY(panel.Missing().isEmpty());
        const QStringList lines = panel.Render(100, 7);
        QCOMPARE(lines.size(), 7);
        QVERIFY2(lines[0].startsWith("capital flow, lots"), qPrintable(lines[0]));
        QCOMPARE(lines[1].simplified(), QString("extra-large 930 1,210 -280"));
        QCOMPARE(lines[2].simplified(), QString("large 2,400 2,000 +400"));
        QCOMPARE(lines[4].simplified(), QString("little 8,800 9,100 -300"));
        QCOMPARE(lines[5].simplified(), QString("all classes 17,230 17,210 +20 ddx -0.321%"));
        QVERIFY2(lines[6].contains("bid 7,450 lots at 10.51") &&
                     lines[6].contains("ask 8,123 lots") &&
                     lines[6].contains("volume diff -180 lots"),
                 qPrintable(lines[6]));
        // Short of room: the heading and all classes first.
        const QStringList two = panel.Render(100, 2);
        QCOMPARE(two.size(), 2);
        QVERIFY(two[1].contains("all classes"));
        const QJsonObject json = panel.Json().toObject();
        QCOMPARE(json["ddx"].toInt(), -321);
        QCOMPARE(json.size(), 14);
    }

    void priceVolumeCentresOnTheLastPrice_data() {
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::newRow("middle, 5 rows") << "10.50" << 6 << QString("10.52") << QString("10.48");
        QTest::newRow("highest price") << "10.59" << 4 << QString("10.59") << QString("10.57");
        QTest::newRow("lowest price") << "10.40" << 4 << QString("10.42") << QString("10.40");
        QTest::newRow("last price not traded")
            << "11.00" << 4 << QString("10.50") << QString("10.48");
    }

    void priceVolumeCentresOnTheLastPrice() {
        QFETCH(QString, last);
        QFETCH(int, lines);
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        PriceVolumePanel panel;
        panel.SetTable(PriceRows(), last);
        const QStringList out = panel.Render(80, lines);
        QCOMPARE(out.size(), lines);
        QVERIFY2(out[1].simplified().startsWith(top) || out[1].simplified().startsWith("> " + top),
                 qPrintable(out[1]));
        QVERIFY2(out.last().contains(bottom), qPrintable(out.last()));
        for (const QString& line : out) {
            QVERIFY2(DisplayColumns(line) <= 80, qPrintable(line));
            QCOMPARE(line.startsWith('>'), line.contains(" " + last + " "));
        }
    }

    void boardFlowShowsAmountsAndLargeInflow() {
        BoardFlowPanel panel;
        const QList<ScopeTreeNode> nodes = panel.Request("BK0475");
        QCOMPARE(nodes.size(), 2);
        QVERIFY(nodes[0].scope_type == ScopeTypeVariant("board_capitalflow_12932"));
        QVERIFY(nodes[1].scope_type == ScopeTypeVariant("board_stkanalysis_12973"));
        QCOMPARE(panel.Missing(), (QStringList{"board flow", "large-order inflow"}));
        ResponsePkg_12932 amounts;
        amounts.extra_large_buy_amount = 92700000;  // yuan
        amounts.extra_large_sell_amount = 96400000;
        ResponsePkg_12973 analysis;
        analysis.CurrentDayLargeInCapital = -91;
        panel.SetRows(capitalflow::BoardFlowRow(amounts), capitalflow::BoardAnalysisRow(analysis));
        QVERIFY(panel.Missing().isEmpty());
        const QStringList lines = panel.Render(80, 8);
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines[0].startsWith(QString::fromUtf8("BK0475 银行  members SH600000 SZ000001")));
        QCOMPARE(lines[2].simplified(), QString("extra-large 9,270 9,640 -370"));
        QCOMPARE(lines[7], QString("large-order net inflow today: -91 x 10^4 yuan"));
        QCOMPARE(panel.Json().toObject()["CurrentDayLargeInCapital"].toInt(), -91);
        QCOMPARE(panel.Json().toObject().size(), 9);
        QCOMPARE(int(WatchPanels("BK0475").size()), 2);  // the board's flows and the link line
    }

    void minuteFlowKeepsEveryPageItHasSeen() {
        MinuteFlowPanel panel;
        const QList<ScopeTreeNode> roots = panel.Request("SH600000");
        QCOMPARE(roots.size(), 1);
        QVERIFY(roots[0].scope_type == ScopeTypeVariant("minute_based_capital_flows"));
        QCOMPARE(roots[0].stock_list.GetStockCode(), QString("SH600000"));
        ScopeTree tree;
        ScopeTreeNode root = roots[0];
        tree.AddRoot(root);
        panel.Update(tree);
        QCOMPARE(panel.Missing(), QStringList{"minute flow"});
        root.quote_data = Page({{"09:32", 2 * kUnit}, {"09:33", -kUnit}});
        tree.UpdateNode(root);
        panel.Update(tree);
        root.quote_data = Page({{"09:30", kUnit}, {"09:31", 0}});  // an older page
        tree.UpdateNode(root);
        panel.Update(tree);
        QVERIFY(panel.Missing().isEmpty());
        const QJsonArray minutes = panel.Json().toObject().value("minutes").toArray();
        QCOMPARE(minutes.size(), 4);
        QCOMPARE(minutes[0].toObject().value("time").toString(), QString("09:30"));
        QCOMPARE(minutes[3].toObject().value("total").toDouble(), double(2 * kUnit));
    }

    void minuteFlowChartsInflowOutflowAndTotalCutToTheWidth() {
        MinuteFlowPanel panel;
        panel.SetMinutes({{930, 8 * kUnit}, {931, -4 * kUnit}, {932, 0}, {933, -8 * kUnit}});
        const QStringList lines = panel.Render(80, 4);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QString("minute flow 09:30-09:33  last -8.0  session -4.0 (10^4)"));
        QCOMPARE(lines[1], QString("in    █   "));
        QCOMPARE(lines[2], QString("out    ▄ █"));
        QCOMPARE(lines[3].left(6), QString("total "));
        QCOMPARE(lines[3].size(), 10);
        QCOMPARE(panel.Render(80, 2).size(), 2);  // summary and total only

        QMap<int, qint64> many;
        for (int m = 0; m < 30; ++m)
            many.insert(1000 + m, (m % 2 ? 1 : -1) * kUnit);
        panel.SetMinutes(many);
        const QStringList cut = panel.Render(16, 4);
        for (const QString& line : cut)
            QVERIFY2(line.size() <= 16, qPrintable(line));
        QCOMPARE(cut[1].size(), 16);  // "in    " and the last ten minutes
    }
};

QTEST_GUILESS_MAIN(TestWatchScreen)
#include "tst_watchscreen.moc"
