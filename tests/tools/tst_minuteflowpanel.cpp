// The watch screen's minute-flow panel: what it asks for, the minutes it keeps across pages, and
// its chart (inflow and outflow bars per minute, the running total) cut to the width.
#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

#include "host/quoter/BaseQuoteData.h"
#include "tools/qzlv2/MinuteFlowPanel.h"

using qzlv2::MinuteFlowPanel;

namespace {

constexpr qint64 kUnit = 100000000;  // net_capital_flow of 1.0 shown (10^4 of capital x 10^4)

// A page of minute rows as the 12842 join makes them.
QSharedPointer<BaseQuoteData> Page(const QList<QPair<QString, qint64>>& minutes) {
    auto data = QSharedPointer<BaseQuoteData>::create();
    for (const auto& m : minutes) {
        nscell::DataRow row;
        row.Set("time", nscell::UnsharedDataCell(m.first));
        row.Set("net_capital_flow", nscell::UnsharedDataCell::FromBigInteger(m.second));
        data->rows << row;
    }
    return data;
}

}  // namespace

class TestMinuteFlowPanel : public QObject {
    Q_OBJECT

private slots:
    void keepsEveryPageItHasSeen() {
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

    void chartsInflowOutflowAndTotalCutToTheWidth() {
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

QTEST_GUILESS_MAIN(TestMinuteFlowPanel)
#include "tst_minuteflowpanel.moc"
