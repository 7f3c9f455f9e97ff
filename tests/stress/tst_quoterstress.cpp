// The quoter and its real calls under every kind of traffic at once: host threads handing
// intents of many tasks down the chain, the server answering and pushing on both accessors
// (subscribed and unsubscribed stocks), driver ticks, cache clearing broadcasts, pause/resume and
// link flaps that make the client redispatch, and a mid-result queue that overflows. Checked:
// nothing hangs (a watchdog aborts), nothing is delivered for a node after it was detached, every
// delivery names a node that was handed out and carries that node's stock, caches stay within
// capacity, and in the end the quoter holds exactly the last intent's nodes per task.
#include <QLoggingCategory>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "host/core/HostClock.h"
#include "host/quoter/IQuoteDataSourceController.h"
#include "plugin/QzLv2Quoter.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/stockboard/MarketClearing.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "tests/stress/AttachMonitor.h"
#include "tests/stress/DeliveryLedger.h"
#include "tests/stress/QuoterRig.h"
#include "tests/stress/StressIntents.h"
#include "tests/stress/StressProgress.h"
#include "tests/stress/StressServer.h"
#include "tests/stress/StressTiming.h"
#include "tests/stress/Watchdog.h"

using namespace std::chrono_literals;
using IntentPtr = QSharedPointer<QuoteDataSourceIntent>;

namespace {

constexpr qint64 kStartMs = 1700000000000;  // ms since the epoch, a fixed test "now"
constexpr qint64 kClockStepMs = 250;        // ms the clock moves per tick round
constexpr int kHostThreads = 3;
constexpr int kTasksPerHost = 3;
constexpr int kIntentsPerTick = 4;     // host intents between two tick rounds
constexpr int kIntentsPerControl = 5;  // between two pause/resume or link flaps
constexpr int kIntentsPerClear = 3;    // between two cache clearing broadcasts
constexpr int kMinRounds = 12;         // rounds every traffic loop makes, however short the run
constexpr int kStallEvery = 150;       // results the slow consumer takes between stalls
constexpr int kStallDrops = 3;         // drops a stall waits for (at most kStallMax)
constexpr auto kStallMax = 100ms;

struct Scenario {
    int rounds = 0;        // intents per task
    bool consumer = true;  // false: nobody reads the queue until the end
};

// What the threads of one run share.
struct Run {
    Run(QuoterRig& r, const Scenario& s) : rig(r), scenario(s) {}

    QuoterRig& rig;
    const Scenario scenario;
    DeliveryLedger ledger;
    StressProgress progress;
    std::atomic<bool> consumer_stop{false};
    std::atomic<bool> server_stop{false};  // the server outlives the other traffic
    std::chrono::steady_clock::time_point deadline =
        std::chrono::steady_clock::now() + stress::RunCap();
    std::mutex mutex;  // guards the members below
    QList<QSharedPointer<ScopeTree>> trees;
    QMap<int, IntentPtr> last_intents;  // task -> its last intent
    int seen_attached = 0;
    int stalls = 0;

    bool TimeUp() const { return std::chrono::steady_clock::now() > deadline; }
    // A traffic loop goes on until the host is done, and at least kMinRounds rounds.
    bool GoOn(int round) const { return (round < kMinRounds || !progress.Stopped()) && !TimeUp(); }
};

IntentPtr RandomIntent(std::mt19937& random, int task) {
    QStringList fast;
    QStringList board;
    const int fastCount = 1 + int(random() % 2);
    const int boardCount = int(random() % 3);
    for (int i = 0; i < fastCount; ++i)
        fast << stress::CodeAt(int(random() % stress::kFastPool));
    for (int i = 0; i < boardCount; ++i)
        board << stress::CodeAt(int(random() % stress::kBoardPool));
    // One intent in ten only detaches the task's nodes.
    const quint32 flags = random() % 10 == 0 ? 0 : stress::kServeFlags;
    return stress::MakeIntent(task, flags, fast, board);
}

// A host thread: dispatches new intents of its tasks through the client's intent holder, each
// replacing the task's previous one among the live intents.
void RunHost(Run& run, int index, const QList<int>& tasks) {
    std::mt19937 random(100 + index);
    IntentHolder& holder = run.rig.Context().OwnIntentHolder();
    QMap<int, IntentPtr> current;
    QList<QSharedPointer<ScopeTree>> trees;
    for (int round = 0; round < run.scenario.rounds && !run.TimeUp(); ++round) {
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

void RunServer(Run& run, StressServer& server) {
    while (!run.server_stop)
        server.Step(5, 1);
}

// The 10002 call's timer slots, called from a thread of their own with the clock moving.
void RunTicks(Run& run) {
    auto* driver = run.rig.Board()->GetDriver();
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
            run.rig.MainBackend().SetAccessState(eAccessState_Disconnected);
            run.progress.WaitFor(seen + 1, 20ms);
            run.rig.MainBackend().SetAccessState(eAccessState_Connected);
        } else {
            controller->Pause();
            run.progress.WaitFor(seen + 1, 20ms);
            controller->Resume();
        }
    }
}

void RunClearing(Run& run) {
    QuoteContext::Broadcaster* broadcaster = run.rig.Context().GetBroadcaster();
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

// Watches the attached-node table (detached nodes become barriers), the caches and the queue.
void RunMonitor(Run& run, const QList<int>& tasks) {
    AttachMonitor monitor(run.rig.Quoter(), tasks);
    long seen = 0;
    while (!run.progress.Stopped()) {
        const QList<int> gone = monitor.Poll();
        if (!gone.isEmpty() && run.scenario.consumer)
            PushMarker(run, run.ledger.AddBarrier(gone));
        const QString caches = run.rig.CheckCaches();
        if (!caches.isEmpty())
            run.ledger.AddViolation(caches);
        if (run.rig.Queue().Size() > run.rig.Queue().Capacity())
            run.ledger.AddViolation(QStringLiteral("mid-result queue over capacity"));
        seen = run.progress.WaitFor(seen + 1, 10ms);
    }
    std::lock_guard<std::mutex> lock(run.mutex);
    run.seen_attached = monitor.SeenCount();
}

// Lets the queue fill up and overflow: waits for a few drops (bounded).
void Stall(Run& run) {
    QuoteContext::MidResultQueue& queue = run.rig.Queue();
    const qint64 drops = queue.DroppedCount();
    const auto until = std::chrono::steady_clock::now() + kStallMax;
    while (queue.DroppedCount() < drops + kStallDrops && std::chrono::steady_clock::now() < until &&
           !run.consumer_stop)
        run.progress.WaitFor(run.progress.Count() + 1, 5ms);
    std::lock_guard<std::mutex> lock(run.mutex);
    ++run.stalls;
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

QList<int> AllTasks() {
    QList<int> tasks;
    for (int i = 0; i < kHostThreads * kTasksPerHost; ++i)
        tasks << 1 + i;
    return tasks;
}

QList<int> Ids(const ScopeTreeNodeList& nodes) {
    QList<int> ids;
    for (const ScopeTreeNode& node : nodes)
        ids << node.scope_id;
    return ids;
}

// Hands every task one last intent, replacing its live one; returns them once attached.
QMap<int, IntentPtr> DispatchFinalIntents(Run& run, const QList<int>& tasks) {
    IntentHolder& holder = run.rig.Context().OwnIntentHolder();
    std::mt19937 random(999);
    QMap<int, IntentPtr> finals;
    for (int task : tasks) {
        const IntentPtr intent = RandomIntent(random, task);
        holder.RemoveLive(run.last_intents.value(task));
        holder.Dispatch(intent);
        finals.insert(task, intent);
        run.trees << intent->GetScopeTree();
    }
    run.rig.Quoter().WaitForWorkThread();
    return finals;
}

QSet<int> FetchedIds(const QMap<int, IntentPtr>& intents) {
    QSet<int> ids;
    for (const IntentPtr& intent : intents)
        for (const ScopeTreeNode& node : stress::FetchedNodes(*intent->GetScopeTree()))
            ids.insert(node.scope_id);
    return ids;
}

bool IsFastQuoteNode(const ScopeTreeNode& node) {
    return node.api_type == ScopeTypeVariant("12989");
}

// After the last intents: the quoter's table holds exactly their nodes per task, and the calls
// hold exactly those subscriptions (no node leaked by a race) on exactly their topics.
QStringList CheckFinalState(QuoterRig& rig, const QMap<int, IntentPtr>& finals) {
    QStringList problems;
    int fastNodes = 0;
    int boardNodes = 0;
    QSet<QString> fastTopics;
    QSet<QString> boardTopics;
    for (auto it = finals.cbegin(); it != finals.cend(); ++it) {
        const ScopeTreeNodeList expected = stress::FetchedNodes(*it.value()->GetScopeTree());
        if (Ids(rig.Quoter().AttachedNodes(it.key())) != Ids(expected))
            problems
                << QStringLiteral("task %1 does not hold its last intent's nodes").arg(it.key());
        for (const ScopeTreeNode& node : expected) {
            const QString code = node.stock_list.GetStockCode();
            if (IsFastQuoteNode(node)) {
                ++fastNodes;
                fastTopics.insert(code);
            } else {
                ++boardNodes;
                boardTopics.insert(code + "/" + node.api_type.ToQString());
            }
        }
    }
    QSet<QString> heldFastTopics;
    for (const auto& topic : rig.FastQuote()->GetPublisher().Topics())
        heldFastTopics.insert(topic.Code());
    QSet<QString> heldBoardTopics;
    for (const auto& topic : rig.Board()->GetPublisher().Topics())
        heldBoardTopics.insert(topic.Code() + "/" + topic.Kind());
    const int activeTopics = int(rig.Board()->GetDriver()->ActiveTopics().size());
    if (rig.FastQuote()->AttachedNodeCount() != fastNodes || heldFastTopics != fastTopics)
        problems << QStringLiteral("12989 holds %1 nodes on %2 topics, expected %3 on %4")
                        .arg(rig.FastQuote()->AttachedNodeCount())
                        .arg(heldFastTopics.size())
                        .arg(fastNodes)
                        .arg(fastTopics.size());
    if (rig.Board()->AttachedNodeCount() != boardNodes || heldBoardTopics != boardTopics ||
        activeTopics != boardTopics.size())
        problems << QStringLiteral(
                        "10002 holds %1 nodes on %2 topics (%3 active), expected %4 on %5")
                        .arg(rig.Board()->AttachedNodeCount())
                        .arg(heldBoardTopics.size())
                        .arg(activeTopics)
                        .arg(boardNodes)
                        .arg(boardTopics.size());
    return problems;
}

// Takes what the consumer left in the queue.
void DrainQueue(Run& run) {
    QuoteTaskExecMidResult result;
    while (run.rig.Queue().Pop(result, 0))
        run.ledger.Take(result);
}

// Every node handed out in the trees, by scope id.
QHash<int, ScopeTreeNode> IssuedNodes(const QList<QSharedPointer<ScopeTree>>& trees) {
    QHash<int, ScopeTreeNode> issued;
    for (const QSharedPointer<ScopeTree>& tree : trees) {
        for (const ScopeTreeNode& node : stress::FetchedNodes(*tree))
            issued.insert(node.scope_id, node);
    }
    return issued;
}

// Checks each delivery against the node it names; the first problems found.
QStringList CheckDeliveries(const QList<DeliveryLedger::Delivery>& deliveries,
                            const QHash<int, ScopeTreeNode>& issued) {
    QStringList problems;
    for (const DeliveryLedger::Delivery& delivery : deliveries) {
        if (problems.size() >= 10)
            break;
        const auto node = issued.constFind(delivery.scope_id);
        if (node == issued.constEnd()) {
            problems << QStringLiteral("scope id %1 was never handed out").arg(delivery.scope_id);
            continue;
        }
        const QString code = node->stock_list.GetStockCode();
        if (delivery.kind == DeliveryLedger::Kind::Snapshot && delivery.code != code)
            problems << QStringLiteral("node %1 of %2 got %3's snapshot")
                            .arg(delivery.scope_id)
                            .arg(code, delivery.code);
        if (IsFastQuoteNode(*node) != (delivery.kind == DeliveryLedger::Kind::FastQuote))
            problems << QStringLiteral("node %1 (api %2) got the wrong kind of data")
                            .arg(delivery.scope_id)
                            .arg(node->api_type.ToQString());
    }
    return problems;
}

}  // namespace

class TestQuoterStress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyThreadAtOnce_data();
    void everyThreadAtOnce();
    void quoterDeletedUnderTraffic();
};

void TestQuoterStress::initTestCase() {
    // Thousands of attach lines and cache-clearing notes would drown the report.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
}

void TestQuoterStress::init() {
    HostClock::SetForTest(kStartMs);
}

void TestQuoterStress::cleanup() {
    HostClock::UseSystemClock();
}

void TestQuoterStress::everyThreadAtOnce_data() {
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<bool>("consumer");
    QTest::newRow("slow consumer, small queue") << 8 << 150 << true;
    // With nobody reading, every delivery waits its 10 ms: keep the traffic small.
    QTest::newRow("absent consumer, full queue") << 4 << 6 << false;
}

void TestQuoterStress::everyThreadAtOnce() {
    QFETCH(int, capacity);
    QFETCH(int, rounds);
    QFETCH(bool, consumer);
    Watchdog watchdog(QTest::currentDataTag(), stress::WatchdogLimit());
    QuoterRig rig(capacity);
    QVERIFY(rig.Board() != nullptr && rig.FastQuote() != nullptr);
    Run run(rig, Scenario{rounds, consumer});
    StressServer mainServer(rig.MainBackendPtr(), 7);
    StressServer fastServer(rig.FastBackendPtr(), 11);
    const QList<int> tasks = AllTasks();

    std::thread consumerThread;
    if (consumer)
        consumerThread = std::thread(RunConsumer, std::ref(run));
    std::vector<std::thread> hosts;
    for (int i = 0; i < kHostThreads; ++i)
        hosts.emplace_back(RunHost, std::ref(run), i, tasks.mid(i * kTasksPerHost, kTasksPerHost));
    std::thread mainServerThread(RunServer, std::ref(run), std::ref(mainServer));
    std::thread fastServerThread(RunServer, std::ref(run), std::ref(fastServer));
    std::vector<std::thread> traffic;
    traffic.emplace_back(RunTicks, std::ref(run));
    traffic.emplace_back(RunControl, std::ref(run));
    traffic.emplace_back(RunClearing, std::ref(run));
    traffic.emplace_back(RunMonitor, std::ref(run), tasks);
    for (std::thread& t : hosts)
        t.join();
    run.progress.Stop();
    for (std::thread& t : traffic)
        t.join();
    run.server_stop = true;
    mainServerThread.join();
    fastServerThread.join();

    // Quiet now: settle pending state reports, then give every task one last intent.
    rig.Controller()->Resume();
    rig.FlushAccessors();
    const bool blockedAtEnd = rig.Quoter().IsBlocked();
    const QMap<int, IntentPtr> finals = DispatchFinalIntents(run, tasks);
    const QStringList finalProblems = CheckFinalState(rig, finals);

    // Nothing detached may reach the client after this barrier.
    const QSet<int> finalIds = FetchedIds(finals);
    const QHash<int, ScopeTreeNode> issued = IssuedNodes(run.trees);
    QList<int> retired;
    for (auto it = issued.cbegin(); it != issued.cend(); ++it)
        if (!finalIds.contains(it.key()))
            retired << it.key();
    const int finalBarrier = run.ledger.AddBarrier(retired);
    if (!consumer)
        consumerThread = std::thread(RunConsumer, std::ref(run));  // the client comes back
    PushMarker(run, finalBarrier);
    rig.FlushAccessors();
    run.consumer_stop = true;
    consumerThread.join();
    DrainQueue(run);

    const QStringList violations = run.ledger.Violations();
    QVERIFY2(violations.isEmpty(), qPrintable(violations.join("; ")));
    QVERIFY2(!blockedAtEnd, "the quoter stayed blocked after resume and reconnect");
    QVERIFY2(finalProblems.isEmpty(), qPrintable(finalProblems.join("; ")));
    QVERIFY(rig.CheckCaches().isEmpty());

    const QList<DeliveryLedger::Delivery> deliveries = run.ledger.Deliveries();
    const QStringList problems = CheckDeliveries(deliveries, issued);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
    QCOMPARE(run.ledger.BarriersPassed(), consumer ? finalBarrier : 1);
    QVERIFY(run.ledger.IdsRetired() >= retired.size());
    QVERIFY(rig.Context().OwnIntentHolder().RedispatchCount() > 0);
    QVERIFY(mainServer.AnsweredCount() > 0 && fastServer.AnsweredCount() > 0);
    int fastDeliveries = 0;
    for (const DeliveryLedger::Delivery& d : deliveries)
        fastDeliveries += d.kind == DeliveryLedger::Kind::FastQuote ? 1 : 0;
    if (consumer) {
        QVERIFY(fastDeliveries > 0);
        QVERIFY(deliveries.size() > fastDeliveries);
    } else {
        // The queue was full while the server kept answering.
        QVERIFY(deliveries.size() >= capacity);
        QVERIFY(rig.Queue().DroppedCount() > 0);
    }
    std::printf(
        "%d intents, %d deliveries (%d fast), %lld dropped, %d barriers, %d nodes "
        "seen attached, %d stalls, %d redispatches\n",
        int(run.progress.Count()), int(deliveries.size()), fastDeliveries,
        rig.Queue().DroppedCount(), run.ledger.BarriersPassed(), run.seen_attached, run.stalls,
        rig.Context().OwnIntentHolder().RedispatchCount());
}

// The client deletes the quoter while answers, pushes, state reports and cache-clearing
// broadcasts keep coming: no hang, no delivery afterwards, both links closed.
void TestQuoterStress::quoterDeletedUnderTraffic() {
    Watchdog watchdog("quoterDeletedUnderTraffic", stress::WatchdogLimit());
    QuoterRig rig(64);
    Run run(rig, Scenario{0, true});
    StressServer mainServer(rig.MainBackendPtr(), 3);
    StressServer fastServer(rig.FastBackendPtr(), 5);
    std::thread consumerThread(RunConsumer, std::ref(run));
    std::vector<std::thread> traffic;
    traffic.emplace_back(RunServer, std::ref(run), std::ref(mainServer));
    traffic.emplace_back(RunServer, std::ref(run), std::ref(fastServer));
    traffic.emplace_back(RunClearing, std::ref(run));
    traffic.emplace_back([&run] {
        for (int round = 0; run.GoOn(round); ++round) {
            run.progress.WaitFor(run.progress.Count() + 1, 5ms);
            run.rig.MainBackend().SetAccessState(round % 2 ? eAccessState_Connected
                                                           : eAccessState_Disconnected);
        }
    });

    std::mt19937 random(42);
    for (int round = 0; round < 10; ++round) {
        for (int task = 1; task <= 4; ++task) {
            const IntentPtr intent = RandomIntent(random, task);
            run.trees << intent->GetScopeTree();
            rig.Context().OwnIntentHolder().Dispatch(intent);
            run.progress.Advance();
        }
    }
    const auto until = std::chrono::steady_clock::now() + 2s * stress::kSlowdown;
    while (run.ledger.DeliveryCount() < 20 && std::chrono::steady_clock::now() < until)
        run.progress.WaitFor(run.progress.Count() + 1, 5ms);
    const int deliveredBefore = run.ledger.DeliveryCount();

    rig.DeleteQuoter();
    const int marker = run.ledger.AddBarrier(IssuedNodes(run.trees).keys());
    PushMarker(run, marker);
    for (int i = 0; i < 20; ++i)  // traffic goes on against the closed links
        run.progress.Advance();
    run.progress.Stop();
    run.server_stop = true;
    for (std::thread& t : traffic)
        t.join();
    run.consumer_stop = true;
    consumerThread.join();

    QVERIFY2(deliveredBefore > 0, "no traffic reached the client before the deletion");
    const QStringList violations = run.ledger.Violations();
    QVERIFY2(violations.isEmpty(), qPrintable(violations.join("; ")));
    QCOMPARE(run.ledger.BarriersPassed(), 1);
    QCOMPARE(rig.MainBackend().LinkCount(), 0);
    QCOMPARE(rig.FastBackend().LinkCount(), 0);
    const QStringList problems = CheckDeliveries(run.ledger.Deliveries(), IssuedNodes(run.trees));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
}

QTEST_GUILESS_MAIN(TestQuoterStress)
#include "tst_quoterstress.moc"
