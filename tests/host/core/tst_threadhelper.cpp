#include <QtTest>
#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/core/ThreadHelper.h"

class TstThreadHelper : public QObject {
    Q_OBJECT

private slots:
    void runsJobsInQueueOrderFromManyThreads();
    void runsOneJobAtATimeOnItsOwnThread();
    void waitForIdleWaitsForRunningJob();
    void throwingJobDoesNotStopTheQueue();
    void destructorFinishesRunningJobAndDropsTheRest();
};

void TstThreadHelper::runsJobsInQueueOrderFromManyThreads() {
    constexpr int kProducers = 4;
    constexpr int kJobsEach = 500;
    ThreadHelper helper(1);
    std::mutex ticketMutex;  // makes the queueing order observable
    int nextTicket = 0;
    std::vector<int> ran;  // touched by jobs only; read after WaitForIdle
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&] {
            for (int i = 0; i < kJobsEach; ++i) {
                std::lock_guard<std::mutex> lock(ticketMutex);
                const int ticket = nextTicket++;
                helper.RunOnWorkThread([&ran, ticket] { ran.push_back(ticket); });
            }
        });
    }
    for (auto& t : producers) {
        t.join();
    }
    helper.WaitForIdle();
    QCOMPARE(int(ran.size()), kProducers * kJobsEach);
    for (int i = 0; i < int(ran.size()); ++i) {
        QCOMPARE(ran[i], i);
    }
}

void TstThreadHelper::runsOneJobAtATimeOnItsOwnThread() {
    ThreadHelper helper(4);  // the count is accepted; one thread keeps the order
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> otherThreads{0};
    const std::thread::id workThread = helper.WorkThreadId();
    QVERIFY(workThread != std::this_thread::get_id());
    for (int i = 0; i < 200; ++i) {
        helper.RunOnWorkThread([&] {
            if (running.fetch_add(1) != 0) {
                ++overlaps;
            }
            if (std::this_thread::get_id() != workThread) {
                ++otherThreads;
            }
            std::this_thread::yield();
            running.fetch_sub(1);
        });
    }
    helper.WaitForIdle();
    QCOMPARE(overlaps.load(), 0);
    QCOMPARE(otherThreads.load(), 0);
    QVERIFY(!helper.IsWorkThread());
}

void TstThreadHelper::waitForIdleWaitsForRunningJob() {
    ThreadHelper helper;
    helper.WaitForIdle();  // idle from the start
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::atomic<int> done{0};
    helper.RunOnWorkThread([opened, &done] {
        opened.wait();
        ++done;
    });
    helper.RunOnWorkThread([&done] { ++done; });
    std::thread opener([&gate] { gate.set_value(); });
    helper.WaitForIdle();
    QCOMPARE(done.load(), 2);
    opener.join();
}

void TstThreadHelper::throwingJobDoesNotStopTheQueue() {
    ThreadHelper helper;
    bool after = false;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("job failed"));
    helper.RunOnWorkThread([] { throw std::runtime_error("job failed"); });
    helper.RunOnWorkThread([&after] { after = true; });
    helper.WaitForIdle();
    QVERIFY(after);
}

void TstThreadHelper::destructorFinishesRunningJobAndDropsTheRest() {
    auto helper = std::make_unique<ThreadHelper>(1);
    ThreadHelper* raw = helper.get();
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> firstFinished{false};
    std::atomic<int> laterJobs{0};
    auto payload = std::make_shared<int>(0);  // captured by dropped jobs: must be freed
    raw->RunOnWorkThread([&, released] {
        started.set_value();
        released.wait();
        raw->RunOnWorkThread([&laterJobs] { ++laterJobs; });  // queued while stopping
        firstFinished = true;
    });
    for (int i = 0; i < 100; ++i) {
        raw->RunOnWorkThread([&laterJobs, payload] { ++laterJobs; });
    }
    started.get_future().wait();
    std::thread destroyer([&helper] { helper.reset(); });
    const bool stopping = QTest::qWaitFor([raw] { return raw->IsStopping(); }, 5000);
    release.set_value();
    destroyer.join();
    QVERIFY(stopping);
    QVERIFY(firstFinished);
    QCOMPARE(laterJobs.load(), 0);
    QCOMPARE(payload.use_count(), long(1));
}

QTEST_GUILESS_MAIN(TstThreadHelper)
#include "tst_threadhelper.moc"
