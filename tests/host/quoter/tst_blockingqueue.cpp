#include <QtTest>

#include <atomic>
#include <thread>

#include "host/quoter/BlockingQueue.h"
#include "host/quoter/QuoteTaskExecMidResult.h"

class TstBlockingQueue : public QObject {
    Q_OBJECT
private slots:
    void fifoOrder();
    void fullQueueDropsAfterTimeoutAndCounts();
    void popTimesOutOnEmpty();
    void consumerFreesRoomForWaitingProducer();
    void blockedConsumerWakesOnPush();
    void manyProducersOneConsumerLoseNothingWithRoom();
    void carriesMidResults();
};

void TstBlockingQueue::fifoOrder() {
    BlockingQueue<int> q(4);
    QVERIFY(q.Push(1));
    QVERIFY(q.Push(2));
    QVERIFY(q.Push(3));
    QCOMPARE(q.Size(), 3);
    int v = 0;
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 1);
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 2);
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 3);
    QCOMPARE(q.Size(), 0);
}

void TstBlockingQueue::fullQueueDropsAfterTimeoutAndCounts() {
    BlockingQueue<int> q(2);
    QVERIFY(q.Push(1, 1));
    QVERIFY(q.Push(2, 1));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!q.Push(3, 1));
    QVERIFY(!q.Push(4, 0));
    QVERIFY(timer.elapsed() < 1000);  // a drop never waits long
    QCOMPARE(q.DroppedCount(), qint64(2));
    QCOMPARE(q.Size(), 2);
    int v = 0;
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 1);  // the queued items survive, the dropped ones are gone
    QVERIFY(q.Push(5, 0));
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 2);
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 5);
    QCOMPARE(q.Capacity(), 2);
}

void TstBlockingQueue::popTimesOutOnEmpty() {
    BlockingQueue<int> q(1);
    int v = 42;
    QVERIFY(!q.Pop(v, 1));
    QVERIFY(!q.Pop(v, 0));
    QCOMPARE(v, 42);
}

void TstBlockingQueue::consumerFreesRoomForWaitingProducer() {
    BlockingQueue<int> q(1);
    QVERIFY(q.Push(1));
    std::atomic<bool> started{false};
    std::atomic<bool> pushed{false};
    std::thread producer([&] {
        started = true;
        pushed = q.Push(2, 5000);  // waits for room
    });
    QTRY_VERIFY_WITH_TIMEOUT(started.load(), 5000);
    QVERIFY(!pushed.load());  // the queue is still full
    int v = 0;
    QVERIFY(q.Pop(v, 5000));
    QCOMPARE(v, 1);
    producer.join();
    QVERIFY(pushed.load());
    QVERIFY(q.Pop(v, 0));
    QCOMPARE(v, 2);
    QCOMPARE(q.DroppedCount(), qint64(0));
}

void TstBlockingQueue::blockedConsumerWakesOnPush() {
    BlockingQueue<QString> q(2);
    QString got;
    std::atomic<bool> popped{false};
    std::thread consumer([&] { popped = q.Pop(got, 5000); });
    QVERIFY(q.Push(QStringLiteral("late")));
    consumer.join();
    QVERIFY(popped.load());
    QCOMPARE(got, QStringLiteral("late"));
}

void TstBlockingQueue::manyProducersOneConsumerLoseNothingWithRoom() {
    const int kProducers = 4;
    const int kEach = 500;
    BlockingQueue<int> q(8);
    std::atomic<bool> done{false};
    QVector<int> seen(kProducers, -1);
    bool ordered = true;
    std::atomic<int> received{0};
    std::thread consumer([&] {
        int v = 0;
        while (received < kProducers * kEach && !done.load()) {
            if (q.Pop(v, 100)) {
                const int producer = v / kEach;
                ordered = ordered && v % kEach == seen[producer] + 1;  // per-producer FIFO
                seen[producer] = v % kEach;
                ++received;
            }
        }
    });
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&q, p] {
            for (int i = 0; i < kEach; ++i) {
                q.Push(p * kEach + i, 5000);
            }
        });
    }
    for (auto& t : producers) {
        t.join();
    }
    QTRY_COMPARE_WITH_TIMEOUT(received.load(), kProducers * kEach, 5000);
    done = true;
    consumer.join();
    QVERIFY(ordered);
    QCOMPARE(q.DroppedCount(), qint64(0));
}

void TstBlockingQueue::carriesMidResults() {
    BlockingQueue<QuoteTaskExecMidResult> q(1);
    QSharedPointer<QuoteData> data(new QuoteData);
    data->name = QStringLiteral("x");
    QVERIFY(q.Push(QuoteTaskExecMidResult{7, data}));
    QVERIFY(!q.Push(QuoteTaskExecMidResult{8, data}, 1));
    QuoteTaskExecMidResult out;
    QVERIFY(q.Pop(out, 0));
    QCOMPARE(out.scope_id, 7);
    QCOMPARE(out.data.data(), data.data());
    QCOMPARE(q.DroppedCount(), qint64(1));
}

QTEST_GUILESS_MAIN(TstBlockingQueue)
#include "tst_blockingqueue.moc"
