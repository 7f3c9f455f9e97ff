// A session recorded live and replayed: ten seconds of the simulated market with a link drop,
// driven on the injected clock, recorded through the recording backend; replaying the file
// twice gives the same JSON lines byte for byte, and the same lines as the live run.
#include <QtTest>

#include <memory>

#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingReader.h"
#include "host/access/recording/RecordingWriter.h"
#include "host/access/recording/ReplayBackend.h"
#include "host/core/HostClock.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tools/qzlv2/BoardPanel.h"
#include "tools/qzlv2/BookPanel.h"
#include "tools/qzlv2/HeaderPanel.h"
#include "tools/qzlv2/PluginHost.h"
#include "tools/qzlv2/Screen.h"

using namespace recording;

namespace {

constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries
constexpr qint64 kStart = 1717731000000;
constexpr int kTickMs = 500;    // ms of injected time per market step
constexpr int kSteps = 20;      // 10 s
constexpr int kDropAt = 8;      // the link goes down before this step...
constexpr int kRestoreAt = 12;  // ...and comes back before this one
const char kCode[] = "SH600000";

// The book and snapshot panels: their answers come from the market's steps and pushes, which the
// test drives. The polled flow panels follow the plug-in's own timers, which run on real time.
std::vector<std::unique_ptr<qzlv2::Panel>> SteppedPanels() {
    std::vector<std::unique_ptr<qzlv2::Panel>> panels;
    panels.push_back(std::make_unique<qzlv2::HeaderPanel>());
    panels.push_back(std::make_unique<qzlv2::BookPanel>());
    panels.push_back(std::make_unique<qzlv2::BoardPanel>());
    return panels;
}

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
    void OnRequest(IServerLink* link, const ServerRequest& request) override {
        inner_->OnRequest(link, request);
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

// The screen's JSON lines, one per change.
class Lines {
public:
    explicit Lines(qzlv2::Screen& screen) : screen_(screen) {}
    void Sample() {
        const QByteArray key = screen_.JsonLine(QString());
        if (key != last_) {
            last_ = key;
            lines_ << screen_.JsonLine(HostClock::Now().toString(Qt::ISODateWithMs));
        }
    }
    const QList<QByteArray>& All() const { return lines_; }

private:
    qzlv2::Screen& screen_;
    QByteArray last_;
    QList<QByteArray> lines_;
};

}  // namespace

class TestRecordReplay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false"); }
    void cleanup() {
        ServerBackendRegistry::Clear();
        HostClock::UseSystemClock();
    }

    void replayRepeatsTheLiveRun() {
        QTemporaryDir dir;
        const QString path = dir.filePath("s.qzr");
        QList<QByteArray> live;
        LiveRun(path, &live);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(live.size() > kDropAt / 2);  // the book moved

        const Recording recorded = RecordingReader::ReadFile(path);
        QVERIFY2(recorded.valid && recorded.warning.isEmpty(), qPrintable(recorded.warning));
        int links = 0;
        for (const RecordedEvent& e : recorded.events) {
            links += e.kind == Kind::Link && e.state == eAccessState_Disconnected ? 1 : 0;
        }
        QCOMPARE(links, 2);  // both services heard the drop

        QList<QByteArray> first;
        QList<QByteArray> second;
        Replay(recorded, &first);
        Replay(recorded, &second);
        QCOMPARE(first, second);
        QCOMPARE(first, live);
    }

private:
    void LiveRun(const QString& path, QList<QByteArray>* lines) {
        HostClock::SetForTest(kStart);
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
        QVERIFY2(writer->Open(path, "test: watch SH600000", &error), qPrintable(error));
        RecordingBackend::WrapInstalled(services, writer);

        qzlv2::Screen screen(SteppedPanels());
        Lines sampled(screen);
        {
            qzlv2::PluginHost host(screen);
            QVERIFY2(host.Start(QZLV2_PLUGIN_FILE, kCode, error), qPrintable(error));
            QTRY_VERIFY_WITH_TIMEOUT((host.Update(), screen.Missing().isEmpty()), kWaitMs);
            settling->Settle();
            host.Update();
            sampled.Sample();
            for (int step = 0; step < kSteps; ++step) {
                HostClock::AdvanceForTest(kTickMs);
                if (step == kDropAt) {
                    market->DropLink();
                } else if (step == kRestoreAt) {
                    // The plug-in asks for the book again from its own threads: wait for that
                    // request, so that its answer is on this step's screen, as it is in the
                    // recording.
                    const int asked =
                        market->RequestCount(SimulatedMarketBackend::kFastQuoteFunction);
                    market->RestoreLink();
                    QTRY_VERIFY_WITH_TIMEOUT(
                        market->RequestCount(SimulatedMarketBackend::kFastQuoteFunction) > asked,
                        kWaitMs);
                } else {
                    market->Step();
                }
                settling->Settle();
                host.Update();
                sampled.Sample();
            }
        }
        ServerBackendRegistry::Clear();
        QVERIFY(writer->Close());
        QCOMPARE(writer->DroppedCount(), quint64(0));
        *lines = sampled.All();
    }

    void Replay(const Recording& recorded, QList<QByteArray>* lines) {
        HostClock::SetForTest(recorded.header.startMs);
        ReplayBackend replay(recorded);
        replay.InstallForServices();
        qzlv2::Screen screen(SteppedPanels());
        Lines sampled(screen);
        {
            qzlv2::PluginHost host(screen);
            QString error;
            QVERIFY2(host.Start(QZLV2_PLUGIN_FILE, kCode, error), qPrintable(error));
            for (qint64 t = replay.NextTimeMs(); t >= 0; t = replay.NextTimeMs()) {
                while (replay.AdvanceTo(quint64(t)) == ReplayBackend::Step::Waiting) {
                    QTRY_VERIFY_WITH_TIMEOUT(replay.WaitForRequest(0), kWaitMs);
                }
                host.Update();
                // Sampled as the live run is: from the first complete screen on.
                if (screen.Missing().isEmpty())
                    sampled.Sample();
            }
        }
        ServerBackendRegistry::Clear();
        QVERIFY2(replay.Reports().isEmpty(), qPrintable(replay.Reports().join('\n')));
        *lines = sampled.All();
    }
};

QTEST_GUILESS_MAIN(TestRecordReplay)
#include "tst_recordreplay.moc"
