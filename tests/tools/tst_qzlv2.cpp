// The qzlv2 tool run as a user runs it: `decode` on answer bodies laid out by hand (data/*.hex, a
// commented line per field) against hand-written JSON, their trailing bytes and bodies of zeros
// that mean nothing; `watch` (with its large-deal line), `signals` and `history` with its disk
// cache through the plug-in file and the embedded market; its exit codes (commands x faults),
// write errors and signals.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

#include "tests/tools/ToolRun.h"

using tooltest::DataFile;
using tooltest::HexBody;
using tooltest::kRunMs;
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

// A command line refused with exit code 2: the reason follows "qzlv2 COMMAND: ".
void Refused(const char* row, const QString& args, const QString& reason) {
    QTest::newRow(row) << args << 2 << "qzlv2 " + args.section(' ', 0, 0) + ": " + reason
                       << QString();
}

// A hand-laid body of every function `decode` knows: data/<name>.hex, decoded in <name>.json.
struct HandLaidBody {
    int function;
    const char* name;
    bool raw;  // run with the bytes on standard input rather than hex in a file
};

const HandLaidBody kBodies[] = {
    {10000, "10000_no_record", false},   {10002, "10002_snapshot", false},
    {12755, "12755_related", false},     {10012, "10012_dataset", true},
    {12930, "12930_flow", false},        {12932, "12932_board", false},
    {12973, "12973_analysis", false},    {12915, "12915_prices", false},
    {12917, "12917_queues", true},       {12917, "12917_negative_count", false},
    {12990, "12990_page", false},        {10015, "10015_catalogue", false},
    {10016, "10016_short_order", false}, {12842, "12842_two_minutes", false},
    {12844, "12844_one_week", false},    {12988, "12988_two_items", false},
    {12989, "12989_two_levels", false},
};

}  // namespace

class TestQzLv2 : public QObject {
    Q_OBJECT

private slots:
    // Cut bodies are decoded in process here: their rejections' warnings are the decoders' tests'.
    // The live commands, which wait seconds for the plug-in's polls, run side by side from here on;
    // their tests read them.
    void initTestCase() {
        QLoggingCategory::setFilterRules("qzlv2.*=false");
        const QStringList live[] = {
            {"watch", "SZ300750", "--once", "--tick", "50", "--timeout", "30"},
            {"watch", "SZ300750", "--json", "--seconds", "6", "--drop-link-every", "3", "--tick",
             "50"},
            {"signals", "--once", "--markets", "SZ", "--stocks", "SH600000", "--tick", "50",
             "--timeout", "30"}};
        for (const QStringList& args : live) {
            live_.push_back(std::make_unique<tooltest::StartedRun>(args));
        }
    }

    void decodesHandLaidBodies_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("body");  // data/<body>.hex, expected in data/<body>.json
        QTest::addColumn<bool>("raw");
        QTest::addColumn<QString>("note");  // standard error
        for (const HandLaidBody& b : kBodies) {
            QTest::addRow("%s", b.name)
                << QString::number(b.function) << QString(b.name) << b.raw
                << (b.function == 10000 ? "qzlv2 decode: the body means nothing: no record (the "
                                          "body announces none)\n"
                                        : "");
        }
    }

    void decodesHandLaidBodies() {
        QFETCH(QString, function);
        QFETCH(QString, body);
        QFETCH(bool, raw);
        QFETCH(QString, note);
        const QByteArray bytes = HexBody(body + ".hex");
        QVERIFY(!bytes.isEmpty());
        const Run r =
            raw ? RunTool({"decode", function, "-"}, bytes)
                : RunTool({"decode", function, QZLV2_TEST_DATA "/" + body + ".hex", "--hex"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        QCOMPARE(QString(r.err), note);
        QJsonParseError parse{};
        const QJsonDocument actual = QJsonDocument::fromJson(r.out, &parse);
        QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
        const QJsonDocument wanted = QJsonDocument::fromJson(DataFile(body + ".json"));
        QVERIFY(!wanted.isNull());
        QVERIFY2(actual == wanted, r.out.constData());
        // The decoder says where the body ended: three bytes more are three trailing bytes, and
        // every cut of the body is refused (exitCodes runs both through the tool).
        QJsonObject json;
        QString error;
        qzlv2::BodyExtent extent;
        QVERIFY(qzlv2::DecodeBody(function.toInt(), bytes + "\x01\x02\x03", json, error, &extent));
        QCOMPARE(extent.consumed, bytes.size());
        QCOMPARE(qzlv2::TrailingBytes(bytes.size() + 3, extent), 3);
        for (int length = 0; length < bytes.size(); ++length) {
            QVERIFY2(!qzlv2::DecodeBody(function.toInt(), bytes.left(length), json, error),
                     qPrintable(QString("cut to %1 bytes").arg(length)));
        }
    }

    // 16 MiB of zeros: every function reads its fields (counts 0, masks clear, values 0) up to
    // the offset laid out below from its table, and means nothing; --strict refuses the rest.
    void bodiesOfZerosMeanNothing_data() {
        QTest::addColumn<QStringList>("args");  // after "decode"
        QTest::addColumn<int>("end");           // where the fields end
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<int>("exitCode");
        const QString noRecord = "no record (the body announces none)";
        const auto row = [](int function, int end, const QString& meaning) {
            QTest::addRow("%d", function)
                << QStringList{QString::number(function), "--strict"} << end << meaning << 1;
        };
        row(10000, 16, noRecord);  // 14 header bytes, u16 count
        row(10002, 16, noRecord);
        row(12755, 26, noRecord);  // 4 4 u16 u32 u32 4 2, i16 count
        row(12989, 21, "an empty book: no price level on either side");    // 4 4 "" 4 2 2 2 i8
        row(12915, 14, "no deal: a day volume of 0 and no price traded");  // 4 4 i32 i16
        row(12917, 37, "no queue: both best prices 0 and no order queued");
        row(12930, 62, "no flow: every volume, price and ratio is 0");
        row(12973, 10, "no board analysis: no entry and no large-order inflow");  // 4 4 u16
        row(12844, 23, "no K-line flow record");  // 4 4 "" 1 4 2 mask 1 1 1, u16 count
        row(12988, 24, "no indicator item");      // 4 4 "" 4 4 2, u16 count, 2
        row(12990, 18, "no large deal");          // 4 4 "" u16 i32, u16 count
        row(10016, 26, "no signal");              // i32 i32 i32 2 i32 i32, i32 count
        QTest::newRow("12990 latest: one record of 44 zero bytes")
            << QStringList{"12990", "--kind", "2", "--strict"} << 18 + 44 << "no large deal" << 1;
        QTest::newRow("12930 without --strict: decoded, said what it means")
            << QStringList{"12930"} << 62 << "no flow: every volume, price and ratio is 0" << 0;
    }

    void bodiesOfZerosMeanNothing() {
        QFETCH(QStringList, args);
        QFETCH(int, end);
        QFETCH(QString, meaning);
        QFETCH(int, exitCode);
        constexpr int kBytes = 16 << 20;
        QTemporaryFile zeros;
        QVERIFY(zeros.open() && zeros.resize(kBytes));  // sparse: costs no disk
        args.insert(1, zeros.fileName());
        const Run r = RunTool(QStringList{"decode"} + args);
        QCOMPARE(r.exit_code, exitCode);
        QCOMPARE(QString(r.err),
                 QString("qzlv2 decode: %1 trailing bytes at offset %2 after a complete body; the "
                         "body means nothing: %3%4\n")
                     .arg(kBytes - end)
                     .arg(end)
                     .arg(meaning, exitCode != 0 ? " (refused with --strict)" : ""));
        QCOMPARE(r.out.isEmpty(), exitCode != 0);
    }

    void watchOnceShowsOneCompleteScreenWithTheLatestLargeDeal() {
        const Run r = live_[kWatchOnce]->Finish();
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QString out = QString::fromUtf8(r.out);
        const QStringList lines = out.split('\n');
        QVERIFY(lines.first().startsWith(QString::fromUtf8("SZ300750 宁德时代")));
        QVERIFY2(lines.first().contains(QRegularExpression(
                     "  \\d+\\.\\d\\d [+-]\\d+\\.\\d\\d [+-]\\d+\\.\\d\\d%  prev 180.35  ")),
                 qPrintable(lines.first()));
        static const QRegularExpression alert(
            "\\nlarge deal   \\d\\d:\\d\\d:\\d\\d  \\d+\\.\\d\\d  (\\d+) lots   in (\\d+) / out "
            "(\\d+) lots");
        const QRegularExpressionMatch m = alert.match(out);
        QVERIFY2(m.hasMatch(), r.out.constData());
        // A deal is attributed to one side or to none.
        const int lots = m.captured(1).toInt();
        QVERIFY(m.captured(2).toInt() + m.captured(3).toInt() == lots ||
                m.captured(2).toInt() + m.captured(3).toInt() == 0);
        QVERIFY(lots * 100LL * 180 >= 200000);  // at least 200 000 yuan at about 180 yuan
        // Complete, and the plug-in's own lines stay off the screen; its diagnostics are switched
        // off through their logging categories.
        QVERIFY(!out.contains("waiting for") && !out.contains("AttachNode"));
        QVERIFY2(r.err.isEmpty(), r.err.constData());
    }

    void decodeRefusesBodiesOverTheLimit() {
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

    void exitCodes_data() {
        QTest::addColumn<QString>("args");  // split at spaces; "@" names a file of data/
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");  // the start of standard error; empty: nothing there
        QTest::addColumn<QString>("names");    // what the message must say of the file
        // Every command that reads a file, with each fault a file can have: exit 1.
        const QStringList readers = {"decode 12989 %1",  "decode 12989 %1 --hex",
                                     "decode --from %1", "recording info %1",
                                     "replay %1",        "watch SH600000 --once --plugin %1"};
        struct Fault {
            const char* name;
            QString file;
            QString said;  // what the message says of the file
        };
        const QList<Fault> faults = {
            {"missing", "/nonexistent/file", "/nonexistent/file: "},
            {"a directory", QZLV2_TEST_DATA, QZLV2_TEST_DATA ": it is a directory"},
            {"not what it reads", QZLV2_TEST_DATA "/odd_digits.hex", ""}};
        for (const QString& reader : readers) {
            for (const Fault& fault : faults) {
                QTest::addRow("%s: %s", qPrintable(reader.arg("FILE")), fault.name)
                    << reader.arg(fault.file) << 1 << "qzlv2 " + reader.section(' ', 0, 0) + ": "
                    << fault.said;
            }
        }
        // The cache directory: a file is never one; a missing one is made by history only.
        const QString file = QZLV2_TEST_DATA "/odd_digits.hex";
        for (const QString user : {"cache ls", "cache verify", "history SH600000 --cycle week"}) {
            const QString command = user.section(' ', 0, 0);
            QTest::addRow("%s: a file as --cache-dir", qPrintable(user))
                << user + " --cache-dir " + file << 1
                << "qzlv2 " + command + ": cannot use " + file + " as the cache directory"
                << "as the cache directory: it is not a directory";
        }
        QTest::newRow("cache ls: a missing --cache-dir")
            << "cache ls --cache-dir /nonexistent/dir" << 1
            << "qzlv2 cache: cannot use /nonexistent/dir as the cache directory: no such directory"
            << QString();
        const QString decodeError = "qzlv2 decode: ";
        const QString trailing =
            "qzlv2 decode: 3 trailing bytes at offset 73 after a complete body";
        QTest::newRow("12989 cut in a sell level")
            << "decode 12989 @12989_truncated.hex --hex" << 1
            << decodeError +
                   "FastQuoteDecoder::Decode: read of 4 bytes at offset 68 exceeds body "
                   "length 68\n"
            << QString();
        QTest::newRow("odd hex digits") << "decode 12989 @odd_digits.hex --hex" << 1
                                        << decodeError + "odd number of hex digits" << QString();
        QTest::newRow("function not decoded")
            << "decode 12931 -" << 1 << decodeError + "function 12931" << QString();
        QTest::newRow("bad hex names the byte")
            << "decode 12989 @hex_prefix.hex --hex" << 1
            << decodeError + "not a hex digit at line 2, column 2 (byte 32): 'x' (0x78)\n"
            << QString();
        QTest::newRow("trailing bytes reported")
            << "decode 12989 @12989_trailing.hex --hex" << 0 << trailing + "\n"
            << QString();
        QTest::newRow("trailing bytes refused with --strict")
            << "decode 12989 @12989_trailing.hex --hex --strict" << 1
            << trailing + " (refused with --strict)\n"
            << QString();
        QTest::newRow("records after the first are not trailing bytes")
            << "decode 10002 @10002_two_records.hex --hex --strict" << 0
            << "qzlv2 decode: the body announces 2 records; the first ends at offset 61, the 4 "
               "bytes after it are not decoded\n"
            << QString();
        QTest::newRow("an exact body says nothing")
            << "decode 12989 @12989_two_levels.hex --hex --strict" << 0 << "" << QString();
        QTest::newRow("no command") << "" << 2 << "Usage: qzlv2 COMMAND" << QString();
        Refused("list extra", "list extra", "unexpected argument 'extra'");
        Refused("decode missing FILE", "decode 12989", "missing argument");
        Refused("decode FUNCTION not a number", "decode fast -", "FUNCTION must be a number");
        Refused("watch seconds not a number", "watch SH600000 --seconds soon",
                "--seconds takes a whole number from 0 to 2147483647, not 'soon'");
        Refused("watch code without market", "watch 600000",
                "the simulated market has no stock 600000; did you mean SH600000?");
        Refused("watch unknown stock", "watch SH999999 --once",
                "the simulated market has no stock");
        QTest::newRow("watch broken plug-in file")
            << "watch SH600000 --once --plugin @broken_plugin.so" << 1
            << "qzlv2 watch: cannot load the plug-in " QZLV2_TEST_DATA "/broken_plugin.so: "
            << QString();
        QTest::newRow("watch plug-in of another kind")
            << "watch SH600000 --once --plugin " QZLV2_WRONG_PLUGIN << 1
            << "qzlv2 watch: cannot load the plug-in " QZLV2_WRONG_PLUGIN
               ": its factory (IID org.example.NotAQuoterFactory/1.0) is not a quoter factory; "
               "expected a Qt 5 plug-in whose factory implements "
               "com.mervox.lib.quoter.QuoterFactoryInterface/1.0"
            << QString();
        QTest::newRow("help") << "--help" << 0 << "" << QString();
        Refused("signals market of three letters", "signals --markets SHA",
                "--markets takes two-letter markets");
        Refused("signals unknown type", "signals --types bogus", "unknown signal type bogus");
        Refused("decode kind 3", "decode 12990 - --kind 3", "--kind");
        Refused("history cycle outside the table", "history SH600000 --cycle day",
                "--cycle must be one of 1min, 5mins, 15mins, 30mins, 60mins, week, "
                "month, quarter, half_year, year, not 'day'");
        Refused("cache unknown action", "cache purge", "ACTION must be ls, show or verify");
        Refused("cache show without its cycle", "cache show SH600000", "show needs CODE and CYCLE");
        Refused("record of another command", "record x.qzr list", "only 'watch' can be recorded");
        Refused("replay speed 0", "replay x.qzr --speed 0", "--speed");
        Refused("replay speed and step", "replay x.qzr --speed 2 --step",
                "--speed and --step exclude");
        Refused("recording without info", "recording show x.qzr", "unknown sub-command 'show'");
    }

    void exitCodes() {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(QString, names);
        const Run r =
            RunTool(args.replace('@', QZLV2_TEST_DATA "/").split(' ', Qt::SkipEmptyParts));
        QCOMPARE(r.exit_code, exitCode);
        QVERIFY2(r.err.startsWith(message.toUtf8()), r.err.constData());
        QVERIFY2(r.err.contains(names.toUtf8()), r.err.constData());
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

    void writeErrorsExitOne_data() {
        QTest::addColumn<QString>("command");  // the arguments and a redirect of stdout, in sh
        QTest::newRow("list to a full disk") << "list >/dev/full";
        QTest::newRow("decode to a full disk")
            << "decode 12989 " QZLV2_TEST_DATA "/12989_two_levels.hex --hex >/dev/full";
        // The first update is written at the first drain, complete or not.
        QTest::newRow("watch to a full disk") << "watch SZ300750 --json >/dev/full";
        QTest::newRow("watch to a closed stdout") << "watch SZ300750 --json >&-";
    }

    void writeErrorsExitOne() {
        QFETCH(QString, command);
        QProcess p;
        p.start("/bin/sh", {"-c", "exec \"$0\" " + command, QZLV2_TOOL_FILE});
        QVERIFY(p.waitForFinished(kRunMs));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.contains(": cannot write the output: ") && err.count('\n') == 1,
                 err.constData());
    }

    void signalsEndQuietly_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("afterScreen");  // else as soon as the plug-in speaks (--verbose)
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGINT on the screen") << int(SIGINT) << true << 130;
        QTest::newRow("SIGTERM on the screen") << int(SIGTERM) << true << 143;
        QTest::newRow("SIGINT before the first screen") << int(SIGINT) << false << 130;
        QTest::newRow("SIGTERM before the first screen") << int(SIGTERM) << false << 143;
    }

    void signalsEndQuietly() {
        QFETCH(int, signal);
        QFETCH(bool, afterScreen);
        QFETCH(int, exitCode);
        QProcess p;
        QStringList args{"watch", "SZ300750", "--json"};
        if (!afterScreen) {
            args << "--verbose";
        }
        p.start(QZLV2_TOOL_FILE, args);
        QVERIFY(p.waitForStarted(kRunMs));
        if (afterScreen) {
            QByteArray out;
            QTRY_VERIFY2_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("\n"),
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

    void watchJsonShowsABoardsFlows() {
        const Run r = RunTool({"watch", "BK0475", "--once", "--json", "--timeout", "20"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 2);  // one object, then the end of the stream
        const QJsonObject flow =
            QJsonDocument::fromJson(lines.first()).object()["board_flow"].toObject();
        QVERIFY(flow["extra_large_buy_amount"].isDouble());
        QVERIFY(flow["CurrentDayLargeInCapital"].isDouble());
    }

    // The README's example, `watch SZ300750 --drop-link-every N`, on a market ticking every 50 ms:
    // the link drops at 3 s for 1.5 s. Every update is one more line, a whole JSON object; the
    // screen shows the book before the drop, an update says the link is down, and after it comes
    // back the book moves again. (The large deal, polled every 3 s: watchOnce... above; every
    // kind after drops: tst_linkfaults.)
    void watchShowsTheDropAndComesBack() {
        const Run r = live_[kDrop]->Finish();
        QVERIFY2(r.exit_code == 0, r.err.constData());
        QList<QJsonObject> updates;
        int down = -1;  // the last update of the first drop
        int back = -1;  // the first one after it
        for (const QByteArray& line : r.out.trimmed().split('\n')) {
            const QJsonDocument update = QJsonDocument::fromJson(line);
            QVERIFY2(update.isObject(), line.constData());
            const bool up = update["link"]["up"].toBool();
            down = !up && back < 0 ? updates.size() : down;
            back = up && down >= 0 && back < 0 ? updates.size() : back;
            updates << update.object();
        }
        int firstDown = down;
        while (firstDown > 0 && !updates.at(firstDown - 1)["link"]["up"].toBool()) {
            --firstDown;
        }
        QVERIFY2(firstDown > 0 && back > down, r.out.constData());
        QVERIFY2(updates.at(firstDown - 1)["book"]["buy"][0]["lots"].toInt() > 0,
                 "no book before the drop");
        bool moved = false;
        for (int i = back; i < updates.size() && updates.at(i)["link"]["up"].toBool(); ++i) {
            const QJsonValue buy1 = updates.at(i)["book"]["buy"][0];
            moved = moved || (buy1.isObject() && buy1 != updates.at(down)["book"]["buy"][0] &&
                              buy1["lots"].toInt() > 0 &&
                              !updates.at(i)["price_volume"].toArray().isEmpty());
        }
        QVERIFY2(moved, r.out.constData());
    }

    void signalsOnceShowsTheFilteredFeedAboveItsStatistics() {
        const Run r = live_[kSignals]->Finish();
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

    // The first run pages the whole weekly history (a page of 200, then 199 new records a page,
    // then the page of two that ends it); the second starts from the disk and asks only for the
    // newest page; both print the same series. Verify passes until a byte of the file is changed,
    // then names that file (the fetch that replaces it: tst_minuteflowcalls).
    void historyFillsStartsFromDiskAndVerifyNamesADamagedFile() {
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
        QCOMPARE(file.value("complete").toBool(), true);
        QCOMPARE(file.value("records").toArray().size(), records);
        QCOMPARE(file.value("records").toArray().first().toObject().value("time").toInt(),
                 20000107);

        QCOMPARE(RunTool({"history", "SZ000001", "--cycle", "year", "--cache-dir", dir.path()})
                     .exit_code,
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
    }

private:
    enum { kWatchOnce, kDrop, kSignals };  // live_, as initTestCase starts them
    std::vector<std::unique_ptr<tooltest::StartedRun>> live_;
};

QTEST_GUILESS_MAIN(TestQzLv2)
#include "tst_qzlv2.moc"
