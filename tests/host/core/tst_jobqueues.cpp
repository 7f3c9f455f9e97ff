#include <QtTest>
#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/core/ThreadHelper.h"

// ThreadHelper: one ordered background thread.
class TstJobQueues : public QObject {
    Q_OBJECT

private slots:
    // Jobs queued from many threads run one at a time, in queue order, on the work thread;
    // WaitForIdle waits for the running job and the queued ones; a throwing job stops nothing.
    void runsJobsInQueueOrderAndWaitsForIdle() {
        ThreadHelper helper(4);  // the count is accepted; one thread keeps the order
        helper.WaitForIdle();    // idle from the start
        const std::thread::id workThread = helper.WorkThreadId();
        QVERIFY(workThread != std::this_thread::get_id());
        std::promise<void> gate;  // holds the work thread until the opener runs
        helper.RunOnWorkThread([opened = gate.get_future().share()] { opened.wait(); });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("job failed"));
        helper.RunOnWorkThread([] { throw std::runtime_error("job failed"); });
        std::mutex ticketMutex;  // makes the queueing order observable
        int nextTicket = 0;
        std::vector<int> ran;  // touched by jobs only; read after WaitForIdle
        std::atomic<int> offThread{0};
        std::vector<std::thread> producers;
        for (int p = 0; p < 4; ++p) {
            producers.emplace_back([&] {
                for (int i = 0; i < 500; ++i) {
                    std::lock_guard<std::mutex> lock(ticketMutex);
                    helper.RunOnWorkThread([&, ticket = nextTicket++] {
                        offThread += std::this_thread::get_id() != workThread;
                        ran.push_back(ticket);
                    });
                }
            });
        }
        for (auto& t : producers) {
            t.join();
        }
        std::thread opener([&gate] { gate.set_value(); });
        helper.WaitForIdle();
        opener.join();
        QCOMPARE(offThread.load(), 0);
        QCOMPARE(int(ran.size()), 2000);
        for (int i = 0; i < 2000; ++i) {
            QCOMPARE(ran[i], i);
        }
    }

    void helperDestructorFinishesRunningJobAndDropsTheRest() {
        auto helper = std::make_unique<ThreadHelper>(1);
        ThreadHelper* raw = helper.get();
        std::promise<void> started;
        std::promise<void> release;
        std::atomic<bool> firstFinished{false};
        std::atomic<int> laterJobs{0};
        auto payload = std::make_shared<int>(0);  // captured by dropped jobs: must be freed
        raw->RunOnWorkThread([&, released = release.get_future().share()] {
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
};

QTEST_GUILESS_MAIN(TstJobQueues)
#include "tst_jobqueues.moc"
