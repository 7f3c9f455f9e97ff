// Every live view comes back: 30 watched stocks in ten tasks, each with every kind of live data a
// stock's screen shows (book 12989 and basic quote pushes 10001, board row 10002, minute flows
// 12842, price deals 12915, capital flow 12930, large deal 12990), on the simulated market stepped
// on the injected clock, while the link drops and comes back, the data source pauses and resumes,
// and views are replaced and withdrawn. After the last restore every watched stock's every kind
// gets data the plug-in received after the restore, delivered to a live view, within 5 s (10.5 s
// for the 10 s polls of 12842, 13 s for 12915's), whether the last outage outlasts the 3000 ms
// repeat windows or not: rows end on a long outage, on short ones right after the books were asked
// for, and on an outage right after the views opened. The calls hold exactly the live views' nodes
// and nothing is delivered for a node after its detach. With a server that spoils half of the
// stocks' books and snapshots, the other half never starve. QZ_FAULT_CYCLES and QZ_FAULT_SEED make
// a longer or another run (scripts/chaos.sh); each row prints its recovery per kind.
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <random>

#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "host/quoter/IQuoteDataSourceController.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tests/stress/CorruptingBackend.h"
#include "tests/stress/LiveViews.h"
#include "tests/stress/StressChecks.h"
#include "tests/stress/StressRig.h"

using namespace stress;

namespace {

constexpr int kTickMs = 500;  // simulated ms per market tick
constexpr int kTasks = 10;
constexpr int kStocksPerTask = 3;  // 30 watched stocks
constexpr int kListedStocks = 9;   // the market's own; the rest are generated
constexpr int kCycles = 25;        // link drops and restores a row
constexpr int kMaxTicksBetween = 3;
constexpr int kLongOutageTicks = 8;  // 4000 ms: beyond the 3000 ms and 2000 ms windows
constexpr int kSpoilPercent = 30;    // of the dirty stocks' answers and pushes
constexpr int kQueueCapacity = 1 << 15;

// How a row ends: after the flapping, optionally a long outage whose restore asks for every book
// again, then gapTicks of calm, then the last outage of outageTicks.
struct Finale {
    bool prelude = false;
    int gapTicks = 0;
    int outageTicks = kLongOutageTicks;
};

// One run: the market (possibly behind a spoiling server), a real quoter, the host's views, and
// the simulated time that drives the market and the calls' timers.
class FaultRun {
public:
    FaultRun(quint32 seed, bool spoiling)
        : random_(seed),
          market_(MakeMarket(seed)),
          spoiler_(spoiling ? std::make_shared<CorruptingBackend>(market_, DirtyCodes(),
                                                                  kSpoilPercent, seed + 1)
                            : nullptr),
          rig_(kQueueCapacity, Backend(), Backend(), false),
          fresh_(*rig_.quoter) {}

    static QStringList Codes() { return WatchedCodes(kTasks * kStocksPerTask); }
    // Every second stock is spoiled by the lying server; the others are clean.
    static QSet<QString> DirtyCodes() {
        QSet<QString> dirty;
        const QStringList codes = Codes();
        for (int i = 1; i < codes.size(); i += 2) {
            dirty.insert(codes.at(i));
        }
        return dirty;
    }

    QuoterRig& Rig() { return rig_; }
    CorruptingBackend* Spoiler() { return spoiler_.get(); }
    const DeliveryLedger& Ledger() const { return ledger_; }

    void ShowAll() {
        for (int task = 1; task <= kTasks; ++task) {
            Dispatch(task, kServeFlags);
        }
        Settle();
    }

    // One random cycle: some ticks, host actions and a pause while up, a drop, the same while
    // down, a restore.
    void Cycle() {
        Wander();
        market_->DropLink();
        Settle();
        Wander();
        market_->RestoreLink();
        Settle();
    }

    // Resumed, the finale's outages, then ticks until every judged kind of every live view got
    // fresh data or the longest bound passed. Returns the wall time from the last restore to the
    // end of that in us.
    qint64 EndAndRecover(const Finale& finale) {
        if (paused_) {
            TogglePause();
        }
        if (finale.prelude) {
            Outage(kLongOutageTicks);
        }
        Ticks(finale.gapTicks);
        market_->DropLink();
        Settle();
        Ticks(finale.outageTicks);
        QElapsedTimer wall;
        wall.start();
        tally_.Judge({std::begin(kKinds), std::end(kKinds)}, Judged());
        fresh_.Arm();
        watching_ = true;
        market_->RestoreLink();
        Settle();
        while (since_restore_ < kLongestBoundMs / kTickMs && !tally_.AllRecovered()) {
            Tick();
        }
        return wall.nsecsElapsed() / 1000;
    }

    QStringList RecoveryReport() const { return tally_.Report(); }
    QStringList Late() const { return tally_.Late(); }

    // Problems of the end state: the quoter's table and the calls' subscriptions hold exactly
    // the live views' current nodes, once each; withdrawn views hold nothing.
    QStringList CheckEnd() {
        QMap<int, IntentPtr> finals;
        QStringList problems;
        for (int task = 1; task <= kTasks; ++task) {
            if (live_.value(task)->WantsService()) {
                finals.insert(task, live_.value(task));
            } else if (!rig_.quoter->AttachedNodes(task).isEmpty()) {
                problems << QStringLiteral("withdrawn task %1 holds nodes").arg(task);
            }
        }
        return problems + CheckFinalState(rig_, finals);
    }

    int withdrawn = 0;
    int replaced = 0;
    int pauses = 0;

private:
    static std::shared_ptr<SimulatedMarketBackend> MakeMarket(quint32 seed) {
        SimulatedMarketBackend::Options options;
        options.seed = seed;
        options.timers = false;
        options.snapshot_push_every = 1;
        options.extra_stocks = kTasks * kStocksPerTask - kListedStocks;
        return std::make_shared<SimulatedMarketBackend>(options);
    }
    std::shared_ptr<IServerBackend> Backend() const {
        return spoiler_ ? std::shared_ptr<IServerBackend>(spoiler_) : market_;
    }

    QStringList TaskCodes(int task) const {
        return codes_.mid((task - 1) * kStocksPerTask, kStocksPerTask);
    }

    // Every kind of every live view's clean stock; a large deal only for a stock that has one.
    QSet<KindCode> Judged() const {
        QSet<QString> dealt;
        market_->ReadSignals(
            [&](const simmarket::LargeDealTape& tape, const simmarket::SignalDetector&) {
                for (const QString& code : codes_) {
                    if (tape.Latest(code) != nullptr) {
                        dealt.insert(code);
                    }
                }
            });
        QSet<KindCode> judged;
        for (int task = 1; task <= kTasks; ++task) {
            for (const QString& code :
                 live_.value(task)->WantsService() ? TaskCodes(task) : QStringList()) {
                if (spoiler_ && dirty_.contains(code)) {
                    continue;
                }
                for (const Kind& kind : kKinds) {
                    if (kind.function != 12990 || dealt.contains(code)) {
                        judged.insert(KindCode(kind.function, code));
                    }
                }
            }
        }
        return judged;
    }

    // A view of the task's stocks replaces the task's live intent; flags 0 withdraws it (an
    // intent that serves nothing makes every handler forget the task).
    void Dispatch(int task, quint32 flags) {
        IntentHolder& holder = rig_.context->OwnIntentHolder();
        const IntentPtr intent = MakeViews(task, flags, TaskCodes(task));
        if (live_.contains(task)) {
            holder.RemoveLive(live_.value(task));
        }
        holder.Dispatch(intent);
        live_.insert(task, intent);
    }

    // A few ticks and host actions in random order.
    void Wander() {
        const int steps = 1 + int(random_() % 4);
        for (int i = 0; i < steps; ++i) {
            switch (random_() % 6) {
                case 0:
                    TogglePause();
                    break;
                case 1: {
                    const int task = 1 + int(random_() % kTasks);
                    const bool showing = live_.value(task)->WantsService();
                    Dispatch(task, showing && random_() % 3 == 0 ? 0 : kServeFlags);
                    ++(showing ? replaced : withdrawn);
                    break;
                }
                default:
                    Ticks(int(random_() % (kMaxTicksBetween + 1)));
                    break;
            }
            Settle();
        }
    }

    void TogglePause() {
        if (paused_) {
            rig_.Controller()->Resume();
        } else {
            rig_.Controller()->Pause();
            ++pauses;
        }
        paused_ = !paused_;
    }

    void Outage(int ticks) {
        market_->DropLink();
        Settle();
        Ticks(ticks);
        market_->RestoreLink();
        Settle();
    }

    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            Tick();
        }
    }

    // One tick of simulated time: the calls' timers that fall due on the way, then the market.
    void Tick() {
        HostTimerQueue::AdvanceClockBy(kTickMs);
        market_->Step();
        since_restore_ += watching_ ? 1 : 0;
        Settle();
    }

    // Lets every job, answer and state report in flight be handled, then takes the results.
    void Settle() {
        for (int i = 0; i < 3; ++i) {
            rig_.FlushAccessors();
            rig_.quoter->WaitForWorkThread();
        }
        if (spoiler_) {
            spoiler_->Flush();
            rig_.FlushAccessors();
        }
        Collect();
    }

    // Nodes that left the quoter's table since the last look become a barrier: nothing popped
    // after its marker may name them. Then the queue is drained; after the last restore, a
    // delivery to a live node of a kind whose fresh data has come in marks that kind recovered.
    void Collect() {
        QHash<int, ScopeTreeNode> current;
        const QList<int> gone = Departed(rig_, TaskIds(kTasks), present_, &current);
        if (!gone.isEmpty()) {
            rig_.Queue().Push(DeliveryLedger::Marker(ledger_.AddBarrier(gone)), 0);
        }
        QuoteTaskExecMidResult result;
        while (rig_.Queue().Pop(result, 0)) {
            ledger_.Take(result);
            const auto node = current.constFind(result.scope_id);
            if (!watching_ || node == current.constEnd()) {
                continue;
            }
            const KindCode what(node->api_type.ToQString().toInt(),
                                node->stock_list.GetStockCode());
            if (tally_.IsJudgedAndOpen(what) && fresh_.Received(what)) {
                tally_.Note(what, since_restore_ * kTickMs);
            }
        }
    }

    std::mt19937 random_;
    const std::shared_ptr<SimulatedMarketBackend> market_;
    const std::shared_ptr<CorruptingBackend> spoiler_;
    QuoterRig rig_;
    FreshAnswers fresh_;
    const QStringList codes_ = Codes();
    const QSet<QString> dirty_ = DirtyCodes();
    QMap<int, IntentPtr> live_;  // task -> its last intent (flags 0: withdrawn)
    QMap<int, QSet<int>> present_;
    DeliveryLedger ledger_;
    bool paused_ = false;
    bool watching_ = false;  // from the last restore on
    int since_restore_ = 0;  // ticks since the last restore
    RecoveryTally tally_;
};

}  // namespace

Q_DECLARE_METATYPE(Finale)

class TestLinkFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Thousands of attach lines, link notes and spoilt bodies would drown the report.
        QLoggingCategory::setFilterRules(
            QStringLiteral("*.debug=false\n*.info=false\nqzlv2.lv2-12989.warning=false\n"
                           "qzlv2.lv2-10002.warning=false"));
    }
    void init() { HostClock::SetForTest(kStartMs); }
    void cleanup() { HostClock::UseSystemClock(); }

    void everyViewComesBack_data() {
        QTest::addColumn<bool>("spoiling");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("flapping");
        QTest::addColumn<Finale>("finale");
        const Finale longLast;
        const Finale shortAfterBooks{true, 2, 2};  // the last restore 2000 ms after the books'
        const Finale shortestAfterBooks{true, 0, 1};
        QTest::newRow("honest, last outage 4 s") << false << 16u << true << longLast;
        QTest::newRow("honest, last outage 1 s, 1 s after the books were asked")
            << false << 17u << true << shortAfterBooks;
        QTest::newRow("honest, last outage 0.5 s right after the books were asked")
            << false << 5u << true << shortestAfterBooks;
        QTest::newRow("spoiling, last outage 4 s") << true << 16u << true << longLast;
        QTest::newRow("spoiling, last outage 1 s, 1 s after the books were asked")
            << true << 17u << true << shortAfterBooks;
        QTest::newRow("honest, outage from 0.5 s to 1.5 s after the views open")
            << false << 11u << false << Finale{false, 1, 2};
    }

    void everyViewComesBack() {
        QFETCH(bool, spoiling);
        QFETCH(quint32, seed);
        QFETCH(bool, flapping);
        QFETCH(Finale, finale);
        const long rssStart = RssKb("VmRSS");
        const int cycles = flapping ? EnvInt("QZ_FAULT_CYCLES", kCycles) : 0;
        seed = quint32(EnvInt("QZ_FAULT_SEED", int(seed)));
        Watchdog watchdog(QTest::currentDataTag(), kWatchdogLimit * std::max(1, cycles / kCycles));
        FaultRun run(seed, spoiling);
        QVERIFY(run.Rig().board != nullptr && run.Rig().fast_quote != nullptr);
        run.ShowAll();
        for (int cycle = 0; cycle < cycles; ++cycle) {
            run.Cycle();
        }
        const qint64 wallUs = run.EndAndRecover(finale);
        const QStringList late = run.Late();
        std::printf(
            "fault run: seed %u, %d cycles, %d replaced, %d withdrawn, %d pauses, "
            "%d deliveries, %d late, recovery %lld us wall, rss kB %ld start %ld peak %ld end\n"
            "recovery: %s\n",
            seed, cycles, run.replaced, run.withdrawn, run.pauses, run.Ledger().DeliveryCount(),
            int(late.size()), wallUs, rssStart, RssKb("VmHWM"), RssKb("VmRSS"),
            qPrintable(run.RecoveryReport().join(QStringLiteral(", "))));
        QVERIFY2(late.isEmpty(),
                 qPrintable("no fresh data in time after the last restore: " + late.join(", ")));
        const QStringList problems = run.CheckEnd();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
        QVERIFY2(run.Ledger().violations.isEmpty(), qPrintable(run.Ledger().violations.join("; ")));
        if (cycles > 0) {
            QVERIFY(run.Ledger().passed > 0);
            QVERIFY(run.withdrawn > 0 && run.replaced > 0 && run.pauses > 0);
        }
        if (CorruptingBackend* spoiler = run.Spoiler()) {
            QCOMPARE(spoiler->spoiled.size(), int(CorruptingBackend::Spoil::Count));  // every way
        }
    }
};

QTEST_GUILESS_MAIN(TestLinkFaults)
#include "tst_linkfaults.moc"
