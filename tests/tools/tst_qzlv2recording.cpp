// Recording and replay in qzlv2. The commands run as a user runs them: `recording info` and
// `decode --from` on recordings laid out by hand around the hand-laid bodies of data/, a file that
// is not a recording refused on its header, `replay --step` stopped by signals; `record` of a
// short watch, then `decode --from` and `replay` of it. And in process: ten seconds of the
// simulated market with a link drop, driven on the injected clock (the plug-in's poll timers
// with it) and recorded through the recording backend; replaying the file twice gives the live
// run's JSON lines byte for byte, the polled capital and minute flows included.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>
#include <memory>

#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingReader.h"
#include "host/access/recording/RecordingWriter.h"
#include "host/access/recording/ReplayBackend.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tests/host/access/RecordingFixture.h"
#include "tests/tools/SettlingBackend.h"
#include "tests/tools/ToolRun.h"
#include "tools/qzlv2/loading/PluginHost.h"
#include "tools/qzlv2/panels/BoardPanel.h"
#include "tools/qzlv2/panels/BookPanel.h"
#include "tools/qzlv2/panels/CapitalFlowPanel.h"
#include "tools/qzlv2/panels/HeaderPanel.h"
#include "tools/qzlv2/panels/MinuteFlowPanel.h"
#include "tools/qzlv2/panels/Screen.h"

using namespace recording;

namespace {

using tooltest::HexBody;
using tooltest::Run;
using tooltest::RunTool;

// Link up, a 12989 request and two answers, a 10002 push, the link down.
QByteArray HandLaidRecording() {
    const QByteArray book = HexBody("12989_two_levels.hex");
    return laid::Header(1, 0, "qzlv2 record: watch SH600000") + laid::Link(0, "pcl2xtquote", 1) +
           laid::Request(3, 0, 4) + laid::Answer(4, 4, book) + laid::Answer(504, 4, book) +
           laid::Push(600, 10001, HexBody("10002_snapshot.hex")) + laid::Link(1500, "l2quote", 2);
}

QJsonObject Json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

// The values a panel shows over JSON lines, each one once in a row.
QList<QJsonValue> Shown(const QByteArray& out, const QString& panel) {
    QList<QJsonValue> values;
    for (const QByteArray& line : out.trimmed().split('\n')) {
        const QJsonValue value = Json(line)[panel];
        if (values.isEmpty() || values.last() != value) {
            values.append(value);
        }
    }
    return values;
}

constexpr int kWaitMs = 5000;   // ms, bounded wait for cross-thread deliveries
constexpr int kTickMs = 500;    // ms of injected time per market step
constexpr int kSteps = 20;      // 10 s
constexpr int kDropAt = 8;      // the link goes down before this step...
constexpr int kRestoreAt = 12;  // ...and comes back before this one
const char kCode[] = "SH600000";
// What the plug-in asks for again at once when the link comes back: the book and the
// capital flow (the snapshot and the minute flow wait for their timers).
constexpr int kAskedAgain[] = {SimulatedMarketBackend::kFastQuoteFunction, 12930};

std::vector<std::unique_ptr<qzlv2::Panel>> SteppedPanels() {
    std::vector<std::unique_ptr<qzlv2::Panel>> panels;
    panels.push_back(std::make_unique<qzlv2::HeaderPanel>());
    panels.push_back(std::make_unique<qzlv2::BookPanel>());
    panels.push_back(std::make_unique<qzlv2::BoardPanel>());
    panels.push_back(std::make_unique<qzlv2::CapitalFlowPanel>());
    panels.push_back(std::make_unique<qzlv2::MinuteFlowPanel>());
    return panels;
}

// The panels whose answers come from the market's steps and pushes, which the test drives, and
// from the plug-in's polls, which its timers send as the test drives the clock; the screen's JSON
// lines, one per change, from the first complete screen on.
struct SteppedScreen {
    void Sample() {
        const QByteArray key = screen.JsonLine(QString());
        if (screen.Missing().isEmpty() && key != last) {
            last = key;
            lines << screen.JsonLine(HostClock::Now().toString(Qt::ISODateWithMs));
        }
    }
    qzlv2::Screen screen{SteppedPanels()};
    QByteArray last;
    QList<QByteArray> lines;
};

}  // namespace

class TestQzLv2Recording : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false"); }
    void init() { QVERIFY(dir_.isValid()); }
    void cleanup() {
        ServerBackendRegistry::Clear();
        HostClock::UseSystemClock();
    }

    void infoCountsWhatTheRecordingHolds() {
        const QString path = Write("info.qzr", HandLaidRecording());
        const Run r = RunTool({"recording", "info", path, "--json"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QJsonObject o = Json(r.out);
        QCOMPARE(o["recorder"].toString(), QString("qzlv2 record: watch SH600000"));
        QCOMPARE(o["bad_records"].toInt(), 0);
        QCOMPARE(o["duration_ms"].toInt(), 1500);
        QCOMPARE(o["link_events"].toArray().size(), 2);
        const QJsonObject fast = o["functions"].toArray().at(1).toObject();
        QCOMPARE(fast["function"].toInt(), 12989);
        QCOMPARE(fast["requests"].toInt(), 1);
        QCOMPARE(fast["answers"].toInt(), 2);
        const Run text = RunTool({"recording", "info", path});
        QCOMPARE(text.exit_code, 0);
        QVERIFY2(QString(text.out).contains(QRegularExpression("pcl2xtquote +12989 +1 +2 +0 +0\n")),
                 text.out.constData());
    }

    void decodeFromPicksBodies() {
        const QString path = Write("decode.qzr", HandLaidRecording());
        const Run all = RunTool({"decode", "--from", path});
        QVERIFY2(all.exit_code == 0, all.err.constData());
        const QList<QByteArray> lines = all.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(Json(lines.at(2))["kind"].toString(), QString("push"));
        QCOMPARE(Json(lines.at(2))["function"].toInt(), 10001);

        const Run one = RunTool({"decode", "--from", path, "--function", "12989", "--index", "1"});
        QVERIFY2(one.exit_code == 0, one.err.constData());
        const Run direct = RunTool(
            {"decode", "12989", QStringLiteral(QZLV2_TEST_DATA "/12989_two_levels.hex"), "--hex"});
        QCOMPARE(Json(one.out)["record"], Json(direct.out)["record"]);
        QCOMPARE(Json(one.out)["time_ms"].toInt(), 504);

        // Bytes after a complete body: an error with --strict only.
        const QString trailing =
            Write("trailing.qzr", laid::Header(1, 0, "t") + laid::Request(3, 0, 4) +
                                      laid::Answer(4, 4, HexBody("12989_trailing.hex")));
        QCOMPARE(RunTool({"decode", "--from", trailing}).exit_code, 0);
        const Run strict = RunTool({"decode", "--from", trailing, "--strict"});
        QCOMPARE(strict.exit_code, 1);
        QCOMPARE(Json(strict.out)["error"].toString(),
                 QString("3 trailing bytes at offset 73 after a complete body"));
        QVERIFY(!Json(strict.out).contains("record"));

        // A body of a function nothing decodes is listed as skipped, not an error.
        const Run skipped = RunTool(
            {"decode", "--from",
             Write("skipped.qzr", laid::Header(1, 0, "t") + laid::Push(4, 12931, "\x01\x02")),
             "--strict"});
        QCOMPARE(skipped.exit_code, 0);
        QCOMPARE(Json(skipped.out)["skipped"].toString(), QString("function 12931 is not decoded"));
        QCOMPARE(Json(skipped.out)["body_bytes"].toInt(), 2);
        QVERIFY(!Json(skipped.out).contains("record") && !Json(skipped.out).contains("error"));

        QCOMPARE(RunTool({"decode", "--from", path, "--index", "3"}).exit_code, 1);
        QCOMPARE(RunTool({"decode", "--from", path, "12989"}).exit_code, 2);
        QCOMPARE(RunTool({"decode", "--from", dir_.filePath("missing.qzr")}).exit_code, 1);
    }

    // A file that is not a recording is refused on its header: the command does not read the
    // rest of it (200 MiB, sparse), so it never holds it in memory.
    void badHeaderIsRefusedBeforeTheRest_data() {
        QTest::addColumn<QStringList>("args");  // the file follows
        QTest::addColumn<QString>("command");
        QTest::newRow("recording info") << QStringList{"recording", "info"} << "recording";
        QTest::newRow("replay") << QStringList{"replay"} << "replay";
        QTest::newRow("decode --from") << QStringList{"decode", "--from"} << "decode";
    }

    void badHeaderIsRefusedBeforeTheRest() {
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        constexpr qint64 kFileBytes = 200LL << 20;
        constexpr long kMoreResidentKiB = 32 << 10;  // than for the header alone
        QFile small(dir_.filePath("small.qzr"));
        QVERIFY(small.open(QIODevice::WriteOnly) && small.write("QZLV2RE?") == 8);
        small.close();
        QFile file(dir_.filePath("big.qzr"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("QZLV2RE?") == 8 &&
                file.resize(kFileBytes));
        file.close();
        // What the tool holds for an 8-byte file is its own size (a sanitizer's run holds more).
        const tooltest::MeasuredRun base =
            tooltest::RunToolMeasured(args + QStringList{small.fileName()});
        const tooltest::MeasuredRun r = tooltest::RunToolMeasured(args << file.fileName());
        QCOMPARE(r.exit_code, 1);
        QCOMPARE(QString(r.err), "qzlv2 " + command + ": " + file.fileName() +
                                     ": not a recording (no \"QZLV2REC\" at offset 0)\n");
        QCOMPARE(base.exit_code, 1);
        QVERIFY2(
            base.max_rss_kib > 0 && r.max_rss_kib < base.max_rss_kib + kMoreResidentKiB,
            qPrintable(
                QString("%1 KiB, %2 KiB for 8 bytes").arg(r.max_rss_kib).arg(base.max_rss_kib)));
    }

    // One delivery per line on stdin: waiting for a line, the replay still ends on a signal,
    // with its code.
    void replayStepEndsOnSignals_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGINT") << int(SIGINT) << 130;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    }

    void replayStepEndsOnSignals() {
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        const QString path = Write("step.qzr", HandLaidRecording());
        QProcess p;
        p.start(QZLV2_TOOL_FILE, {"replay", path, "--json", "--step"});
        QVERIFY(p.waitForStarted(tooltest::kRunMs));
        // The screen before any delivery, then it waits for a line that does not come.
        QByteArray out;
        QTRY_VERIFY2_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains('\n'),
                                  p.readAllStandardError().constData(), tooltest::kRunMs);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(tooltest::kRunMs));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        QCOMPARE(out.count('\n'), 1);  // nothing played without its line
    }

    // A short live watch recorded, then replayed: the live screen is among the replayed ones
    // (replayRepeatsTheLiveRun holds two replays to the live run byte for byte).
    void recordThenReplay() {
        const QString path = dir_.filePath("s.qzr");
        const Run live = RunTool(
            {"record", path, "watch", "SH600000", "--seconds", "2", "--json", "--tick", "100"});
        QVERIFY2(live.exit_code == 0, live.err.constData());
        // Every body the tool recorded decodes, to its last byte.
        const Run decoded = RunTool({"decode", "--from", path, "--strict"});
        QVERIFY2(decoded.exit_code == 0, decoded.err.constData());
        QVERIFY(!decoded.out.contains("\"skipped\""));
        const QStringList replayArgs = {"replay",         path,  "--json", "--speed", "1000",
                                        "--request-wait", "5000"};
        const Run first = RunTool(replayArgs);
        QVERIFY2(first.exit_code == 0, first.err.constData());
        QCOMPARE(RunTool(replayArgs).out, first.out);
        // Every panel, the polled ones too (watch fires the plug-in's timers at their exact due
        // times, as the replay does): each value a live panel showed comes back, in order. The
        // replay draws after each delivery, live draws what a drain found, so the replay may show
        // a value more in between; the two services' deliveries interleave differently live, so
        // panels are compared one by one.
        const QStringList panels = Json(live.out.left(live.out.indexOf('\n'))).keys();
        QVERIFY(panels.contains("capital_flow") && panels.contains("large_deal"));
        for (const QString& panel : panels) {
            if (panel == QLatin1String("time")) {
                continue;
            }
            const QList<QJsonValue> replayed = Shown(first.out, panel);
            int at = 0;
            for (const QJsonValue& value : Shown(live.out, panel)) {
                while (at < replayed.size() && replayed[at] != value) {
                    ++at;
                }
                QVERIFY2(at < replayed.size(), qPrintable(panel));
            }
        }

        // One delivery per line: no line, only the screen before any answer; lines enough, the
        // same last screen.
        const QStringList stepArgs = {"replay", path, "--json", "--step", "--request-wait", "5000"};
        const Run none = RunTool(stepArgs);
        QVERIFY2(none.exit_code == 0, qPrintable(QString::number(none.exit_code) + ' ' + none.err));
        QCOMPARE(none.out.count('\n'), 1);
        QVERIFY(Json(none.out)["book"].isNull());
        const Run stepped = RunTool(stepArgs, QByteArray(10000, '\n'));
        QVERIFY2(stepped.exit_code == 0,
                 qPrintable(QString::number(stepped.exit_code) + ' ' + stepped.err));
        QCOMPARE(stepped.out.trimmed().split('\n').last(), first.out.trimmed().split('\n').last());
    }

    void replayRepeatsTheLiveRun() {
        HostClock::SetForTest(1717731000000);
        const tooltest::SettledMarket installed = tooltest::SettledMarket::Install();
        const auto& [market, settling, services] = installed;
        auto writer = std::make_shared<RecordingWriter>();
        QString error;
        QVERIFY2(writer->Open(dir_.filePath("live.qzr"), "test: watch SH600000", &error),
                 qPrintable(error));
        RecordingBackend::WrapInstalled(services, writer);
        SteppedScreen live;
        {
            qzlv2::PluginHost host(live.screen);
            QVERIFY2(host.Start(QZLV2_PLUGIN_FILE, kCode, error), qPrintable(error));
            QTRY_VERIFY_WITH_TIMEOUT((host.Update(), live.screen.Missing().isEmpty()), kWaitMs);
            settling->Settle();
            host.Update();
            live.Sample();
            for (int step = 0; step < kSteps; ++step) {
                HostTimerQueue::AdvanceClockBy(kTickMs);  // polls due on the way go out
                if (step == kDropAt) {
                    market->DropLink();
                } else if (step == kRestoreAt) {
                    // The plug-in asks again for what its panels show, from its own threads: the
                    // answers are on this step's screen in the recording, so wait for the requests.
                    QList<int> asked;
                    for (int function : kAskedAgain) {
                        asked << market->RequestCount(function);
                    }
                    market->RestoreLink();
                    for (int i = 0; i < asked.size(); ++i) {
                        QTRY_VERIFY2_WITH_TIMEOUT(market->RequestCount(kAskedAgain[i]) > asked[i],
                                                  qPrintable(QString::number(kAskedAgain[i])),
                                                  kWaitMs);
                    }
                } else {
                    market->Step();
                }
                settling->Settle();
                host.Update();
                live.Sample();
            }
        }
        ServerBackendRegistry::Clear();
        QVERIFY(writer->Close());
        QCOMPARE(writer->DroppedCount(), quint64(0));
        QVERIFY(live.lines.size() > kDropAt / 2);  // the book moved
        // The polls moved the polled panels: the capital flow at 3 s, after the link came back
        // and at 9 s (every 3 s), the minute flow at 10 s.
        QVERIFY(Shown(live.lines.join(), "capital_flow").size() >= 3);
        QVERIFY(Shown(live.lines.join(), "minute_flow").size() >= 2);

        const Recording recorded = RecordingReader::ReadFile(dir_.filePath("live.qzr"));
        QVERIFY2(recorded.valid && recorded.warning.isEmpty(), qPrintable(recorded.warning));
        int drops = 0;
        for (const RecordedEvent& e : recorded.events) {
            drops += e.kind == Kind::Link && e.state == eAccessState_Disconnected ? 1 : 0;
        }
        QCOMPARE(drops, 2);  // both services heard the drop
        QList<QByteArray> first;
        QList<QByteArray> second;
        Replay(recorded, &first);
        Replay(recorded, &second);
        QCOMPARE(first, second);
        QCOMPARE(first, live.lines);
    }

private:
    void Replay(const Recording& recorded, QList<QByteArray>* lines) {
        HostClock::SetForTest(recorded.header.startMs);
        ReplayBackend replay(recorded);
        replay.InstallForServices();
        SteppedScreen sampled;
        {
            qzlv2::PluginHost host(sampled.screen);
            QString error;
            QVERIFY2(host.Start(QZLV2_PLUGIN_FILE, kCode, error), qPrintable(error));
            for (qint64 t = replay.NextTimeMs(); t >= 0; t = replay.NextTimeMs()) {
                while (replay.AdvanceTo(quint64(t)) == ReplayBackend::Step::Waiting) {
                    QTRY_VERIFY_WITH_TIMEOUT(replay.WaitForRequest(0), kWaitMs);
                }
                host.Update();
                sampled.Sample();
            }
        }
        ServerBackendRegistry::Clear();
        QVERIFY2(replay.Reports().isEmpty(), qPrintable(replay.Reports().join('\n')));
        *lines = sampled.lines;
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestQzLv2Recording)
#include "tst_qzlv2recording.moc"
