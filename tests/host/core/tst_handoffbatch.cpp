#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "host/core/HandOffBatch.h"
#include "host/quoter/BlockingQueue.h"

namespace {

struct CountingConsumer : HandOffBatch::Consumer {
    void Wake() override { ++wakes; }
    std::atomic<int> wakes{0};
};

}  // namespace

// Batched hand-offs: a consumer deferred any number of times in a batch is woken once, when the
// outermost batch closes; outside a batch nothing is deferred.
class TestHandOffBatch : public QObject {
    Q_OBJECT

private slots:
    void wakesEachConsumerOnceWhenTheOutermostBatchCloses() {
        auto first = std::make_shared<CountingConsumer>();
        auto second = std::make_shared<CountingConsumer>();
        QVERIFY(!HandOffBatch::Defer(first));
        {
            const HandOffBatch outer;
            QVERIFY(HandOffBatch::Defer(first));
            {
                const HandOffBatch inner;
                QVERIFY(HandOffBatch::Defer(first) && HandOffBatch::Defer(second));
            }
            QCOMPARE(first->wakes.load() + second->wakes.load(), 0);
            // Another thread's hand-offs are not this batch's.
            bool deferredThere = true;
            std::thread([&] { deferredThere = HandOffBatch::Defer(second); }).join();
            QVERIFY(!deferredThere);
        }
        QCOMPARE(first->wakes.load(), 1);
        QCOMPARE(second->wakes.load(), 1);
        QVERIFY(!HandOffBatch::Defer(first));
    }

    // A producer that fills the queue inside a batch wakes the consumer before it waits for
    // room: otherwise its push would wait out its timeout and drop the item.
    void fullQueueInsideABatchWakesTheConsumer() {
        constexpr int kWaitMs = 5000;  // ms: only a failure waits this long
        BlockingQueue<int> queue(2);
        std::atomic<int> got{-1};
        QSemaphore started;
        std::thread consumer([&] {
            started.release();
            int item = 0;
            got = queue.Pop(item, 10 * kWaitMs) ? item : -2;
        });
        QVERIFY(started.tryAcquire(1, kWaitMs));
        {
            const HandOffBatch batch;
            QVERIFY(queue.Push(1) && queue.Push(2));
            QVERIFY(queue.Push(3, kWaitMs));
        }
        consumer.join();
        QCOMPARE(got.load(), 1);
        QCOMPARE(queue.DroppedCount(), 0);
        QCOMPARE(queue.Size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestHandOffBatch)
#include "tst_handoffbatch.moc"
