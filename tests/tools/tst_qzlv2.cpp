// The qzlv2 tool run as a user runs it: `decode` on answer bodies laid out by hand (data/*.hex, a
// commented line per field) against hand-written JSON, `watch --once` through the plug-in file and
// the embedded market. The watch screen itself from hand-made quote data.
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <tuple>

#include "tools/qzlv2/DecodeCommand.h"
#include "tools/qzlv2/LinkStatus.h"
#include "tools/qzlv2/QuoteScreen.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

constexpr int kRunMs = 60000;  // ms, bounded wait for the tool to finish

QByteArray DataFile(const QString& name) {
    QFile file(QStringLiteral(QZLV2_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Run {
    int exit_code = -1;
    QByteArray out;
    QByteArray err;
};

Run RunTool(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral(QZLV2_TOOL_FILE), args);
    p.write(input);
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(kRunMs) && p.exitStatus() == QProcess::NormalExit;
    return Run{finished ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

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

}  // namespace

class TestQzLv2 : public QObject {
    Q_OBJECT

private slots:
    void decodesHandLaidBodies_data();
    void decodesHandLaidBodies();
    void rejectsBadInput_data();
    void rejectsBadInput();
    void watchOnceShowsOneCompleteScreen();
    void screenShowsLevelsFieldsAndCompleteness();
    void linkStatusSaysWhatIsDownAndSince();
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

void TestQzLv2::rejectsBadInput_data() {
    QTest::addColumn<QString>("args");  // split at spaces; "@" names a file of data/
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString decodeError = "qzlv2 decode: ";
    QTest::newRow("12989 cut in a sell level")
        << "decode 12989 @12989_truncated.hex --hex" << 1 << decodeError + "12989";
    QTest::newRow("odd hex digits") << "decode 12989 @odd_digits.hex --hex" << 2 << "odd";
    QTest::newRow("0x in hex") << "decode 12989 @hex_prefix.hex --hex" << 2 << "hex digit: 'x'";
    QTest::newRow("12755 with no bytes") << "decode 12755 -" << 1 << decodeError;
    QTest::newRow("function not decoded")
        << "decode 12930 -" << 1 << decodeError + "function 12930";
    QTest::newRow("function not a number") << "decode fast -" << 2 << decodeError + "FUNCTION";
    QTest::newRow("missing file") << "decode 12989 /nonexistent/body" << 2 << "/nonexistent/body";
    QTest::newRow("missing argument") << "decode 12989" << 2 << decodeError + "give FUNCTION";
    QTest::newRow("unknown stock") << "watch SH999999 --once" << 2 << "no stock SH999999";
    QTest::newRow("missing plug-in") << "watch SH600000 --once --plugin /nonexistent/libplugin.so"
                                     << 1 << "cannot load the plug-in";
    QTest::newRow("bad number") << "watch SH600000 --seconds soon" << 2 << "--seconds";
}

void TestQzLv2::rejectsBadInput() {
    QFETCH(QString, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run r = RunTool(args.replace('@', QZLV2_TEST_DATA "/").split(' '));
    QCOMPARE(r.exit_code, exitCode);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
}

void TestQzLv2::watchOnceShowsOneCompleteScreen() {
    const Run list = RunTool({"list"});
    QCOMPARE(list.exit_code, 0);
    QVERIFY(QString::fromUtf8(list.out).contains(QString::fromUtf8("SZ300750  宁德时代  创业板")));
    const Run r = RunTool({"watch", "SZ300750", "--once", "--timeout", "20"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    const QString out = QString::fromUtf8(r.out);
    const QStringList lines = out.split('\n');
    QVERIFY(lines.first().startsWith(QString::fromUtf8("SZ300750 宁德时代")));
    QVERIFY2(lines.first().contains("prev close 180.35"), qPrintable(lines.first()));
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
    for (const char* key : {"money_flow_today", "float_ratio_day_0", "big_order_ratio",
                            "turnover_ratio_day_5", "money_flow_5d"}) {
        QVERIFY2(out.contains(QRegularExpression(QString("\\n  %1 +\\S+").arg(key))), key);
    }
    // Complete, and the plug-in's own log lines stay off the screen.
    QVERIFY(!out.contains("waiting for") && !out.contains("AttachNode"));
}

void TestQzLv2::screenShowsLevelsFieldsAndCompleteness() {
    ResponsePkgEntity_12989 book = MakeBook();
    qzlv2::ScreenModel m;
    qzlv2::FillBook(m, &book);
    DataRow row;
    row.Set("money_flow_today", UnsharedDataCell::FromBigInteger(-7700000));
    row.Set("board_category_code", UnsharedDataCell(QString("zxb00")));
    qzlv2::FillFields(m, row, {"money_flow_today"}, {});
    QStringList lines = qzlv2::RenderScreen(m, 0).split('\n');
    QVERIFY(lines.contains("sell 10         --"));
    QVERIFY(lines.contains("sell 2          --"));  // price and volume 0: no order there
    QVERIFY(lines.contains("sell 1       10.51       600       3  *600* 1 2"));
    QVERIFY(lines.contains("buy 1        10.50       580       2  *300* 280"));
    QVERIFY(lines.contains("buy 2        10.49         1       1  1"));
    QVERIFY(lines.indexOf("sell 10         --") < lines.indexOf(QRegularExpression("^buy 1 .*")));
    QVERIFY(lines.contains("  money_flow_today               -7700000"));
    QVERIFY(lines.contains("  board_category_code            zxb00"));
    // A long queue is clipped to the width, telling how many orders are not shown.
    QStringList lots;
    for (int i = 0; i < 50; ++i) {
        lots << QString::number(100 + i);
    }
    book.gears.buy_queues[UnsharedDataCell::FromInteger(1050)].Set(
        "will_volume_list", UnsharedDataCell(lots.join(',')));
    qzlv2::FillBook(m, &book);
    lines = qzlv2::RenderScreen(m, 80).split('\n');
    const QString buy1 = lines.value(lines.indexOf(QRegularExpression("^buy 1 .*")));
    QVERIFY2(buy1.size() <= 80 && buy1.contains("*100*"), qPrintable(buy1));
    QVERIFY(buy1.contains(QRegularExpression(" \\+\\d+$")));
    // Complete with a converted book and every required field; an optional one may be missing.
    QVERIFY(m.IsComplete());
    qzlv2::FillFields(m, row, {"money_flow_today", "big_order_ratio"}, {"gem_deal_volume"});
    QVERIFY(!m.IsComplete());
    QVERIFY(qzlv2::RenderScreen(m, 0).contains("(waiting for big_order_ratio)"));
    qzlv2::FillFields(m, row, {"money_flow_today"}, {"gem_deal_volume"});
    QVERIFY(m.IsComplete());
    book.wills.buy_rows[0].Set("price", UnsharedDataCell::FromBigInteger(1050));  // not converted
    qzlv2::FillBook(m, &book);
    QVERIFY(!m.IsComplete());
    qzlv2::FillBook(m, nullptr);
    QVERIFY(!m.IsComplete());
    QVERIFY(qzlv2::RenderScreen(m, 0).contains("(waiting for the order book)"));
}

void TestQzLv2::linkStatusSaysWhatIsDownAndSince() {
    const QDate day(2026, 1, 5);
    qzlv2::LinkStatus status;
    QVERIFY(!status.Update(true, false, QDateTime(day, QTime(10, 31, 0))));  // all well: no text
    QVERIFY(status.Text().isEmpty());
    QVERIFY(status.Update(false, false, QDateTime(day, QTime(10, 31, 2))));
    QVERIFY(!status.Update(false, false, QDateTime(day, QTime(10, 31, 9))));  // still since :02
    QCOMPARE(status.Text(), QString("link down since 10:31:02"));
    QVERIFY(status.Update(false, true, QDateTime(day, QTime(10, 31, 10))));
    QCOMPARE(status.Text(), QString("link down since 10:31:02, paused"));
    QVERIFY(status.Update(true, true, QDateTime(day, QTime(10, 31, 12))));
    QCOMPARE(status.Text(), QString("paused"));
    QVERIFY(status.Update(false, false, QDateTime(day, QTime(10, 32, 0))));  // a new drop
    QCOMPARE(status.Text(), QString("link down since 10:32:00"));

    qzlv2::ScreenModel m;
    QVERIFY(!qzlv2::RenderScreen(m, 0).contains('['));
    m.status = status.Text();
    QCOMPARE(qzlv2::RenderScreen(m, 0).split('\n').value(1),
             QString("[link down since 10:32:00; showing the last data]"));
}

// Plain frames of a watch whose link drops after 4 s for 2 s: a frame says the link is down,
// and after it comes back the book moves again and the line is gone.
void TestQzLv2::watchShowsTheDropAndComesBack() {
    const Run r = RunTool({"watch", "SZ300750", "--plain", "--seconds", "7", "--drop-link-every",
                           "4", "--tick", "200"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    const QStringList frames = QString::fromUtf8(r.out).split("\n\n");
    const auto buy1 = [](const QString& frame) {
        return frame.split('\n').filter(QRegularExpression("^buy 1 ")).value(0);
    };
    int down = -1;
    for (int i = 0; i < frames.size(); ++i) {
        if (frames[i].contains("[link down since ")) {
            down = i;
        }
    }
    QVERIFY2(down > 0 && down + 1 < frames.size(), r.out.constData());
    QVERIFY(!frames.last().contains("link down"));
    QVERIFY2(!buy1(frames.last()).isEmpty() && buy1(frames.last()) != buy1(frames[down]),
             qPrintable(frames[down] + "\n---\n" + frames.last()));
}

QTEST_GUILESS_MAIN(TestQzLv2)
#include "tst_qzlv2.moc"
