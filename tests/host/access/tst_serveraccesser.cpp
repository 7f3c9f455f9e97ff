#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"

namespace {

const char kService[] = "l2quote";

// Collects deliveries made on the accessor's thread; read from the test thread.
class Recorder {
public:
    CHQOWNServerAccesser::ResponseHandler Handler() {
        return [this](const Resp_s& r) { Record(r); };
    }
    void Record(const Resp_s& r) {
        QMutexLocker lock(&m_mutex);
        m_responses << qMakePair(r, QThread::currentThread());
    }
    int Count() const {
        QMutexLocker lock(&m_mutex);
        return m_responses.size();
    }
    void Clear() {
        QMutexLocker lock(&m_mutex);
        m_responses.clear();
    }
    Resp_s At(int i) const { return Entry(i).first; }
    QThread* ThreadAt(int i) const { return Entry(i).second; }

private:
    QPair<Resp_s, QThread*> Entry(int i) const {
        QMutexLocker lock(&m_mutex);
        return m_responses.at(i);
    }
    mutable QMutex m_mutex;
    QList<QPair<Resp_s, QThread*>> m_responses;
};

QSharedPointer<ProcessContext_s> ContextFor(const QString& code) {
    auto context = QSharedPointer<ProcessContext_s>::create();
    context->keyGroup.Append(QStringLiteral("seccode"), CTVar(code));
    return context;
}

}  // namespace

class TestServerAccesser : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_recorder.Clear();
        m_backend = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install(kService, m_backend);
        m_accesser.reset(new CHQOWNServerAccesser(kService, nullptr, 0));
    }

    void cleanup() {
        m_accesser.reset();
        ServerBackendRegistry::Clear();
        m_backend.reset();
    }

    // A request goes out encoded; its answer and its failure come back on the accessor's thread.
    void requestAnswerAndFailure() {
        m_accesser->RegisterFuncAsSerial(12932);
        QMutex mutex;
        QList<QVariantList> errors;
        m_accesser->RegisterReceiver(ReceiverKey(12932), m_recorder.Handler(),
                                     [&](int task, int code, const QString& text) {
                                         QMutexLocker lock(&mutex);
                                         errors << QVariantList{task, code, text};
                                     });
        auto context = ContextFor(QStringLiteral("BK0001"));
        const int first = m_accesser->AppendTaskByParams(
            12932, 0x80, context, {{"String", QStringLiteral("BK0001")}, {"Int16", 1}});
        const int second = m_accesser->AppendTaskByParams(12932, nullptr, {{"Int08U", -1}});
        QVERIFY(second > first && first > 0);

        const QList<ServerRequest> requests = m_backend->Requests();
        QCOMPARE(requests.size(), 2);
        const ServerRequest& r = requests.at(0);
        QCOMPARE(r.flags, quint16(0x80));
        QCOMPARE(r.taskId, first);
        QCOMPARE(r.encoded, QByteArray::fromHex("0600 424b30303031 0100"));
        QCOMPARE(requests.at(1).flags, quint16(0));                   // the overload without flags
        QCOMPARE(requests.at(1).params.at(0).second, QVariant(255));  // what the server sees

        QVERIFY(m_backend->Answer(r, QByteArray("\x01\x02", 2)));
        QVERIFY(m_backend->Fail(requests.at(1), 7, QStringLiteral("busy")));
        const QList<QVariantList> expected{{second, 7, QStringLiteral("busy")}};
        QTRY_VERIFY([&] {
            QMutexLocker lock(&mutex);
            return errors == expected;
        }());
        QCOMPARE(m_recorder.Count(), 1);  // delivered before the failure
        const Resp_s resp = m_recorder.At(0);
        QCOMPARE(resp.body, QByteArray("\x01\x02", 2));
        QCOMPARE(resp.taskId, first);
        QCOMPARE(resp.context.data(), context.data());
        QCOMPARE(resp.context->keyGroup.Value("seccode").ToString(), QStringLiteral("BK0001"));
        QCOMPARE(m_recorder.ThreadAt(0), m_accesser->DeliveryThread());
    }

    void pushesInOrderOnlyForPushFunctions() {
        m_accesser->RegisterFuncAsSerial(10002);
        m_accesser->RegisterFuncAsPush(10001);
        m_accesser->RegisterReceiver(ReceiverKey(10001), m_recorder.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(10002), m_recorder.Handler(), nullptr);

        // Deliveries keep their order, so once the last one is in, the dropped ones would be too.
        m_backend->Push(10002, "serial only");
        m_backend->Push(12345, "unknown");
        for (int i = 0; i < 100; ++i) {
            m_backend->Push(10001, QByteArray::number(i));
        }
        QTRY_COMPARE(m_recorder.Count(), 100);
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(m_recorder.At(i).body, QByteArray::number(i));
        }
        QVERIFY(m_recorder.At(0).isPush);
        QVERIFY(m_recorder.At(0).context.isNull());
    }

    void receiversOfDifferentOwnersBothReceive() {
        int ownerA = 0;
        int ownerB = 0;
        Recorder replaced;
        Recorder second;
        Recorder other;
        m_accesser->RegisterFuncAsPush(12989);
        m_accesser->RegisterReceiver(ReceiverKey(12989, &ownerA), replaced.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(12989, &ownerA), m_recorder.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(12989, &ownerB), second.Handler(), nullptr);
        m_accesser->RegisterReceiver(ReceiverKey(12988), other.Handler(), nullptr);

        m_backend->Push(12989, "x");
        QTRY_COMPARE(m_recorder.Count(), 1);
        QTRY_COMPARE(second.Count(), 1);
        m_accesser->UnregisterReceiver(ReceiverKey(12989, &ownerA));
        m_backend->Push(12989, "y");
        QTRY_COMPARE(second.Count(), 2);
        QCOMPARE(m_recorder.Count(), 1);
        QCOMPARE(replaced.Count(), 0);
        QCOMPARE(other.Count(), 0);
    }

    void rejectsRequest_data() {
        QTest::addColumn<int>("funcId");
        QTest::addColumn<RequestParams>("params");
        QTest::addColumn<QString>("warning");

        QTest::newRow("push only")
            << 10001 << RequestParams{{"Int16U", 0}} << "10001 is not registered as serial";
        QTest::newRow("out of range")
            << 12930 << RequestParams{{"Int16", 40000}}
            << "12930 parameter 0 \\(Int16\\): value 40000 is out of range";
    }

    void rejectsRequest() {
        QFETCH(int, funcId);
        QFETCH(RequestParams, params);
        QFETCH(QString, warning);
        m_accesser->RegisterFuncAsSerial(12930);
        m_accesser->RegisterFuncAsPush(10001);  // push alone does not allow requests
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression("^qzaccess \\{:SEPARATOR\\} l2quote: function " + warning));
        QCOMPARE(m_accesser->AppendTaskByParams(funcId, 0, nullptr, params), -1);
        QVERIFY(m_backend->Requests().isEmpty());
    }

    void reportsAccessStateOnAccessorThread() {
        QMutex mutex;
        QList<int> seen;  // states; negative when reported off the accessor's thread
        m_accesser->RegisterAccessStateObserver([&](_enAccessState state) {
            QMutexLocker lock(&mutex);
            seen << (QThread::currentThread() == m_accesser->DeliveryThread() ? state : -state);
        });
        QCOMPARE(m_accesser->AccessState(), eAccessState_Unknown);
        m_backend->SetAccessState(eAccessState_Connected);
        m_backend->SetAccessState(eAccessState_Disconnected);
        const QList<int> expected{eAccessState_Connected, eAccessState_Disconnected};
        // Compared under the lock: a copy would share the list the accessor thread appends to.
        QTRY_VERIFY([&] {
            QMutexLocker lock(&mutex);
            return seen == expected;
        }());
        QCOMPARE(m_accesser->AccessState(), eAccessState_Disconnected);
    }

    // A receiver that sends the next request from the accessor's own thread must not deadlock.
    void receiverMayAppendFromAccessorThread() {
        m_backend->SetResponder(
            [](IServerLink* link, const ServerRequest& r) { link->Answer(r, r.encoded); });
        m_accesser->RegisterFuncAsSerial(10016);
        CHQOWNServerAccesser* accesser = m_accesser.get();
        m_accesser->RegisterReceiver(
            ReceiverKey(10016),
            [this, accesser](const Resp_s& r) {
                m_recorder.Record(r);
                if (m_recorder.Count() < 3) {
                    accesser->RegisterFuncAsSerial(10016);
                    accesser->AppendTaskByParams(10016, nullptr, {{"Int32U", m_recorder.Count()}});
                }
            },
            nullptr);
        m_accesser->AppendTaskByParams(10016, nullptr, {{"Int32U", 0}});
        QTRY_COMPARE(m_recorder.Count(), 3);
        QCOMPARE(m_recorder.At(2).body, QByteArray("\x02\x00\x00\x00", 4));
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

    void destroysFromAnotherThreadDuringDelivery() {
        m_accesser->RegisterFuncAsPush(10001);
        std::atomic<int> inReceiver{0};
        std::atomic<bool> release{false};
        m_accesser->RegisterReceiver(
            ReceiverKey(10001),
            [&](const Resp_s&) {
                ++inReceiver;
                while (!release) {
                    QThread::yieldCurrentThread();
                }
            },
            nullptr);
        m_backend->Push(10001, "a");
        QTRY_COMPARE(int(inReceiver), 1);
        CHQOWNServerAccesser* accesser = m_accesser.release();
        std::atomic<bool> deleted{false};
        std::thread deleter([&] {
            delete accesser;
            deleted = true;
        });
        QCOMPARE(bool(deleted), false);  // the destructor waits for the running delivery
        release = true;
        deleter.join();
        QVERIFY(deleted);
        QCOMPARE(m_backend->LinkCount(), 0);
        m_backend->Push(10001, "late");
        QCOMPARE(int(inReceiver), 1);
    }

    void destroysFromOwnReceiver() {
        CHQOWNServerAccesser* accesser = m_accesser.release();
        QPointer<QThread> thread = accesser->DeliveryThread();
        std::atomic<bool> destroyed{false};
        connect(
            accesser, &QObject::destroyed, accesser, [&] { destroyed = true; },
            Qt::DirectConnection);
        accesser->RegisterFuncAsPush(10001);
        accesser->RegisterReceiver(
            ReceiverKey(10001), [accesser](const Resp_s&) { delete accesser; }, nullptr);
        m_backend->Push(10001, "bye");
        QTRY_VERIFY(destroyed);
        QTRY_VERIFY(thread.isNull());  // the thread object goes once its loop has ended
        QCOMPARE(m_backend->LinkCount(), 0);
    }

private:
    std::shared_ptr<ScriptedServerBackend> m_backend;
    std::unique_ptr<CHQOWNServerAccesser> m_accesser;
    Recorder m_recorder;
};

QTEST_GUILESS_MAIN(TestServerAccesser)
#include "tst_serveraccesser.moc"
