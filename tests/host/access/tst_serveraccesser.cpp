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
        m_responses << r;
        m_threads << QThread::currentThread();
    }
    int Count() const {
        QMutexLocker lock(&m_mutex);
        return m_responses.size();
    }
    Resp_s At(int i) const {
        QMutexLocker lock(&m_mutex);
        return m_responses.at(i);
    }
    void Clear() {
        QMutexLocker lock(&m_mutex);
        m_responses.clear();
        m_threads.clear();
    }
    QThread* ThreadAt(int i) const {
        QMutexLocker lock(&m_mutex);
        return m_threads.at(i);
    }

private:
    mutable QMutex m_mutex;
    QList<Resp_s> m_responses;
    QList<QThread*> m_threads;
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
    void init();
    void cleanup();

    void requestReachesBackendEncoded();
    void answerArrivesOnAccessorThreadWithContext();
    void failureReachesErrorHandler();
    void pushesOnlyForPushFunctions();
    void receiversOfDifferentOwnersBothReceive();
    void rejectsFunctionNotRegisteredAsSerial();
    void rejectsBadParameters_data();
    void rejectsBadParameters();
    void dropsRequestWithoutBackend();
    void bindsToBackendOfItsServiceAtConstruction();
    void reportsAccessStateOnAccessorThread();
    void receiverMayAppendFromAccessorThread();
    void destroysWhileBackendPushesFromAnotherThread();
    void destroysFromAnotherThreadDuringDelivery();
    void destroysFromOwnReceiver();

private:
    std::shared_ptr<ScriptedServerBackend> m_backend;
    std::unique_ptr<CHQOWNServerAccesser> m_accesser;
    Recorder m_recorder;
};

void TestServerAccesser::init() {
    m_recorder.Clear();
    m_backend = std::make_shared<ScriptedServerBackend>();
    ServerBackendRegistry::Install(kService, m_backend);
    m_accesser.reset(new CHQOWNServerAccesser(kService, nullptr, 0));
}

void TestServerAccesser::cleanup() {
    m_accesser.reset();
    ServerBackendRegistry::Clear();
    m_backend.reset();
}

void TestServerAccesser::requestReachesBackendEncoded() {
    m_accesser->RegisterFuncAsSerial(12932);
    auto context = ContextFor(QStringLiteral("BK0001"));
    const int first = m_accesser->AppendTaskByParams(
        12932, 0x80, context, {{"String", QStringLiteral("BK0001")}, {"Int16", 1}});
    const int second = m_accesser->AppendTaskByParams(12932, nullptr,
                                                      {{"Int08U", -1}, {"Strings", QStringList()}});
    QVERIFY(first > 0);
    QVERIFY(second > first);

    const QList<ServerRequest> requests = m_backend->Requests();
    QCOMPARE(requests.size(), 2);
    const ServerRequest& r = requests.at(0);
    QCOMPARE(r.service, QStringLiteral("l2quote"));
    QCOMPARE(r.funcId, 12932);
    QCOMPARE(r.flags, quint16(0x80));
    QCOMPARE(r.taskId, first);
    QCOMPARE(r.context.data(), context.data());
    QCOMPARE(r.encoded, QByteArray("\x06\x00"
                                   "BK0001"
                                   "\x01\x00",
                                   10));
    QCOMPARE(r.params.size(), 2);
    QCOMPARE(r.params.at(0).second, QVariant(QStringLiteral("BK0001")));
    QCOMPARE(r.params.at(1).second, QVariant(1));

    const ServerRequest& r2 = requests.at(1);
    QCOMPARE(r2.flags, quint16(0));  // the overload without flags
    QVERIFY(r2.context.isNull());
    QCOMPARE(r2.encoded, QByteArray("\xff\x00\x00", 3));
    QCOMPARE(r2.params.at(0).second, QVariant(255));  // what the server sees
}

void TestServerAccesser::answerArrivesOnAccessorThreadWithContext() {
    m_accesser->RegisterFuncAsSerial(12930);
    m_accesser->RegisterReceiver(ReceiverKey(12930), m_recorder.Handler(), nullptr);
    auto context = ContextFor(QStringLiteral("SH600000"));
    const int task =
        m_accesser->AppendTaskByParams(12930, 0, context, {{"String", QStringLiteral("SH600000")}});
    QVERIFY(m_backend->WaitForRequests(1, 5000));

    QVERIFY(m_backend->Answer(m_backend->Requests().at(0), QByteArray("\x01\x02", 2)));
    QTRY_COMPARE(m_recorder.Count(), 1);
    const Resp_s resp = m_recorder.At(0);
    QCOMPARE(resp.funcId, 12930);
    QCOMPARE(resp.body, QByteArray("\x01\x02", 2));
    QCOMPARE(resp.isPush, false);
    QCOMPARE(resp.taskId, task);
    QCOMPARE(resp.context.data(), context.data());
    QCOMPARE(resp.context->keyGroup.Value("seccode").ToString(), QStringLiteral("SH600000"));
    QVERIFY(m_recorder.ThreadAt(0) != QThread::currentThread());
    QCOMPARE(m_recorder.ThreadAt(0), m_accesser->DeliveryThread());
}

void TestServerAccesser::failureReachesErrorHandler() {
    m_accesser->RegisterFuncAsSerial(10015);
    QMutex mutex;
    QList<QVariantList> errors;
    m_accesser->RegisterReceiver(ReceiverKey(10015), nullptr,
                                 [&](int task, int code, const QString& text) {
                                     QMutexLocker lock(&mutex);
                                     errors << QVariantList{task, code, text};
                                 });
    const int task = m_accesser->AppendTaskByParams(10015, nullptr, {{"Int32U", 0}});
    QVERIFY(m_backend->Fail(m_backend->Requests().at(0), 7, QStringLiteral("busy")));
    QTRY_COMPARE(
        [&] {
            QMutexLocker lock(&mutex);
            return errors.size();
        }(),
        1);
    QCOMPARE(errors.at(0), (QVariantList{task, 7, QStringLiteral("busy")}));
}

void TestServerAccesser::pushesOnlyForPushFunctions() {
    m_accesser->RegisterFuncAsSerial(10002);
    m_accesser->RegisterFuncAsPush(10001);
    m_accesser->RegisterReceiver(ReceiverKey(10001), m_recorder.Handler(), nullptr);
    m_accesser->RegisterReceiver(ReceiverKey(10002), m_recorder.Handler(), nullptr);

    // Deliveries keep their order, so once the last one is in, the dropped ones would be too.
    m_backend->Push(10002, "serial only");
    m_backend->Push(12345, "unknown");
    m_backend->Push(10001, "pushed");
    QTRY_COMPARE(m_recorder.Count(), 1);
    const Resp_s resp = m_recorder.At(0);
    QCOMPARE(resp.funcId, 10001);
    QCOMPARE(resp.body, QByteArray("pushed"));
    QVERIFY(resp.isPush);
    QVERIFY(resp.context.isNull());
    QCOMPARE(m_recorder.ThreadAt(0), m_accesser->DeliveryThread());

    m_accesser->RegisterFuncAsPush(10002);
    m_backend->Push(10002, "now pushed");
    QTRY_COMPARE(m_recorder.Count(), 2);
    QCOMPARE(m_recorder.At(1).funcId, 10002);
}

void TestServerAccesser::receiversOfDifferentOwnersBothReceive() {
    int ownerA = 0;
    int ownerB = 0;
    Recorder replaced;
    Recorder other;
    m_accesser->RegisterFuncAsPush(12989);
    m_accesser->RegisterReceiver(ReceiverKey(12989, &ownerA), replaced.Handler(), nullptr);
    m_accesser->RegisterReceiver(ReceiverKey(12989, &ownerA), m_recorder.Handler(), nullptr);
    Recorder second;
    m_accesser->RegisterReceiver(ReceiverKey(12989, &ownerB), second.Handler(), nullptr);
    m_accesser->RegisterReceiver(ReceiverKey(12988), other.Handler(), nullptr);

    m_backend->Push(12989, "x");
    QTRY_COMPARE(m_recorder.Count(), 1);
    QTRY_COMPARE(second.Count(), 1);
    QCOMPARE(replaced.Count(), 0);
    QCOMPARE(other.Count(), 0);

    m_accesser->UnregisterReceiver(ReceiverKey(12989, &ownerA));
    m_backend->Push(12989, "y");
    QTRY_COMPARE(second.Count(), 2);
    QCOMPARE(m_recorder.Count(), 1);
}

void TestServerAccesser::rejectsFunctionNotRegisteredAsSerial() {
    m_accesser->RegisterFuncAsPush(10001);  // push alone does not allow requests
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^qzaccess \\{:SEPARATOR\\} l2quote: function 10001 "
                                            "is not registered as serial"));
    QCOMPARE(m_accesser->AppendTaskByParams(10001, nullptr, {{"Int16U", 0}}), -1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("function 12930 is not registered"));
    QCOMPARE(m_accesser->AppendTaskByParams(12930, 0, nullptr, {}), -1);
    QVERIFY(m_backend->Requests().isEmpty());
}

void TestServerAccesser::rejectsBadParameters_data() {
    QTest::addColumn<RequestParams>("params");
    QTest::addColumn<QString>("warning");

    QTest::newRow("unknown tag") << RequestParams{{"String", QStringLiteral("SH600000")},
                                                  {"Int12", 1}}
                                 << "parameter 1 \\(Int12\\): unknown type tag";
    QTest::newRow("out of range") << RequestParams{{"Int16", 40000}}
                                  << "parameter 0 \\(Int16\\): value 40000 is out of range";
    QTest::newRow("Strings not a list")
        << RequestParams{{"Int16U", 0}, {"Int16U", 0}, {"Strings", QStringLiteral("SH600000")}}
        << "parameter 2 \\(Strings\\): a QStringList is expected";
}

void TestServerAccesser::rejectsBadParameters() {
    QFETCH(RequestParams, params);
    QFETCH(QString, warning);
    m_accesser->RegisterFuncAsSerial(12930);
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^qzaccess \\{:SEPARATOR\\} l2quote: function 12930 " + warning));
    QCOMPARE(m_accesser->AppendTaskByParams(12930, 0, nullptr, params), -1);
    QVERIFY(m_backend->Requests().isEmpty());
}

void TestServerAccesser::dropsRequestWithoutBackend() {
    m_accesser.reset();
    ServerBackendRegistry::Clear();
    m_accesser.reset(new CHQOWNServerAccesser(kService, nullptr, 0));
    m_accesser->RegisterFuncAsSerial(12930);
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression("^qzaccess \\{:SEPARATOR\\} l2quote: no "
                                       "server backend or shutting down; task \\d+ \\(function "
                                       "12930\\) dropped"));
    QVERIFY(m_accesser->AppendTaskByParams(12930, 0, nullptr, {{"Int08", 1}}) > 0);
    QVERIFY(m_backend->Requests().isEmpty());
}

void TestServerAccesser::bindsToBackendOfItsServiceAtConstruction() {
    QCOMPARE(m_backend->LinkCount(), 1);
    auto fastBackend = std::make_shared<ScriptedServerBackend>();
    ServerBackendRegistry::Install("pcl2xtquote", fastBackend);
    {
        CHQOWNServerAccesser fast("pcl2xtquote", nullptr, 0);
        QCOMPARE(fast.ServiceName(), QStringLiteral("pcl2xtquote"));
        QCOMPARE(fastBackend->LinkCount(), 1);
        fast.RegisterFuncAsSerial(12989);
        QVERIFY(fast.AppendTaskByParams(12989, 0, nullptr, {}) > 0);
        QCOMPARE(fastBackend->Requests().size(), 1);
        QCOMPARE(fastBackend->Requests().at(0).service, QStringLiteral("pcl2xtquote"));
        QVERIFY(m_backend->Requests().isEmpty());

        // Installing another backend later does not move an existing accessor.
        auto later = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install("pcl2xtquote", later);
        QVERIFY(fast.AppendTaskByParams(12989, 0, nullptr, {}) > 0);
        QCOMPARE(fastBackend->Requests().size(), 2);
        QVERIFY(later->Requests().isEmpty());
    }
    QCOMPARE(fastBackend->LinkCount(), 0);
}

void TestServerAccesser::reportsAccessStateOnAccessorThread() {
    QMutex mutex;
    QList<QPair<int, _enAccessState>> seen;  // (observer, state)
    QList<QThread*> threads;
    for (int observer = 0; observer < 2; ++observer) {
        m_accesser->RegisterAccessStateObserver([&, observer](_enAccessState state) {
            QMutexLocker lock(&mutex);
            seen << qMakePair(observer, state);
            threads << QThread::currentThread();
        });
    }
    QCOMPARE(m_accesser->AccessState(), eAccessState_Unknown);
    m_backend->SetAccessState(eAccessState_Connected);
    m_backend->SetAccessState(eAccessState_Disconnected);
    QTRY_COMPARE(
        [&] {
            QMutexLocker lock(&mutex);
            return seen.size();
        }(),
        4);
    const QList<QPair<int, _enAccessState>> expected = {{0, eAccessState_Connected},
                                                        {1, eAccessState_Connected},
                                                        {0, eAccessState_Disconnected},
                                                        {1, eAccessState_Disconnected}};
    QCOMPARE(seen, expected);
    for (QThread* t : threads) {
        QCOMPARE(t, m_accesser->DeliveryThread());
    }
    QCOMPARE(m_accesser->AccessState(), eAccessState_Disconnected);
}

// A receiver that sends the next request from the accessor's own thread must not deadlock.
void TestServerAccesser::receiverMayAppendFromAccessorThread() {
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

void TestServerAccesser::destroysWhileBackendPushesFromAnotherThread() {
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

void TestServerAccesser::destroysFromAnotherThreadDuringDelivery() {
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

void TestServerAccesser::destroysFromOwnReceiver() {
    CHQOWNServerAccesser* accesser = m_accesser.release();
    QPointer<QThread> thread = accesser->DeliveryThread();
    std::atomic<bool> destroyed{false};
    connect(
        accesser, &QObject::destroyed, accesser, [&] { destroyed = true; }, Qt::DirectConnection);
    accesser->RegisterFuncAsPush(10001);
    accesser->RegisterReceiver(
        ReceiverKey(10001), [accesser](const Resp_s&) { delete accesser; }, nullptr);
    m_backend->Push(10001, "bye");
    QTRY_VERIFY(destroyed);
    QTRY_VERIFY(thread.isNull());  // the thread object goes once its loop has ended
    QCOMPARE(m_backend->LinkCount(), 0);
}

QTEST_GUILESS_MAIN(TestServerAccesser)
#include "tst_serveraccesser.moc"
