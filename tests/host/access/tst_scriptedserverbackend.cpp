#include <QtTest>

#include <thread>

#include "host/access/ScriptedServerBackend.h"

namespace {

// Records what a backend calls on it, as text, in order.
class FakeLink : public IServerLink {
public:
    void Answer(const ServerRequest& request, const QByteArray& body) override {
        Add(QStringLiteral("answer %1 %2").arg(request.taskId).arg(QString::fromLatin1(body)));
    }
    void Fail(const ServerRequest& request, int code, const QString& text) override {
        Add(QStringLiteral("fail %1 %2 %3").arg(request.taskId).arg(code).arg(text));
    }
    void Push(int funcId, const QByteArray& body) override {
        Add(QStringLiteral("push %1 %2").arg(funcId).arg(QString::fromLatin1(body)));
    }
    void ReportAccessState(_enAccessState state) override {
        Add(QStringLiteral("state %1").arg(int(state)));
    }
    QStringList Calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

private:
    void Add(const QString& call) {
        QMutexLocker lock(&m_mutex);
        m_calls << call;
    }
    mutable QMutex m_mutex;
    QStringList m_calls;
};

ServerRequest MakeRequest(int taskId, int funcId = 12930) {
    ServerRequest r;
    r.service = QStringLiteral("l2quote");
    r.funcId = funcId;
    r.taskId = taskId;
    return r;
}

}  // namespace

class TestScriptedServerBackend : public QObject {
    Q_OBJECT

private slots:
    void waitForRequestsSeesRequestsFromOtherThreads();
    void waitForRequestsTimesOut();
    void answersThroughTheOriginatingLink();
    void doesNotAnswerThroughDetachedLink();
    void pushesAndStatesReachEveryAttachedLink();
    void responderRunsForEachRequest();
};

void TestScriptedServerBackend::waitForRequestsSeesRequestsFromOtherThreads() {
    ScriptedServerBackend backend;
    FakeLink link;
    std::thread sender([&] {
        for (int task = 1; task <= 3; ++task) {
            backend.OnRequest(&link, MakeRequest(task));
        }
    });
    QVERIFY(backend.WaitForRequests(3, 5000));
    sender.join();
    const QList<ServerRequest> requests = backend.Requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(2).taskId, 3);

    backend.ClearRequests();
    QVERIFY(backend.Requests().isEmpty());
    QVERIFY(backend.Answer(requests.at(0), "still known"));  // clearing keeps the origin
}

void TestScriptedServerBackend::waitForRequestsTimesOut() {
    ScriptedServerBackend backend;
    FakeLink link;
    backend.OnRequest(&link, MakeRequest(1));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!backend.WaitForRequests(2, 50));
    QVERIFY(timer.elapsed() >= 40);
    QVERIFY(backend.WaitForRequests(1, 0));
}

void TestScriptedServerBackend::answersThroughTheOriginatingLink() {
    ScriptedServerBackend backend;
    FakeLink a;
    FakeLink b;
    backend.Attach(&a);
    backend.Attach(&b);
    backend.OnRequest(&a, MakeRequest(1));
    backend.OnRequest(&b, MakeRequest(2));
    QVERIFY(backend.Answer(backend.Requests().at(1), "two"));
    QVERIFY(backend.Fail(backend.Requests().at(0), 5, QStringLiteral("busy")));
    QCOMPARE(a.Calls(), QStringList{"fail 1 5 busy"});
    QCOMPARE(b.Calls(), QStringList{"answer 2 two"});
}

void TestScriptedServerBackend::doesNotAnswerThroughDetachedLink() {
    ScriptedServerBackend backend;
    FakeLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, MakeRequest(1));
    backend.Detach(&link);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^qzaccess \\{:SEPARATOR\\} scripted backend: task 1 "
                                            "of l2quote has no link"));
    QVERIFY(!backend.Answer(backend.Requests().at(0), "late"));
    backend.Push(10001, "late");
    QVERIFY(link.Calls().isEmpty());
}

void TestScriptedServerBackend::pushesAndStatesReachEveryAttachedLink() {
    ScriptedServerBackend backend;
    FakeLink a;
    FakeLink b;
    backend.Attach(&a);
    backend.Attach(&a);  // attaching twice does not double the deliveries
    backend.Attach(&b);
    QCOMPARE(backend.LinkCount(), 2);
    backend.Push(10001, "p");
    backend.SetAccessState(eAccessState_Connected);
    const QStringList expected{"push 10001 p", "state 1"};
    QCOMPARE(a.Calls(), expected);
    QCOMPARE(b.Calls(), expected);
}

void TestScriptedServerBackend::responderRunsForEachRequest() {
    ScriptedServerBackend backend;
    FakeLink link;
    backend.Attach(&link);
    // The responder answers through the backend itself: it must run without the backend's lock.
    backend.SetResponder([&backend](IServerLink* from, const ServerRequest& r) {
        QVERIFY(backend.Answer(r, QByteArray::number(r.funcId)));
        from->Push(r.funcId, "after");
    });
    backend.OnRequest(&link, MakeRequest(7, 12990));
    QCOMPARE(link.Calls(), (QStringList{"answer 7 12990", "push 12990 after"}));
    QCOMPARE(backend.Requests().size(), 1);
}

QTEST_GUILESS_MAIN(TestScriptedServerBackend)
#include "tst_scriptedserverbackend.moc"
