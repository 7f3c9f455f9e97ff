// qzlv2's minute-flow commands run as a user runs them: decode of hand-laid 12842/12844/12988
// bodies, history paging a stock's weekly flow into the disk cache and a second run starting from
// it (counting the server requests), cache ls/show/verify on good and damaged files, and the
// usage errors.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/tools/ToolRun.h"

using tooltest::DataFile;
using tooltest::Run;
using tooltest::RunTool;

namespace {

// "N requests to the server" from history's summary line; -1 when absent.
int ServerRequests(const QByteArray& err) {
    const QRegularExpressionMatch m =
        QRegularExpression("(\\d+) requests to the server").match(QString::fromUtf8(err));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString WeekFile(const QString& dir) {
    return dir + "/cache/history/v20200101/SH/week/2-12844/SH600000.dat";
}

}  // namespace

class TestQzLv2Flows : public QObject {
    Q_OBJECT

private slots:
    void decodesHandLaidFlowBodies_data();
    void decodesHandLaidFlowBodies();
    void historyFillsStartsFromDiskAndReplacesADamagedFile();
    void usageErrors_data();
    void usageErrors();
};

void TestQzLv2Flows::decodesHandLaidFlowBodies_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("body");
    QTest::newRow("12842, counts and big capital, two minutes") << "12842"
                                                                << "12842_two_minutes";
    QTest::newRow("12844, big capital and medium/small counts") << "12844"
                                                                << "12844_one_week";
    QTest::newRow("12988, two items") << "12988"
                                      << "12988_two_items";
}

void TestQzLv2Flows::decodesHandLaidFlowBodies() {
    QFETCH(QString, function);
    QFETCH(QString, body);
    const Run r =
        RunTool({"decode", function, QStringLiteral(QZLV2_TEST_DATA "/") + body + ".hex", "--hex"});
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(QJsonDocument::fromJson(r.out), QJsonDocument::fromJson(DataFile(body + ".json")));
}

// The first run pages the whole weekly history (a page of 200, then 199 new records a page, then
// the page of two that ends it); the second starts from the disk and asks only for the newest
// page; both print the same series. Verify passes until a byte of the file is changed, names that
// file, and the next run fetches the history again and replaces it.
void TestQzLv2Flows::historyFillsStartsFromDiskAndReplacesADamagedFile() {
    QTemporaryDir dir;
    const QStringList args{"history", "SH600000", "--cycle", "week", "--cache-dir", dir.path()};
    const Run first = RunTool(args);
    QCOMPARE(first.exit_code, 0);
    const int records = first.out.count('\n') - 1;  // a heading line
    QVERIFY(records > 1200);                        // weeks since January 2000
    QCOMPARE(ServerRequests(first.err), 2 + (records - 200 + 198) / 199);
    QVERIFY(QFile::exists(WeekFile(dir.path())));

    const Run second = RunTool(args);
    QCOMPARE(second.exit_code, 0);
    QCOMPARE(ServerRequests(second.err), 1);
    QCOMPARE(second.out, first.out);

    const Run verify = RunTool({"cache", "verify", "--cache-dir", dir.path()});
    QCOMPARE(verify.exit_code, 0);
    QVERIFY(verify.out.startsWith("ok   " + WeekFile(dir.path()).toUtf8()));
    const Run show =
        RunTool({"cache", "show", "SH600000", "week", "--cache-dir", dir.path(), "--json"});
    QCOMPARE(show.exit_code, 0);
    const QJsonObject file = QJsonDocument::fromJson(show.out).object();
    QCOMPARE(file.value("format_version").toInt(), 20200101);
    QCOMPARE(file.value("data_version").toInt(), 20200403);
    QCOMPARE(file.value("function_id").toInt(), 12844);
    QCOMPARE(file.value("complete").toBool(), true);
    QCOMPARE(file.value("records").toArray().size(), records);
    QCOMPARE(file.value("records").toArray().first().toObject().value("time").toInt(), 20000107);

    QCOMPARE(
        RunTool({"history", "SZ000001", "--cycle", "year", "--cache-dir", dir.path()}).exit_code,
        0);
    QFile damaged(WeekFile(dir.path()));
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    damaged.seek(damaged.size() - 7);
    damaged.write("\x55", 1);
    damaged.close();
    const Run bad = RunTool({"cache", "verify", "--cache-dir", dir.path()});
    QCOMPARE(bad.exit_code, 1);
    QVERIFY2(bad.out.contains("BAD  " + WeekFile(dir.path()).toUtf8() +
                              ": stored content may be destroyed"),
             bad.out.constData());
    QVERIFY(bad.out.contains("ok   "));  // the yearly file of SZ000001
    const Run ls = RunTool({"cache", "ls", "--cache-dir", dir.path(), "--json"});
    QCOMPARE(ls.exit_code, 0);
    QCOMPARE(QJsonDocument::fromJson(ls.out).array().size(), 2);
    QCOMPARE(RunTool(args).exit_code, 0);
    QCOMPARE(RunTool({"cache", "verify", "--cache-dir", dir.path()}).exit_code, 0);
}

void TestQzLv2Flows::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("a cycle outside the table lists the cycles")
        << QStringList{"history", "SH600000", "--cycle", "day"}
        << "--cycle must be one of 1min, 5mins, 15mins, 30mins, 60mins, week, month, quarter, "
           "half_year, year";
    QTest::newRow("an unknown stock")
        << QStringList{"history", "SH999999", "--cycle", "week"} << "no stock SH999999";
    QTest::newRow("an unknown cache action")
        << QStringList{"cache", "purge"} << "ls, show or verify";
    QTest::newRow("show without its cycle")
        << QStringList{"cache", "show", "SH600000"} << "show needs CODE and CYCLE";
}

void TestQzLv2Flows::usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run r = RunTool(args);
    QCOMPARE(r.exit_code, 2);
    QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
}

QTEST_GUILESS_MAIN(TestQzLv2Flows)
#include "tst_qzlv2flows.moc"
