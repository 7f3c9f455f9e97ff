// Recording and replay in qzlv2. The commands run as a user runs them: `recording info` and
// `decode --from` on a recording laid out by hand around the hand-laid bodies of data/; `record`
// of a short watch, then `replay` of it. And in process: ten seconds of the
// simulated market with a link drop, driven on the injected clock (the plug-in's poll timers
// with it) and recorded through the recording backend; replaying the file twice gives the live
// run's JSON lines byte for byte, the polled capital and minute flows included.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <memory>

#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingReader.h"
#include "host/access/recording/RecordingWriter.h"
#include "host/access/recording/ReplayBackend.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tests/host/access/RecordingFixture.h"
#include "tests/tools/ToolRun.h"
#include "tools/qzlv2/BoardPanel.h"
#include "tools/qzlv2/BookPanel.h"
#include "tools/qzlv2/CapitalFlowPanel.h"
#include "tools/qzlv2/HeaderPanel.h"
#include "tools/qzlv2/MinuteFlowPanel.h"
#include "tools/qzlv2/PluginHost.h"
#include "tools/qzlv2/Screen.h"

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

// Keeps the links of the backend it wraps, so that a test can wait until everything the market
// sent has been delivered.
class SettlingBackend : public IServerBackend {
public:
    explicit SettlingBackend(std::shared_ptr<IServerBackend> inner) : inner_(std::move(inner)) {}
    void Attach(IServerLink* link) override {
        {
            QMutexLocker lock(&mutex_);
            links_.append(link);
        }
        inner_->Attach(link);
    }
    void Detach(IServerLink* link) override {
        inner_->Detach(link);
        QMutexLocker lock(&mutex_);
        links_.removeAll(link);
    }
    void OnRequest(IServerLink* link, const ServerRequest& r) override {
        inner_->OnRequest(link, r);
    }
    void Settle() {
        QMutexLocker lock(&mutex_);
        for (IServerLink* link : links_) {
            link->WaitDelivered();
        }
    }

private:
    const std::shared_ptr<IServerBackend> inner_;
    QMutex mutex_;
    QList<IServerLink*> links_;
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

        QCOMPARE(RunTool({"decode", "--from", path, "--index", "3"}).exit_code, 1);
        QCOMPARE(RunTool({"decode", "--from", path, "12989"}).exit_code, 2);
        QCOMPARE(RunTool({"decode", "--from", dir_.filePath("missing.qzr")}).exit_code, 1);
    }

    // A short live watch recorded, then replayed: the live screen is among the replayed ones
    // (replayRepeatsTheLiveRun holds two replays to the live run byte for byte).
    void recordThenReplay() {
        const QString path = dir_.filePath("s.qzr");
        const Run live =
            RunTool({"record", path, "watch", "SH600000", "--seconds", "10", "--json"});
        QVERIFY2(live.exit_code == 0, live.err.constData());
        const QStringList replayArgs = {"replay",         path, "--json", "--speed", "1000",
                                        "--request-wait", "200"};
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
        const QStringList stepArgs = {"replay", path, "--json", "--step", "--request-wait", "200"};
        const Run none = RunTool(stepArgs);
        QCOMPARE(none.exit_code, 0);
        QCOMPARE(none.out.count('\n'), 1);
        QVERIFY(Json(none.out)["book"].isNull());
        const Run stepped = RunTool(stepArgs, QByteArray(10000, '\n'));
        QCOMPARE(stepped.exit_code, 0);
        QCOMPARE(stepped.out.trimmed().split('\n').last(), first.out.trimmed().split('\n').last());
    }

    void replayRepeatsTheLiveRun() {
        HostClock::SetForTest(1717731000000);
        SimulatedMarketBackend::Options options;
        options.timers = false;
        auto market = std::make_shared<SimulatedMarketBackend>(options);
        auto settling = std::make_shared<SettlingBackend>(market);
        const QStringList services = {SimulatedMarketBackend::kMainService,
                                      SimulatedMarketBackend::kFastQuoteService};
        for (const QString& service : services) {
            ServerBackendRegistry::Install(service, settling);
        }
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
