// The capital-flow, price-volume and board-flow panels of the watch screen, fed with the tables
// the plug-in's joins make from hand-made packages: their lines (in, out and net per class with
// units, the window of prices around the last one), what they wait for, their JSON, and a
// screen of every stock panel fitted into small and large terminals.
#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

#include "host/quoter/DealsQuoteData.h"
#include "services/capitalflow/CapitalFlowJoins.h"
#include "services/deals/PriceDealsJoin.h"
#include "tools/qzlv2/BoardFlowPanel.h"
#include "tools/qzlv2/CapitalFlowPanel.h"
#include "tools/qzlv2/PriceVolumePanel.h"
#include "tools/qzlv2/Screen.h"
#include "tools/qzlv2/WatchPanels.h"

using nscell::DataRow;
using namespace qzlv2;

namespace {

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

}  // namespace

class TestFlowPanelScreen : public QObject {
    Q_OBJECT

private slots:
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
        QTest::newRow("middle, 5 rows") << "10.50" << 6 << "10.52"
                                        << "10.48";
        QTest::newRow("highest price") << "10.59" << 4 << "10.59"
                                       << "10.57";
        QTest::newRow("lowest price") << "10.40" << 4 << "10.42"
                                      << "10.40";
        QTest::newRow("last price not traded") << "11.00" << 4 << "10.50"
                                               << "10.48";
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
    }

    void stockScreenFitsTheTerminal_data() {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::newRow("80 x 24") << 80 << 24;
        QTest::newRow("100 x 40") << 100 << 40;
        QTest::newRow("60 x 60") << 60 << 60;
    }

    void stockScreenFitsTheTerminal() {
        QFETCH(int, columns);
        QFETCH(int, rows);
        Screen screen(WatchPanels("SH600000"));
        ScopeTree tree;
        for (const auto& panel : screen.Panels()) {
            for (const ScopeTreeNode& node : panel->Request("SH600000"))
                tree.AddRoot(node);
        }
        const QStringList lines = screen.Layout(TerminalSize{columns, rows});
        QVERIFY(lines.size() <= rows);
        for (const QString& line : lines)
            QVERIFY2(DisplayColumns(line) <= columns, qPrintable(line));
        QCOMPARE(int(WatchPanels("BK0475").size()), 2);  // the board's flows and the link line
    }
};

QTEST_GUILESS_MAIN(TestFlowPanelScreen)
#include "tst_flowpanelscreen.moc"
