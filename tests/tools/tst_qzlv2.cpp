// The qzlv2 tool run as a user runs it: `decode` on answer bodies laid out by hand (data/*.hex, a
// commented line per field) against hand-written JSON, `watch` through the plug-in file and the
// embedded market, its exit codes, write errors and signals.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

#include "tests/tools/ToolRun.h"
#include "tools/qzlv2/DecodeCommand.h"

using tooltest::DataFile;
using tooltest::kRunMs;
using tooltest::Run;
using tooltest::RunTool;

class TestQzLv2 : public QObject {
    Q_OBJECT

private slots:
    void decodesHandLaidBodies_data();
    void decodesHandLaidBodies();
    void everyTruncationIsRefused();
    void decodeRefusesBodiesOverTheLimit();
    void exitCodes_data();
    void exitCodes();
    void writeErrorsExitOne_data();
    void writeErrorsExitOne();
    void signalsEndQuietly_data();
    void signalsEndQuietly();
    void watchOnceShowsOneCompleteScreen();
    void watchJsonWritesOneObjectALine();
    void watchShowsTheDropAndComesBack();
};

void TestQzLv2::decodesHandLaidBodies_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("body");  // data/<body>.hex, expected in data/<body>.json
    QTest::addColumn<bool>("raw");      // the bytes on standard input rather than hex in a file
    QTest::newRow("12989 two levels") << "12989" << QString("12989_two_levels") << false;
    QTest::newRow("10002 snapshot") << "10002" << QString("10002_snapshot") << false;
    QTest::newRow("12755 related") << "12755" << QString("12755_related") << false;
    QTest::newRow("10012 raw from stdin") << "10012" << QString("10012_dataset") << true;
    QTest::newRow("12930 flow") << "12930" << QString("12930_flow") << false;
    QTest::newRow("12932 board flow") << "12932" << QString("12932_board") << false;
    QTest::newRow("12973 analysis") << "12973" << QString("12973_analysis") << false;
    QTest::newRow("12915 price deals") << "12915" << QString("12915_prices") << false;
    QTest::newRow("12917 queues raw") << "12917" << QString("12917_queues") << true;
    QTest::newRow("12990 page") << "12990" << QString("12990_page") << false;
    QTest::newRow("10015 with levels") << "10015" << QString("10015_catalogue") << false;
    QTest::newRow("10016 short order") << "10016" << QString("10016_short_order") << false;
}

// Every cut of a hand-laid capital-flow or deals body is refused (exitCodes runs one through the
// tool).
void TestQzLv2::everyTruncationIsRefused() {
    const QList<QPair<int, QString>> bodies = {{12930, "12930_flow"},
                                               {12932, "12932_board"},
                                               {12973, "12973_analysis"},
                                               {12915, "12915_prices"},
                                               {12917, "12917_queues"}};
    for (const auto& body : bodies) {
        QByteArray bytes;
        QString error;
        QVERIFY(qzlv2::ParseHex(DataFile(body.second + ".hex"), bytes, error));
        QJsonObject json;
        QVERIFY(qzlv2::DecodeBody(body.first, bytes, json, error));
        for (int length = 0; length < bytes.size(); ++length) {
            QVERIFY2(!qzlv2::DecodeBody(body.first, bytes.left(length), json, error),
                     qPrintable(QString("%1 cut to %2 bytes").arg(body.second).arg(length)));
        }
    }
}

void TestQzLv2::decodesHandLaidBodies() {
    QFETCH(QString, function);
    QFETCH(QString, body);
    QFETCH(bool, raw);
    QByteArray bytes;
    QString error;
    QVERIFY(qzlv2::ParseHex(DataFile(body + ".hex"), bytes, error));
    const Run r = raw ? RunTool({"decode", function, "-"}, bytes)
                      : RunTool({"decode", function, QZLV2_TEST_DATA "/" + body + ".hex", "--hex"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    QJsonParseError parse{};
    const QJsonDocument actual = QJsonDocument::fromJson(r.out, &parse);
    QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
    const QJsonDocument wanted = QJsonDocument::fromJson(DataFile(body + ".json"));
    QVERIFY(!wanted.isNull());
    QVERIFY2(actual == wanted, r.out.constData());
}

void TestQzLv2::watchOnceShowsOneCompleteScreen() {
    const Run list = RunTool({"list"});
    QCOMPARE(list.exit_code, 0);
    QVERIFY(QString::fromUtf8(list.out).contains(QString::fromUtf8("SZ300750  宁德时代  创业板")));
    const Run listJson = RunTool({"list", "--json"});  // one document
    QCOMPARE(listJson.exit_code, 0);
    const QJsonObject listed = QJsonDocument::fromJson(listJson.out).object();
    bool found = false;
    for (const QJsonValue& s : listed["stocks"].toArray()) {
        found = found || (s["code"] == "SZ300750" && s["board"] == QString::fromUtf8("创业板"));
    }
    QVERIFY(found);
    QVERIFY(!listed["boards"].toArray().isEmpty());
    const Run r = RunTool({"watch", "SZ300750", "--once", "--timeout", "20"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    const QString out = QString::fromUtf8(r.out);
    const QStringList lines = out.split('\n');
    QVERIFY(lines.first().startsWith(QString::fromUtf8("SZ300750 宁德时代")));
    QVERIFY2(lines.first().contains(QRegularExpression(
                 "  \\d+\\.\\d\\d [+-]\\d+\\.\\d\\d [+-]\\d+\\.\\d\\d%  prev 180.35  ")),
             qPrintable(lines.first()));
    // Ten sell levels from the top (sell 10 .. sell 1), then ten buy levels (buy 1 .. buy 10),
    // every one a real level: a price with the stock's two decimals, lots, orders and a queue.
    static const QRegularExpression level(
        "^(sell|buy) +(\\d+) +(\\d+\\.\\d\\d) +(\\d+) +(\\d+)  ((\\*?\\d+\\*? ?)+)$");
    QStringList labels;
    double above = 1e9;  // prices fall from sell 10 down to buy 10
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = level.match(line);
        if (m.hasMatch()) {
            labels << m.captured(1) + m.captured(2);
            QVERIFY2(m.captured(3).toDouble() < above && m.captured(4).toLongLong() > 0 &&
                         m.captured(5).toInt() > 0,
                     qPrintable(line));
            above = m.captured(3).toDouble();
        }
    }
    QCOMPARE(labels.size(), 20);
    QCOMPARE(labels.first() + labels[9] + labels[10] + labels.last(),
             QString("sell10sell1buy1buy10"));
    for (const char* label : {"money flow today", "float ratio today", "big-order ratio",
                              "turnover ratio 5 days", "money flow 5 days"}) {
        QVERIFY2(out.contains(QRegularExpression(QString("\\n  %1 +\\S+").arg(label))), label);
    }
    // Complete, and the plug-in's own lines stay off the screen; its diagnostics are switched off
    // through their logging categories.
    QVERIFY(!out.contains("waiting for") && !out.contains("AttachNode"));
    QVERIFY2(r.err.isEmpty(), r.err.constData());
}

void TestQzLv2::decodeRefusesBodiesOverTheLimit() {
    QTemporaryFile big;
    QVERIFY(big.open() && big.resize((16 << 20) + 1));  // sparse: costs no disk
    const Run r = RunTool({"decode", "12989", big.fileName()});
    QCOMPARE(r.exit_code, 1);
    QVERIFY2(
        r.err.startsWith("qzlv2 decode: " + big.fileName().toUtf8() +
                         " holds 16777217 bytes, more than the 16777216 bytes a body may have"),
        r.err.constData());
    QVERIFY(r.out.isEmpty());
}

void TestQzLv2::exitCodes_data() {
    QTest::addColumn<QString>("args");  // split at spaces; "@" names a file of data/
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");  // the start of standard error; empty: nothing there
    const QString decodeError = "qzlv2 decode: ";
    QTest::newRow("12989 cut in a sell level")
        << "decode 12989 @12989_truncated.hex --hex" << 1
        << decodeError +
               "FastQuoteDecoder::Decode: read of 4 bytes at offset 68 exceeds body length 68\n";
    QTest::newRow("10002 cut in a field")
        << "decode 10002 @10002_truncated.hex --hex" << 1
        << decodeError +
               "DecodeStockSnapshotBody: read of 4 bytes at offset 57 exceeds body length 59\n";
    QTest::newRow("odd hex digits")
        << "decode 12989 @odd_digits.hex --hex" << 2 << decodeError + "odd number of hex digits";
    QTest::newRow("12755 with no bytes")
        << "decode 12755 -" << 1 << decodeError + "DecodeStockRelatedBody: read of";
    QTest::newRow("function not decoded")
        << "decode 12931 -" << 1 << decodeError + "function 12931";
    QTest::newRow("12930 one byte short") << "decode 12930 @12930_flow_61.bin" << 1
                                          << decodeError + "12930: read of 4 bytes at offset 58";
    QTest::newRow("12973 count over 255")
        << "decode 12973 @12973_count_256.hex --hex" << 1 << decodeError + "12973: entry count 256";
    QTest::newRow("missing file") << "decode 12989 /nonexistent/body" << 2
                                  << decodeError + "cannot read /nonexistent/body";
    QTest::newRow("bad hex names the byte")
        << "decode 12989 @hex_prefix.hex --hex" << 2
        << decodeError + "not a hex digit at line 2, column 2 (byte 32): 'x' (0x78)\n";
    const QString trailing = "qzlv2 decode: 3 trailing bytes at offset 73 after a complete body";
    QTest::newRow("trailing bytes reported")
        << "decode 12989 @12989_trailing.hex --hex" << 0 << trailing + "\n";
    QTest::newRow("trailing bytes refused with --strict")
        << "decode 12989 @12989_trailing.hex --hex --strict" << 1
        << trailing + " (refused with --strict)\n";
    QTest::newRow("records after the first are not trailing bytes")
        << "decode 10002 @10002_two_records.hex --hex --strict" << 0
        << "qzlv2 decode: the body announces 2 records; the first ends at offset 61, the 4 bytes "
           "after it are not decoded\n";
    QTest::newRow("an exact body says nothing")
        << "decode 12989 @12989_two_levels.hex --hex --strict" << 0 << "";
    QTest::newRow("no command") << "" << 2 << "Usage: qzlv2 COMMAND";
    QTest::newRow("unknown command") << "show SH600000" << 2 << "Usage: qzlv2 COMMAND";
    QTest::newRow("list extra") << "list extra" << 2 << "qzlv2 list: unexpected argument 'extra'";
    QTest::newRow("list unknown option") << "list --bogus" << 2 << "qzlv2 list: Unknown option";
    QTest::newRow("decode missing FILE") << "decode 12989" << 2 << "qzlv2 decode: missing argument";
    QTest::newRow("decode FUNCTION not a number")
        << "decode fast -" << 2 << "qzlv2 decode: FUNCTION must be a number";
    QTest::newRow("watch no CODE") << "watch" << 2 << "qzlv2 watch: missing argument";
    QTest::newRow("watch option without value")
        << "watch SH600000 --seconds" << 2 << "qzlv2 watch: Missing value after '--seconds'";
    QTest::newRow("watch seconds not a number") << "watch SH600000 --seconds soon" << 2
                                                << "qzlv2 watch: --seconds takes a whole number "
                                                   "from 0 to 2147483647, not 'soon'";
    QTest::newRow("watch seconds negative")
        << "watch SH600000 --seconds -1" << 2 << "qzlv2 watch: --seconds takes";
    QTest::newRow("watch seed past 32 bits") << "watch SH600000 --seed 4294967296" << 2
                                             << "qzlv2 watch: --seed takes a whole number from "
                                                "0 to 4294967295";
    QTest::newRow("watch code without market")
        << "watch 600000" << 2
        << "qzlv2 watch: the simulated market has no stock 600000; "
           "did you mean SH600000?";
    QTest::newRow("watch unknown stock")
        << "watch SH999999 --once" << 2 << "qzlv2 watch: the simulated market has no stock";
    QTest::newRow("watch missing plug-in")
        << "watch SH600000 --once --plugin /nonexistent/libplugin.so" << 1
        << "qzlv2 watch: cannot load the plug-in /nonexistent/libplugin.so: no such file; "
           "expected a Qt 5 plug-in";
    QTest::newRow("watch broken plug-in file")
        << "watch SH600000 --once --plugin @broken_plugin.so" << 1
        << "qzlv2 watch: cannot load the plug-in " QZLV2_TEST_DATA "/broken_plugin.so: ";
    QTest::newRow("watch plug-in of another kind")
        << "watch SH600000 --once --plugin " QZLV2_WRONG_PLUGIN << 1
        << "qzlv2 watch: cannot load the plug-in " QZLV2_WRONG_PLUGIN
           ": its factory (IID org.example.NotAQuoterFactory/1.0) is not a quoter factory; "
           "expected a Qt 5 plug-in whose factory implements "
           "com.mervox.lib.quoter.QuoterFactoryInterface/1.0";
    QTest::newRow("help") << "--help" << 0 << "";
    QTest::newRow("command help") << "decode --help" << 0 << "";
}

void TestQzLv2::exitCodes() {
    QFETCH(QString, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run r = RunTool(args.replace('@', QZLV2_TEST_DATA "/").split(' ', Qt::SkipEmptyParts));
    QCOMPARE(r.exit_code, exitCode);
    QVERIFY2(r.err.startsWith(message.toUtf8()), r.err.constData());
    QCOMPARE(r.err.isEmpty(), message.isEmpty());
    // A reason is one line, with no log line of the decoders before it; only usage follows one.
    if (!message.isEmpty() && !message.startsWith("Usage")) {
        QVERIFY2(r.err.count('\n') == 1, r.err.constData());
    }
    // Refusals leave standard output empty; help is all on it, a decoded body one JSON object.
    QCOMPARE(r.out.isEmpty(), exitCode != 0);
    if (exitCode == 0 && args.contains(".hex")) {
        QVERIFY2(QJsonDocument::fromJson(r.out).isObject(), r.out.constData());
    }
}

void TestQzLv2::writeErrorsExitOne_data() {
    QTest::addColumn<QString>("command");  // the arguments and a redirect of stdout, in sh
    QTest::newRow("list to a full disk") << "list >/dev/full";
    QTest::newRow("list to a closed stdout") << "list >&-";
    QTest::newRow("decode to a full disk")
        << "decode 12989 " QZLV2_TEST_DATA "/12989_two_levels.hex --hex >/dev/full";
    QTest::newRow("help to a full disk") << "--help >/dev/full";
    QTest::newRow("watch to a full disk") << "watch SZ300750 --once >/dev/full";
    QTest::newRow("watch to a closed stdout") << "watch SZ300750 --once >&-";
}

void TestQzLv2::writeErrorsExitOne() {
    QFETCH(QString, command);
    QProcess p;
    p.start("/bin/sh", {"-c", "exec \"$0\" " + command, QZLV2_TOOL_FILE});
    QVERIFY(p.waitForFinished(kRunMs));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    QVERIFY2(err.contains(": cannot write the output: ") && err.count('\n') == 1, err.constData());
}

void TestQzLv2::signalsEndQuietly_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("afterScreen");  // else as soon as the plug-in speaks (--verbose)
    QTest::addColumn<int>("exitCode");
    QTest::newRow("SIGINT on the screen") << int(SIGINT) << true << 130;
    QTest::newRow("SIGTERM on the screen") << int(SIGTERM) << true << 143;
    QTest::newRow("SIGINT before the first screen") << int(SIGINT) << false << 130;
    QTest::newRow("SIGTERM before the first screen") << int(SIGTERM) << false << 143;
}

void TestQzLv2::signalsEndQuietly() {
    QFETCH(int, signal);
    QFETCH(bool, afterScreen);
    QFETCH(int, exitCode);
    QProcess p;
    QStringList args{"watch", "SZ300750", "--plain"};
    if (!afterScreen) {
        args << "--verbose";
    }
    p.start(QZLV2_TOOL_FILE, args);
    QVERIFY(p.waitForStarted(kRunMs));
    if (afterScreen) {
        QByteArray out;
        QTRY_VERIFY2_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("board:"),
                                  (out + p.readAllStandardError()).constData(), kRunMs);
    } else {
        p.setReadChannel(QProcess::StandardError);
        QVERIFY(p.waitForReadyRead(kRunMs));  // the plug-in's first diagnostics
    }
    const QByteArray errBefore = p.readAllStandardError();
    ::kill(pid_t(p.processId()), signal);
    QVERIFY(p.waitForFinished(kRunMs));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    if (afterScreen) {
        QVERIFY2(errBefore.isEmpty() && p.readAllStandardError().isEmpty(), "not quiet");
    } else {
        QVERIFY(!p.readAllStandardError().contains("qzlv2"));
    }
}

void TestQzLv2::watchJsonWritesOneObjectALine() {
    const Run r = RunTool({"watch", "SZ300750", "--once", "--json", "--timeout", "20"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    const QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines.size(), 2);  // one object, then the end of the stream
    QJsonParseError parse{};
    const QJsonObject o = QJsonDocument::fromJson(lines.first(), &parse).object();
    QVERIFY2(parse.error == QJsonParseError::NoError, lines.first().constData());
    QCOMPARE(o["quote"].toObject()["code"].toString(), QString("SZ300750"));
    QCOMPARE(o["quote"].toObject()["prev_close"].toString(), QString("180.35"));
    QCOMPARE(o["book"].toObject()["buy"].toArray().size(), 10);
    QVERIFY(o["book"].toObject()["buy"].toArray().first().toObject()["lots"].toInt() > 0);
    QVERIFY(o["board"].toObject()["money_flow_today"].isDouble());
    QVERIFY(o["capital_flow"].toObject()["little_buy_volume"].isDouble());
    QVERIFY(!o["price_volume"].toArray().isEmpty());
    // A board: its flows and its large-order inflow.
    const Run board = RunTool({"watch", "BK0475", "--once", "--json", "--timeout", "20"});
    QVERIFY2(board.exit_code == 0, board.err.constData());
    const QJsonObject flow =
        QJsonDocument::fromJson(board.out.split('\n').first()).object()["board_flow"].toObject();
    QVERIFY(flow["extra_large_buy_amount"].isDouble());
    QVERIFY(flow["CurrentDayLargeInCapital"].isDouble());
}

// A running watch whose link drops after 4 s for 2 s: every update is one more line, a whole JSON
// object; one says the link is down, and after it comes back the book moves again.
void TestQzLv2::watchShowsTheDropAndComesBack() {
    const Run r = RunTool({"watch", "SZ300750", "--json", "--seconds", "7", "--drop-link-every",
                           "4", "--tick", "200"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    QList<QJsonObject> updates;
    int down = -1;
    for (const QByteArray& line : r.out.trimmed().split('\n')) {
        const QJsonDocument update = QJsonDocument::fromJson(line);
        QVERIFY2(update.isObject(), line.constData());
        if (!update["link"]["up"].toBool()) {
            down = updates.size();
        }
        updates << update.object();
    }
    QVERIFY2(down > 0 && down + 1 < updates.size(), r.out.constData());
    QVERIFY(updates.constLast()["link"]["up"].toBool());
    const QJsonValue buy1 = updates.constLast()["book"]["buy"][0];
    QVERIFY2(buy1.isObject() && buy1 != updates.at(down)["book"]["buy"][0], r.out.constData());
}

QTEST_GUILESS_MAIN(TestQzLv2)
#include "tst_qzlv2.moc"
