#include <QtTest>

#include <atomic>
#include <memory>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/core/HandOffBatch.h"
#include "host/core/HostClock.h"

namespace {

const char kService[] = "l2quote";

QList<int> TaskIds(const QList<ServerRequest>& requests) {
    QList<int> ids;
    for (const ServerRequest& r : requests)
        ids << r.taskId;
    return ids;
}

}  // namespace

class TestServerAccesser : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_backend = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install(kService, m_backend);
        m_accesser.reset(new CHQOWNServerAccesser(kService, nullptr, 0));
    }

    void cleanup() {
        m_accesser.reset();
        ServerBackendRegistry::Clear();
        HostClock::UseSystemClock();
    }

    void rejectsRequestsItCannotSend() {
        m_accesser->RegisterFuncAsSerial(12930);
        m_accesser->RegisterFuncAsPush(10001);  // push alone does not allow requests
        const QString warning = "^qzaccess \\{:SEPARATOR\\} l2quote: function ";
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(warning + "10001 is not registered as serial"));
        QCOMPARE(m_accesser->AppendTaskByParams(10001, 0, nullptr, {{"Int16U", 0}}), -1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning + "12930 parameter 0 "));
        QCOMPARE(m_accesser->AppendTaskByParams(12930, 0, nullptr, {{"Int16", 40000}}), -1);
        QVERIFY(m_backend->Requests().isEmpty());
    }

    // A drop and a reconnection: the requests not answered when the link went, those appended
    // while it was down and the standing subscriptions the server forgot (12989 a stock, 10000
    // the last list only) are sent once it is back, in the order appended, each once; the
    // observers hear "connected" only after those sends. The next drop sends what is still owed.
    void reconnectionSendsWhatIsOwedOnceInOrder() {
        for (int funcId : {12930, 12989, 10000})
            m_accesser->RegisterFuncAsSerial(funcId);
        QMutex mutex;
        QList<QPair<int, int>> heard;  // (state, requests the server had got by then)
        m_accesser->RegisterAccessStateObserver([&](_enAccessState state) {
            QMutexLocker lock(&mutex);
            heard << qMakePair(int(state), m_backend->Requests().size());
        });
        const auto heardCount = [&] {
            QMutexLocker lock(&mutex);
            return heard.size();
        };
        const auto ask = [&](int funcId, const QString& what) {
            return m_accesser->AppendTaskByParams(funcId, nullptr, {{"String", what}});
        };
        ask(12930, "SH600000");  // answered below
        const int unanswered = ask(12930, "SZ000001");
        ask(12989, "SH600000");  // replaced by the same book's request
        ask(10000, "SH600000");  // replaced by the list sent while down
        const int bookY = ask(12989, "SZ000001");
        const int bookXAgain = ask(12989, "SH600000");
        QCOMPARE(m_backend->Requests().size(), 6);  // all sent while up
        QVERIFY(m_backend->Answer(m_backend->Requests().at(0), "a"));
        m_backend->SetAccessState(eAccessState_Disconnected);
        QTRY_VERIFY(m_accesser->IsHoldingRequests());
        const int whileDown = ask(12930, "SH600001");
        const int lastList = ask(10000, "SH600000|SZ000001");
        QCOMPARE(m_backend->Requests().size(), 6);  // held
        m_backend->ClearRequests();
        m_backend->SetAccessState(eAccessState_Connected);
        QTRY_COMPARE(heardCount(), 2);
        const QList<int> owed{unanswered, bookY, bookXAgain, whileDown, lastList};
        QCOMPARE(TaskIds(m_backend->Requests()), owed);
        QCOMPARE(heard.last(), qMakePair(int(eAccessState_Connected), owed.size()));
        const QList<ServerRequest> resent = m_backend->Requests();

        m_backend->ClearRequests();
        m_backend->SetAccessState(eAccessState_Connected);  // while up: nothing owed is sent
        QTRY_COMPARE(heardCount(), 3);
        QVERIFY(m_backend->Requests().isEmpty());
        for (const ServerRequest& request : resent) {
            if (request.funcId == 12930)
                QVERIFY(m_backend->Answer(request, "a"));
        }
        m_backend->SetAccessState(eAccessState_Disconnected);
        m_backend->SetAccessState(eAccessState_Connected);
        QTRY_COMPARE(heardCount(), 5);
        QCOMPARE(TaskIds(m_backend->Requests()), (QList<int>{bookY, bookXAgain, lastList}));
    }

    // How long a plain request is owed: until answered or failed, or for 10000 ms on the host
    // clock; a standing one until replaced, however old.
    void owedUntilSettledOrGivenUp_data() {
        QTest::addColumn<int>("funcId");
        QTest::addColumn<int>("settle");  // 0: nothing, 1: answered, 2: failed
        QTest::addColumn<int>("ageMs");
        QTest::addColumn<bool>("sentAgain");
        QTest::newRow("plain, unanswered, 9999 ms") << 12930 << 0 << 9999 << true;
        QTest::newRow("plain, unanswered, 10000 ms") << 12930 << 0 << 10000 << false;
        QTest::newRow("plain, answered") << 12930 << 1 << 0 << false;
        QTest::newRow("plain, failed") << 12930 << 2 << 0 << false;
        QTest::newRow("book, answered, 60 s") << 12989 << 1 << 60000 << true;
        QTest::newRow("push list, failed, 60 s") << 10000 << 2 << 60000 << true;
    }

    void owedUntilSettledOrGivenUp() {
        QFETCH(int, funcId);
        QFETCH(int, settle);
        QFETCH(int, ageMs);
        QFETCH(bool, sentAgain);
        HostClock::SetForTest(1700000000000);
        m_accesser->RegisterFuncAsSerial(funcId);
        m_accesser->AppendTaskByParams(funcId, nullptr, {{"String", QStringLiteral("SH600000")}});
        const ServerRequest sent = m_backend->Requests().value(0);
        if (settle == 1)
            QVERIFY(m_backend->Answer(sent, "a"));
        if (settle == 2)
            QVERIFY(m_backend->Fail(sent, 7, "busy"));
        m_backend->SetAccessState(eAccessState_Disconnected);
        QTRY_VERIFY(m_accesser->IsHoldingRequests());
        HostClock::AdvanceForTest(ageMs);
        m_backend->ClearRequests();
        m_backend->SetAccessState(eAccessState_Connected);
        QTRY_VERIFY(!m_accesser->IsHoldingRequests());
        QCOMPARE(TaskIds(m_backend->Requests()),
                 sentAgain ? QList<int>{sent.taskId} : QList<int>{});
        QCOMPARE(m_accesser->OwedRequestCount(), sentAgain ? 1 : 0);
    }

    // What is queued behind the delivery that deletes the accessor is not delivered.
    void destroysFromOwnReceiver() {
        CHQOWNServerAccesser* accesser = m_accesser.release();
        QPointer<QThread> thread = accesser->DeliveryThread();
        std::atomic<int> delivered{0};
        QSemaphore entered;
        QSemaphore release;
        accesser->RegisterFuncAsPush(10001);
        accesser->RegisterReceiver(
            ReceiverKey(10001),
            [&, accesser](const Resp_s& resp) {
                ++delivered;
                if (resp.body == "hold") {
                    entered.release();
                    release.acquire();
                } else {
                    delete accesser;
                }
            },
            nullptr);
        m_backend->Push(10001, "hold");
        QVERIFY(entered.tryAcquire(1, 5000));
        m_backend->Push(10001, "bye");
        m_backend->Push(10001, "after");
        release.release();
        QTRY_COMPARE(m_backend->LinkCount(), 0);  // the destructor ran
        QTRY_VERIFY(thread.isNull());             // the thread object goes once its loop has ended
        QCOMPARE(delivered.load(), 2);
    }

    // What the backend hands over while the accessor's thread is busy is delivered in one go, in
    // order: what the receivers hand on to another thread in that go wakes it once.
    void deliversABurstInOneGoWithOneWakeUp() {
        struct CountingConsumer : HandOffBatch::Consumer {
            void Wake() override { ++wakes; }
            std::atomic<int> wakes{0};
        };
        auto consumer = std::make_shared<CountingConsumer>();
        QSemaphore entered;
        QSemaphore release;
        QMutex mutex;
        QList<QByteArray> bodies;
        const auto count = [&] {
            QMutexLocker lock(&mutex);
            return bodies.size();
        };
        m_accesser->RegisterFuncAsPush(10001);
        m_accesser->RegisterReceiver(
            ReceiverKey(10001),
            [&](const Resp_s& resp) {
                {
                    QMutexLocker lock(&mutex);
                    bodies << resp.body;
                }
                if (resp.body == "marker") {
                    return;
                }
                QVERIFY(HandOffBatch::Defer(consumer));
                if (resp.body == "first") {
                    entered.release();
                    release.acquire();
                }
            },
            nullptr);
        m_backend->Push(10001, "first");
        QVERIFY(entered.tryAcquire(1, 5000));
        for (int i = 0; i < 3; ++i)
            m_backend->Push(10001, QByteArray::number(i));
        release.release();
        QTRY_COMPARE(count(), 4);
        m_backend->Push(10001, "marker");  // delivered only after the burst's wake-up
        QTRY_COMPARE(count(), 5);
        QCOMPARE(consumer->wakes.load(), 2);
        QCOMPARE(bodies, (QList<QByteArray>{"first", "0", "1", "2", "marker"}));
    }

private:
    std::shared_ptr<ScriptedServerBackend> m_backend;
    std::unique_ptr<CHQOWNServerAccesser> m_accesser;
};

QTEST_GUILESS_MAIN(TestServerAccesser)
#include "tst_serveraccesser.moc"
