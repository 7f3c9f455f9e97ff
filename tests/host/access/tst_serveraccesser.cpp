#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"

namespace {

const char kService[] = "l2quote";

// Deliveries with the thread each came on; written on the accessor's thread, read under the lock.
struct Recorder {
    CHQOWNServerAccesser::ResponseHandler Handler() {
        return [this](const Resp_s& r) {
            QMutexLocker lock(&mutex);
            got << qMakePair(r, QThread::currentThread());
        };
    }
    int Count() const {
        QMutexLocker lock(&mutex);
        return got.size();
    }
    QPair<Resp_s, QThread*> At(int i) const {
        QMutexLocker lock(&mutex);
        return got.at(i);
    }
    mutable QMutex mutex;
    QList<QPair<Resp_s, QThread*>> got;
};

}  // namespace

class TestServerAccesser : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_rec.got.clear();  // no accessor alive here
        m_backend = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install(kService, m_backend);
        m_accesser.reset(new CHQOWNServerAccesser(kService, nullptr, 0));
    }

    void cleanup() {
        m_accesser.reset();
        ServerBackendRegistry::Clear();
    }

    void requestAnswerAndFailure() {
        m_accesser->RegisterFuncAsSerial(12932);
        QMutex mutex;
        QList<QVariantList> errors;
        m_accesser->RegisterReceiver(ReceiverKey(12932), m_rec.Handler(),
                                     [&](int task, int code, const QString& text) {
                                         QMutexLocker lock(&mutex);
                                         errors << QVariantList{task, code, text};
                                     });
        auto context = QSharedPointer<ProcessContext_s>::create();
        const int first = m_accesser->AppendTaskByParams(
            12932, 0x80, context, {{"String", QStringLiteral("BK0001")}, {"Int16", 1}});
        const int second = m_accesser->AppendTaskByParams(12932, nullptr, {{"Int08U", -1}});
        QVERIFY(second > first && first > 0);
        const QList<ServerRequest> requests = m_backend->Requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(0).flags, quint16(0x80));
        QCOMPARE(requests.at(0).taskId, first);
        QCOMPARE(requests.at(0).encoded, QByteArray::fromHex("0600 424b30303031 0100"));
        QCOMPARE(requests.at(1).flags, quint16(0));  // the overload without flags

        QVERIFY(m_backend->Answer(requests.at(0), "\x01\x02"));
        QVERIFY(m_backend->Fail(requests.at(1), 7, "busy"));
        const QList<QVariantList> expected{{second, 7, QStringLiteral("busy")}};
        QTRY_VERIFY([&] {
            QMutexLocker lock(&mutex);
            return errors == expected;
        }());
        QCOMPARE(m_rec.Count(), 1);  // delivered before the failure
        const QPair<Resp_s, QThread*> got = m_rec.At(0);
        QCOMPARE(got.first.body, QByteArray("\x01\x02"));
        QCOMPARE(got.first.taskId, first);
        QCOMPARE(got.first.context.data(), context.data());
        QCOMPARE(got.second, m_accesser->DeliveryThread());
    }

    // Pushes reach the receivers of push functions only, in order, as do access states; each
    // owner's receiver of a function gets them.
    void pushesAndAccessStatesInOrder() {
        QMutex mutex;
        QList<int> states;  // negative when reported off the accessor's thread
        m_accesser->RegisterAccessStateObserver([&](_enAccessState state) {
            QMutexLocker lock(&mutex);
            states << (QThread::currentThread() == m_accesser->DeliveryThread() ? state : -state);
        });
        int ownerA = 0;
        int ownerB = 0;
        Recorder replaced;
        Recorder other;
        m_accesser->RegisterFuncAsSerial(10002);
        m_accesser->RegisterFuncAsPush(10001);
        m_accesser->RegisterReceiver(ReceiverKey(10001, &ownerA), replaced.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(10001, &ownerA), m_rec.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(10001, &ownerB), other.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(10002), replaced.Handler(), nullptr);
        QCOMPARE(m_accesser->AccessState(), eAccessState_Unknown);
        m_backend->SetAccessState(eAccessState_Connected);
        m_backend->Push(10002, "serial only");
        m_backend->Push(12345, "unknown");
        for (int i = 0; i < 100; ++i)
            m_backend->Push(10001, QByteArray::number(i));
        m_backend->SetAccessState(eAccessState_Disconnected);
        // Deliveries keep their order: once the last state is in, every push is.
        const QList<int> expected{eAccessState_Connected, eAccessState_Disconnected};
        QTRY_VERIFY([&] {
            QMutexLocker lock(&mutex);
            return states == expected;
        }());
        QCOMPARE(m_accesser->AccessState(), eAccessState_Disconnected);
        QCOMPARE(m_rec.Count(), 100);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(m_rec.At(i).first.body, QByteArray::number(i));
        QVERIFY(m_rec.At(0).first.isPush && m_rec.At(0).first.context.isNull());
        m_accesser->UnregisterReceiver(ReceiverKey(10001, &ownerA));
        m_backend->Push(10001, "last");
        QTRY_COMPARE(other.Count(), 101);
        QCOMPARE(m_rec.Count(), 100);
        QCOMPARE(replaced.Count(), 0);  // replaced by its owner; 10002 is not a push function
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

    // A receiver that sends the next request from the accessor's own thread must not deadlock.
    void receiverMayAppendFromAccessorThread() {
        m_backend->SetResponder(
            [](IServerLink* link, const ServerRequest& r) { link->Answer(r, r.encoded); });
        m_accesser->RegisterFuncAsSerial(10016);
        CHQOWNServerAccesser* accesser = m_accesser.get();
        auto handler = m_rec.Handler();
        m_accesser->RegisterReceiver(
            ReceiverKey(10016),
            [this, accesser, handler](const Resp_s& r) {
                handler(r);
                if (m_rec.Count() < 3) {
                    accesser->RegisterFuncAsSerial(10016);
                    accesser->AppendTaskByParams(10016, nullptr, {{"Int32U", m_rec.Count()}});
                }
            },
            nullptr);
        m_accesser->AppendTaskByParams(10016, nullptr, {{"Int32U", 0}});
        QTRY_COMPARE(m_rec.Count(), 3);
        QCOMPARE(m_rec.At(2).first.body, QByteArray("\x02\x00\x00\x00", 4));
        QCOMPARE(m_backend->Requests().size(), 3);
    }

    void destroysWhileBackendPushesFromAnotherThread() {
        std::atomic<bool> stop{false};
        std::thread pusher([&] {
            while (!stop) {
                m_backend->Push(10001, "tick");
                m_backend->SetAccessState(eAccessState_Connected);
            }
        });
        for (int round = 0; round < 20; ++round) {
            auto delivered = std::make_shared<std::atomic<int>>(0);
            m_accesser.reset(new CHQOWNServerAccesser(kService, nullptr, 0));
            m_accesser->RegisterFuncAsPush(10001);
            m_accesser->RegisterReceiver(
                ReceiverKey(10001), [delivered](const Resp_s&) { ++*delivered; }, nullptr);
            QTRY_VERIFY(*delivered > 5);
            m_accesser.reset();
            // The thread is joined and the link detached: nothing can be delivered any more.
            const int after = *delivered;
            m_backend->Push(10001, "late");
            QCOMPARE(int(*delivered), after);
            QCOMPARE(m_backend->LinkCount(), 0);
        }
        stop = true;
        pusher.join();
    }

    void destroysFromOwnReceiver() {
        CHQOWNServerAccesser* accesser = m_accesser.release();
        QPointer<QThread> thread = accesser->DeliveryThread();
        accesser->RegisterFuncAsPush(10001);
        accesser->RegisterReceiver(
            ReceiverKey(10001), [accesser](const Resp_s&) { delete accesser; }, nullptr);
        m_backend->Push(10001, "bye");
        QTRY_COMPARE(m_backend->LinkCount(), 0);  // the destructor ran
        QTRY_VERIFY(thread.isNull());             // the thread object goes once its loop has ended
    }

private:
    std::shared_ptr<ScriptedServerBackend> m_backend;
    std::unique_ptr<CHQOWNServerAccesser> m_accesser;
    Recorder m_rec;
};

QTEST_GUILESS_MAIN(TestServerAccesser)
#include "tst_serveraccesser.moc"
