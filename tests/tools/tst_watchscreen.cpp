// The watch screen without a plug-in: the book, minute-flow and link panels fed with hand-made
// quote data or the tables the plug-in's joins make from hand-made packages (their lines, what they
// wait for, their JSON), and the screen's layout into terminals of several sizes, what it leaves
// out, its in-place frames and its JSON lines. (Every panel complete, none waiting: watch --once in
// tst_qzlv2.)
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include <tuple>

#include "host/quoter/BaseQuoteData.h"
#include "tools/qzlv2/panels/BoardPanel.h"
#include "tools/qzlv2/panels/BookPanel.h"
#include "tools/qzlv2/panels/HeaderPanel.h"
#include "tools/qzlv2/panels/LinkPanel.h"
#include "tools/qzlv2/panels/MinuteFlowPanel.h"
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

constexpr qint64 kUnit = 100000000;  // net_capital_flow of 1.0 shown (10^4 of capital x 10^4)

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

    // What does not fit is named on the last row, which is kept for it.
    void layoutFitsTheTerminal_data() {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("levels");    // a side
        QTest::addColumn<QString>("note");  // the last row; empty: every panel fits, the board too
        const QString noBoard = "no room for board (--plain or --json shows them)";
        QTest::newRow("80x24: seven levels and the board in two columns")
            << 80 << 24 << 7 << QString();
        QTest::newRow("120x40: every level and the board") << 120 << 40 << 10 << QString();
        QTest::newRow("60x24: the board in one column does not fit") << 60 << 24 << 10 << noBoard;
        QTest::newRow("80x14: the book's least and one line more") << 80 << 14 << 5 << noBoard;
    }

    void layoutFitsTheTerminal() {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, levels);
        QFETCH(QString, note);
        const Screen screen = MakeScreen();
        const QStringList lines = screen.Layout(TerminalSize{columns, rows});
        QVERIFY(lines.size() <= rows);
        for (const QString& line : lines) {
            QVERIFY2(DisplayColumns(line) <= columns, qPrintable(line));
        }
        QCOMPARE(note.isEmpty() ? QString() : lines.last(), note);
        QCOMPARE(lines.filter("no room").size(), note.isEmpty() ? 0 : 1);
        // The header is whole: what it leaves out for the width is its listing, not the time.
        QVERIFY2(lines.first().startsWith(QString::fromUtf8("SZ300750 宁德时代 ")) &&
                     lines.first().contains("  10.60 +0.08") && lines.first().endsWith("09:30:00"),
                 qPrintable(lines.first()));
        QCOMPARE(LevelsShown(lines, "sell"), levels);
        QCOMPARE(LevelsShown(lines, "buy"), levels);
        QCOMPARE(lines.contains("board:"), note.isEmpty());
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
};

QTEST_GUILESS_MAIN(TestWatchScreen)
#include "tst_watchscreen.moc"
