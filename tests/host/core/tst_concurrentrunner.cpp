#include <QtTest>
#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "host/core/ConcurrentRunner.h"

class TstConcurrentRunner : public QObject {
    Q_OBJECT

private slots:
    void runsInTheBackgroundInOrder();
    void waitForDoneWaitsForAllJobs();
    void destructorRunsQueuedJobs();
};

void TstConcurrentRunner::runsInTheBackgroundInOrder() {
    ConcurrentRunner runner;
    std::vector<std::thread::id> threads;
    std::vector<int> order;
    for (int i = 0; i < 50; ++i) {
        runner.Run([&, i] {
            threads.push_back(std::this_thread::get_id());
            order.push_back(i);
        });
    }
    runner.WaitForDone();
    QCOMPARE(int(order.size()), 50);
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(order[i], i);
        QVERIFY(threads[i] != std::this_thread::get_id());
        QVERIFY(threads[i] == runner.BackgroundThreadId());
    }
}

void TstConcurrentRunner::waitForDoneWaitsForAllJobs() {
    ConcurrentRunner runner;
    runner.WaitForDone();  // nothing queued
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::atomic<int> done{0};
    runner.Run([opened, &done] {
        opened.wait();  // holds the background thread until the opener runs
        ++done;
    });
    for (int i = 0; i < 10; ++i) {
        runner.Run([&done] { ++done; });
    }
    QCOMPARE(done.load(), 0);  // Run does not run the job on the caller's thread
    std::thread opener([&gate] { gate.set_value(); });
    runner.WaitForDone();
    QCOMPARE(done.load(), 11);
    opener.join();
}

void TstConcurrentRunner::destructorRunsQueuedJobs() {
    std::atomic<int> done{0};
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::thread opener;
    {
        ConcurrentRunner runner;
        runner.Run([opened] { opened.wait(); });
        for (int i = 0; i < 100; ++i) {
            runner.Run([&done] { ++done; });
        }
        opener = std::thread([&gate] { gate.set_value(); });
    }  // jobs still queued here must run before the runner goes
    QCOMPARE(done.load(), 100);
    opener.join();
}

QTEST_GUILESS_MAIN(TstConcurrentRunner)
#include "tst_concurrentrunner.moc"
