// The quoter and its real calls under every kind of traffic at once: host threads handing
// intents of many tasks down the chain, the server answering and pushing on both accessors
// (subscribed and unsubscribed stocks), driver ticks, cache clearing broadcasts, pause/resume and
// link flaps that make the client redispatch, and a slow consumer whose small mid-result queue
// overflows. Checked: nothing hangs (a watchdog aborts), nothing is delivered for a node after it
// was detached, and in the end the quoter holds exactly the last intent's nodes per task. (The
// quoter deleted while traffic goes on: the end of every link-fault run, under ThreadSanitizer
// too.)
#include <QLoggingCategory>
#include <QtTest>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "host/core/HostClock.h"
#include "host/quoter/IQuoteDataSourceController.h"
#include "services/stockboard/MarketClearing.h"
#include "tests/stress/StressChecks.h"
#include "tests/stress/StressRig.h"

using namespace std::chrono_literals;
using namespace stress;

namespace {

constexpr qint64 kClockStepMs = 250;  // ms the clock moves per tick round
constexpr int kHostThreads = 3;
constexpr int kTasksPerHost = 3;
constexpr int kIntentsPerTick = 4;     // host intents between two tick rounds
constexpr int kIntentsPerControl = 5;  // between two pause/resume or link flaps
constexpr int kIntentsPerClear = 3;    // between two cache clearing broadcasts
constexpr int kMinRounds = 12;         // rounds every traffic loop makes, however short the run
constexpr int kStallEvery = 150;       // results the slow consumer takes between stalls
constexpr int kStallDrops = 3;         // drops a stall waits for (at most kStallMax)
constexpr auto kStallMax = 100ms;

// What the threads of one run share; all of it exists before the first thread starts.
struct Run {
    Run(int capacity, int intentsPerTask, quint32 seed)
        : rig(capacity),
          rounds(intentsPerTask),
          main_server(*rig.main_backend, seed),
          fast_server(*rig.fast_backend, seed + 4) {}

    bool TimeUp() const { return std::chrono::steady_clock::now() > deadline; }
    // A traffic loop goes on until the host is done, and at least kMinRounds rounds.
    bool GoOn(int round) const { return (round < kMinRounds || !progress.Stopped()) && !TimeUp(); }

    QuoterRig rig;
    const int rounds;  // intents per task
    StressServer main_server;
    StressServer fast_server;
    DeliveryLedger ledger;
    Progress progress;
    std::atomic<bool> consumer_stop{false};
    std::atomic<bool> server_stop{false};  // the server outlives the other traffic
    const std::chrono::steady_clock::time_point deadline =
        std::chrono::steady_clock::now() + kRunCap;
    std::mutex mutex;  // guards the members below
    QList<QSharedPointer<ScopeTree>> trees;
    QMap<int, IntentPtr> last_intents;  // task -> its last intent
};

IntentPtr RandomIntent(std::mt19937& random, int task) {
    QStringList fast;
    QStringList board;
    const int fastCount = 1 + int(random() % 2);
    const int boardCount = int(random() % 3);
    for (int i = 0; i < fastCount; ++i)
        fast << CodeAt(int(random() % kFastPool));
    for (int i = 0; i < boardCount; ++i)
        board << CodeAt(int(random() % kBoardPool));
    // One intent in ten only detaches the task's nodes.
    return MakeIntent(task, random() % 10 == 0 ? 0 : kServeFlags, fast, board);
}

// A host thread: dispatches new intents of its tasks through the client's intent holder, each
// replacing the task's previous one among the live intents.
void RunHost(Run& run, int index, const QList<int>& tasks) {
    std::mt19937 random(100 + index);
    IntentHolder& holder = run.rig.context->OwnIntentHolder();
    QMap<int, IntentPtr> current;
    QList<QSharedPointer<ScopeTree>> trees;
    for (int round = 0; round < run.rounds && !run.TimeUp(); ++round) {
        for (int task : tasks) {
            const IntentPtr intent = RandomIntent(random, task);
            trees << intent->GetScopeTree();
            if (current.contains(task))
                holder.RemoveLive(current.value(task));
            holder.Dispatch(intent);
            current.insert(task, intent);
            run.progress.Advance();
        }
    }
    // One by one: appending a whole list to an empty one would share its block across threads,
    // and Qt 5 checks for sharing with a relaxed read.
    std::lock_guard<std::mutex> lock(run.mutex);
    for (const QSharedPointer<ScopeTree>& tree : qAsConst(trees))
        run.trees.append(tree);
    for (auto it = current.cbegin(); it != current.cend(); ++it)
        run.last_intents.insert(it.key(), it.value());
}

// Goes on past the stop until it has answered something.
void RunServer(Run& run, StressServer& server) {
    while (!run.server_stop || (server.AnsweredCount() == 0 && !run.TimeUp()))
        server.Step(5, 1);
}

// The 10002 call's timer slots, called from a thread of their own with the clock moving.
void RunTicks(Run& run) {
    auto* driver = run.rig.board->GetDriver();
    long seen = 0;
    for (int round = 0; run.GoOn(round); ++round) {
        seen = run.progress.WaitFor(seen + kIntentsPerTick, 50ms);
        HostClock::AdvanceForTest(kClockStepMs);
        driver->OnAwaitingTick();
        driver->OnPollingTick();
        if (round % 2 == 0)
            driver->OnPushPurgeTick();
        if (round % 5 == 0)
            driver->OnPushRefreshTick();
    }
}

// Pause/resume through the controller and link flaps on the main service; both make the
// quoter ask the holder to redispatch. Every round ends resumed and connected.
void RunControl(Run& run) {
    IQuoteDataSourceController* controller = run.rig.Controller();
    long seen = 0;
    for (int round = 0; run.GoOn(round); ++round) {
        seen = run.progress.WaitFor(seen + kIntentsPerControl, 50ms);
        if (round % 3 == 2) {
            run.rig.main_backend->SetAccessState(eAccessState_Disconnected);
            run.progress.WaitFor(seen + 1, 20ms);
            run.rig.main_backend->SetAccessState(eAccessState_Connected);
        } else {
            controller->Pause();
            run.progress.WaitFor(seen + 1, 20ms);
            controller->Resume();
        }
    }
}

void RunClearing(Run& run) {
    QuoteContext::Broadcaster* broadcaster = run.rig.context->GetBroadcaster();
    long seen = 0;
    for (int round = 0; run.GoOn(round); ++round) {
        seen = run.progress.WaitFor(seen + kIntentsPerClear, 50ms);
        broadcaster->Publish(market_clearing::SingleMarketKey(),
                             round % 2 == 0 ? QByteArray("SH") : QByteArray("SZ"));
    }
}

// Pushes a barrier's marker; gives up only when the consumer is told to stop.
void PushMarker(Run& run, int barrier) {
    while (!run.rig.Queue().Push(DeliveryLedger::Marker(barrier), 20)) {
        if (run.consumer_stop)
            return;
    }
}

// Watches the quoter's attached-node table (read under the quoter's mutex): every batch of
// departed nodes becomes a barrier.
void RunMonitor(Run& run, const QList<int>& tasks) {
    QMap<int, QSet<int>> present;
    long intents = 0;
    while (!run.progress.Stopped()) {
        const QList<int> gone = Departed(run.rig, tasks, present);
        if (!gone.isEmpty())
            PushMarker(run, run.ledger.AddBarrier(gone));
        intents = run.progress.WaitFor(intents + 1, 10ms);
    }
}

// Lets the queue fill up and overflow: waits for a few drops (bounded).
void Stall(Run& run) {
    QuoteContext::MidResultQueue& queue = run.rig.Queue();
    const qint64 drops = queue.DroppedCount();
    const auto until = std::chrono::steady_clock::now() + kStallMax;
    while (queue.DroppedCount() < drops + kStallDrops && std::chrono::steady_clock::now() < until &&
           !run.consumer_stop)
        run.progress.WaitFor(run.progress.Count() + 1, 5ms);
}

// The client's side of the queue, slow: now and then it stops reading until results drop.
void RunConsumer(Run& run) {
    int taken = 0;
    for (;;) {
        QuoteTaskExecMidResult result;
        if (!run.rig.Queue().Pop(result, 20)) {
            if (run.consumer_stop)
                return;
            continue;
        }
        run.ledger.Take(result);
        if (++taken % kStallEvery == 0)
            Stall(run);
    }
}

// Every node handed out, by scope id: what the chain saw pass (redispatches included) and what the
// trees hold now.
QHash<int, ScopeTreeNode> IssuedNodes(const QuoterRig& rig,
                                      const QList<QSharedPointer<ScopeTree>>& trees) {
    QHash<int, ScopeTreeNode> issued = rig.issued.Issued();
    for (const QSharedPointer<ScopeTree>& tree : trees)
        for (const ScopeTreeNode& node : FetchedNodes(*tree))
            issued.insert(node.scope_id, node);
    return issued;
}

}  // namespace

class TestQuoterStress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Thousands of attach lines and cache-clearing notes would drown the report.
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    }
    void init() { HostClock::SetForTest(kStartMs); }
    void cleanup() { HostClock::UseSystemClock(); }

    void everyThreadAtOnce() {
        Watchdog watchdog("everyThreadAtOnce");
        Run run(8, 150, 7);
        QuoterRig& rig = run.rig;
        QVERIFY(rig.board != nullptr && rig.fast_quote != nullptr);
        const QList<int> tasks = TaskIds(kHostThreads * kTasksPerHost);

        std::thread consumerThread(RunConsumer, std::ref(run));
        std::vector<std::thread> hosts;
        for (int i = 0; i < kHostThreads; ++i)
            hosts.emplace_back(RunHost, std::ref(run), i,
                               tasks.mid(i * kTasksPerHost, kTasksPerHost));
        std::thread servers[] = {std::thread(RunServer, std::ref(run), std::ref(run.main_server)),
                                 std::thread(RunServer, std::ref(run), std::ref(run.fast_server))};
        std::thread traffic[] = {
            std::thread(RunTicks, std::ref(run)), std::thread(RunControl, std::ref(run)),
            std::thread(RunClearing, std::ref(run)), std::thread(RunMonitor, std::ref(run), tasks)};
        for (std::thread& t : hosts)
            t.join();
        run.progress.Stop();
        for (std::thread& t : traffic)
            t.join();
        run.server_stop = true;
        for (std::thread& t : servers)
            t.join();

        // Quiet now: settle pending state reports, then give every task one last intent, replacing
        // its live one.
        rig.Controller()->Resume();
        rig.FlushAccessors();
        const bool blockedAtEnd = rig.quoter->IsBlocked();
        std::mt19937 random(999);
        QMap<int, IntentPtr> finals;
        QSet<int> finalIds;
        for (int task : tasks) {
            const IntentPtr intent = RandomIntent(random, task);
            rig.context->OwnIntentHolder().RemoveLive(run.last_intents.value(task));
            rig.context->OwnIntentHolder().Dispatch(intent);
            finals.insert(task, intent);
            run.trees << intent->GetScopeTree();
        }
        rig.quoter->WaitForWorkThread();
        for (const IntentPtr& intent : qAsConst(finals))
            for (const ScopeTreeNode& node : FetchedNodes(*intent->GetScopeTree()))
                finalIds.insert(node.scope_id);
        const QStringList finalProblems = CheckFinalState(rig, finals);

        // Nothing detached may reach the client after this barrier.
        const QHash<int, ScopeTreeNode> issued = IssuedNodes(rig, run.trees);
        QList<int> retired;
        for (auto it = issued.cbegin(); it != issued.cend(); ++it)
            if (!finalIds.contains(it.key()))
                retired << it.key();
        const int finalBarrier = run.ledger.AddBarrier(retired);
        PushMarker(run, finalBarrier);
        rig.FlushAccessors();
        run.consumer_stop = true;
        consumerThread.join();
        QuoteTaskExecMidResult left;  // what the consumer left in the queue
        while (rig.Queue().Pop(left, 0))
            run.ledger.Take(left);

        QVERIFY2(run.ledger.violations.isEmpty(), qPrintable(run.ledger.violations.join("; ")));
        QVERIFY2(!blockedAtEnd, "the quoter stayed blocked after resume and reconnect");
        QVERIFY2(finalProblems.isEmpty(), qPrintable(finalProblems.join("; ")));

        QCOMPARE(run.ledger.passed, finalBarrier);
        QVERIFY(run.ledger.retired.size() >= retired.size());
        QVERIFY(rig.context->OwnIntentHolder().RedispatchCount() > 0);
        QVERIFY(run.main_server.AnsweredCount() > 0 && run.fast_server.AnsweredCount() > 0);
        const int fastDeliveries = run.ledger.FastQuoteCount();
        QVERIFY(fastDeliveries > 0);
        QVERIFY(run.ledger.DeliveryCount() > fastDeliveries);
    }
};

QTEST_GUILESS_MAIN(TestQuoterStress)
#include "tst_quoterstress.moc"
