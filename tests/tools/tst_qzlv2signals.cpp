// `qzlv2 signals` and the large-deal line of `qzlv2 watch` against the embedded market: the
// filtered feed above its statistics, the JSON line, the alert line and the usage errors.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include "tests/tools/ToolRun.h"

using tooltest::Run;
using tooltest::RunTool;

class TestQzLv2Signals : public QObject {
    Q_OBJECT

private slots:
    void signalsOnceShowsTheFilteredFeedAboveItsStatistics() {
        const Run r = RunTool({"signals", "--once", "--markets", "SZ", "--stocks", "SH600000",
                               "--tick", "50", "--timeout", "30"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QStringList lines = QString::fromUtf8(r.out).split('\n');
        const int stats = lines.indexOf("statistics per type and side");
        QVERIFY(lines.first().startsWith("signals, newest first ("));
        QVERIFY(stats > 1);
        // Feed lines: time, a stock of SZ or SH600000, and newest first.
        static const QRegularExpression feed("^(\\d\\d:\\d\\d:\\d\\d)  (SZ\\d{6}|SH600000) ");
        QString previous = "99:99:99";
        for (int i = 1; i < stats; ++i) {
            const QRegularExpressionMatch m = feed.match(lines[i]);
            QVERIFY2(m.hasMatch(), qPrintable(lines[i]));
            QVERIFY(m.captured(1) <= previous);
            previous = m.captured(1);
        }
        // Twelve types, each with the count of both sides; the counts add up to the feed.
        static const QRegularExpression row("  (买|卖) (\\d+)");
        int counted = 0;
        for (int i = stats + 1; i <= stats + 12; ++i) {
            auto it = row.globalMatch(lines.value(i));
            QVERIFY2(it.hasNext(), qPrintable(lines.value(i)));
            while (it.hasNext())
                counted += it.next().captured(2).toInt();
        }
        const int feedCount = lines.first().section('(', 1).section(')', 0, 0).toInt();
        QCOMPARE(counted, feedCount);
    }

    void signalsJsonCarriesTheRowsColumns() {
        const Run r =
            RunTool({"signals", "--once", "--json", "--types",
                     QString::fromUtf8("大笔买入,大笔卖出"), "--tick", "50", "--timeout", "30"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject o = QJsonDocument::fromJson(lines.first()).object();
        const QJsonArray feed = o.value("signals").toArray();
        QVERIFY(!feed.isEmpty());
        for (const QJsonValue& v : feed) {
            const QString type = v.toObject().value("signal_type_name").toString();
            QVERIFY2(type == QString::fromUtf8("大笔买入") || type == QString::fromUtf8("大笔卖出"),
                     qPrintable(type));
            QVERIFY(v.toObject().contains("signal_description"));
        }
        QCOMPARE(o.value("statistics").toArray().size(), 12 * 2);  // both sides occur
    }

    void watchShowsTheLatestLargeDeal() {
        const Run r = RunTool({"watch", "SZ300750", "--once", "--tick", "50", "--timeout", "30"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        static const QRegularExpression alert(
            "\\nlarge deal   \\d\\d:\\d\\d:\\d\\d  \\d+\\.\\d\\d  (\\d+) lots   in (\\d+) / out "
            "(\\d+) lots");
        const QRegularExpressionMatch m = alert.match(QString::fromUtf8(r.out));
        QVERIFY2(m.hasMatch(), r.out.constData());
        // A deal is attributed to one side or to none.
        const int lots = m.captured(1).toInt();
        QVERIFY(m.captured(2).toInt() + m.captured(3).toInt() == lots ||
                m.captured(2).toInt() + m.captured(3).toInt() == 0);
        QVERIFY(lots * 100LL * 180 >= 200000);  // at least 200 000 yuan at about 180 yuan
    }

    // Arguments -> exit code and a piece of the message on stderr.
    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("market of three letters")
            << QStringList{"signals", "--markets", "SHA"} << 2 << "two-letter markets";
        QTest::newRow("unknown stock")
            << QStringList{"signals", "--stocks", "SZ999999"} << 2 << "no stock SZ999999";
        QTest::newRow("unknown type")
            << QStringList{"signals", "--types", "bogus"} << 2 << "unknown signal type bogus";
        QTest::newRow("decode kind 3")
            << QStringList{"decode", "12990", "-", "--kind", "3"} << 2 << "kind";
        QTest::newRow("latest deal announcing 0 and carrying none")
            << QStringList{"decode", "12990", "-", "--kind", "2"} << 1 << "DecodeLargeDealBody";
    }

    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run r = RunTool(args);
        QCOMPARE(r.exit_code, exitCode);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestQzLv2Signals)
#include "tst_qzlv2signals.moc"
