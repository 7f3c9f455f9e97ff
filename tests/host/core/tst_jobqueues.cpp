#include <QtTest>
#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/core/ConcurrentRunner.h"
#include "host/core/ThreadHelper.h"

// ThreadHelper and ConcurrentRunner: one ordered background thread each; they differ in
// what their destructor does with the jobs not started yet.
class TstJobQueues : public QObject {
    Q_OBJECT

private slots:
    void runsJobsOneAtATimeInQueueOrderFromManyThreads() {
        constexpr int kProducers = 4;
        constexpr int kJobsEach = 500;
        ThreadHelper helper(4);  // the count is accepted; one thread keeps the order
        const std::thread::id workThread = helper.WorkThreadId();
        QVERIFY(workThread != std::this_thread::get_id());
        std::mutex ticketMutex;  // makes the queueing order observable
        int nextTicket = 0;
        std::vector<int> ran;  // touched by jobs only; read after WaitForIdle
        std::atomic<int> offThread{0};
        std::vector<std::thread> producers;
        for (int p = 0; p < kProducers; ++p) {
            producers.emplace_back([&] {
                for (int i = 0; i < kJobsEach; ++i) {
                    std::lock_guard<std::mutex> lock(ticketMutex);
                    const int ticket = nextTicket++;
                    helper.RunOnWorkThread([&, ticket] {
                        offThread += std::this_thread::get_id() != workThread;
                        ran.push_back(ticket);
                    });
                }
            });
        }
        for (auto& t : producers) {
            t.join();
        }
        helper.WaitForIdle();
        QCOMPARE(offThread.load(), 0);
        QCOMPARE(int(ran.size()), kProducers * kJobsEach);
        for (int i = 0; i < int(ran.size()); ++i) {
            QCOMPARE(ran[i], i);
        }
    }

    void waitForIdleWaitsForRunningJob() {
        ThreadHelper helper;
        helper.WaitForIdle();  // idle from the start
        std::promise<void> gate;
        std::shared_future<void> opened = gate.get_future().share();
        std::atomic<int> done{0};
        helper.RunOnWorkThread([opened, &done] {
            opened.wait();  // holds the background thread until the opener runs
            ++done;
        });
        for (int i = 0; i < 10; ++i) {
            helper.RunOnWorkThread([&done] { ++done; });
        }
        QCOMPARE(done.load(), 0);  // it does not run the job on the caller's thread
        std::thread opener([&gate] { gate.set_value(); });
        helper.WaitForIdle();
        QCOMPARE(done.load(), 11);
        opener.join();
    }

    void throwingJobDoesNotStopTheQueue() {
        ThreadHelper helper;
        bool after = false;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("job failed"));
        helper.RunOnWorkThread([] { throw std::runtime_error("job failed"); });
        helper.RunOnWorkThread([&after] { after = true; });
        helper.WaitForIdle();
        QVERIFY(after);
    }

    void helperDestructorFinishesRunningJobAndDropsTheRest() {
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

    void runnerDestructorRunsQueuedJobs() {
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
};

QTEST_GUILESS_MAIN(TstJobQueues)
#include "tst_jobqueues.moc"
