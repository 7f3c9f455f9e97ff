// `qzlv2 watch --once`, run as a user runs it: the plug-in file loaded by the tool, the embedded
// simulated market, and one complete screen on standard output.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

constexpr int kRunMs = 60000;  // ms, bounded wait for the tool to finish

struct Run {
    int exit_code = -1;
    QString out;
    QString err;
};

Run RunTool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(QZLV2_TOOL_FILE), args);
    Run r;
    if (p.waitForFinished(kRunMs) && p.exitStatus() == QProcess::NormalExit) {
        r.exit_code = p.exitCode();
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace

class TestQzLv2Watch : public QObject {
    Q_OBJECT

private slots:
    void onceShowsOneCompleteScreen();
    void rejectsUnknownStocksAndMissingPlugIns_data();
    void rejectsUnknownStocksAndMissingPlugIns();
    void listShowsTheMarket();
};

void TestQzLv2Watch::onceShowsOneCompleteScreen() {
    const Run r = RunTool({"watch", "SZ300750", "--once", "--timeout", "20"});
    QVERIFY2(r.exit_code == 0, qPrintable(r.err));
    const QStringList lines = r.out.split('\n');
    QVERIFY(lines.first().startsWith(QString::fromUtf8("SZ300750 宁德时代")));
    QVERIFY2(lines.first().contains("prev close 180.35"), qPrintable(lines.first()));
    // Ten sell levels from the top (sell 10 .. sell 1), then ten buy levels (buy 1 .. buy 10),
    // every one a real level: a price with the stock's two decimals, lots, orders and a queue.
    static const QRegularExpression level(
        "^(sell|buy) +(\\d+) +(\\d+\\.\\d\\d) +(\\d+) +(\\d+)  ((\\*?\\d+\\*? ?)+)$");
    QStringList labels;
    QList<double> prices;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = level.match(line);
        if (m.hasMatch()) {
            labels << m.captured(1) + m.captured(2);
            prices << m.captured(3).toDouble();
            QVERIFY2(m.captured(4).toLongLong() > 0 && m.captured(5).toInt() > 0, qPrintable(line));
        }
    }
    QStringList expected;
    for (int i = 10; i >= 1; --i) {
        expected << QString("sell%1").arg(i);
    }
    for (int i = 1; i <= 10; ++i) {
        expected << QString("buy%1").arg(i);
    }
    QCOMPARE(labels, expected);
    for (int i = 1; i < prices.size(); ++i) {
        QVERIFY2(prices[i] < prices[i - 1], "prices fall from sell 10 down to buy 10");
    }
    for (const char* key : {"money_flow_today", "float_ratio_day_0", "big_order_ratio",
                            "turnover_ratio_day_5", "money_flow_5d"}) {
        QVERIFY2(r.out.contains(QRegularExpression(QString("\\n  %1 +\\S+").arg(key))), key);
    }
    QVERIFY(!r.out.contains("waiting for"));
    QVERIFY(!r.out.contains("AttachNode"));  // the plug-in's own lines stay off the screen
}

void TestQzLv2Watch::rejectsUnknownStocksAndMissingPlugIns_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown stock")
        << QStringList{"watch", "SH999999", "--once"} << 2 << "no stock SH999999";
    QTest::newRow("missing plug-in")
        << QStringList{"watch", "SH600000", "--once", "--plugin", "/nonexistent/libplugin.so"} << 1
        << "cannot load the plug-in";
    QTest::newRow("bad number") << QStringList{"watch", "SH600000", "--seconds", "soon"} << 2
                                << "--seconds";
}

void TestQzLv2Watch::rejectsUnknownStocksAndMissingPlugIns() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run r = RunTool(args);
    QCOMPARE(r.exit_code, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestQzLv2Watch::listShowsTheMarket() {
    const Run r = RunTool({"list"});
    QCOMPARE(r.exit_code, 0);
    for (const char* row :
         {"SH600000  浦发银行", "SH688981  中芯国际  科创板", "SZ300750  宁德时代  创业板"}) {
        QVERIFY2(r.out.contains(QString::fromUtf8(row)), row);
    }
    QVERIFY(r.out.contains("boards:"));
}

QTEST_GUILESS_MAIN(TestQzLv2Watch)
#include "tst_qzlv2watch.moc"
