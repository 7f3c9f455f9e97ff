// The accessor over TCP (transport::TcpServerBackend) against a quote server in this process
// (simserver::TcpQuoteServer playing a scripted backend) and against hostile ones laid from raw
// bytes: what a request carries to the server and what comes back with its answer, the link
// states the accessor hears, a server that goes and comes back on the same port (what the
// connection owed is sent again, once, in order), a stalled server noticed within 3 s at the
// real timings, and servers that send garbage, oversize or half frames or never read: a warning,
// a reconnect, no crash.
#include <QtTest>

#include <memory>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/access/transport/FrameBodies.h"
#include "host/access/transport/TcpServerBackend.h"
#include "sim/server/TcpQuoteServer.h"
#include "tests/host/access/TcpTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace transport;
using tcptest::Heard;
using tcptest::ScriptedListener;

namespace {

const char kService[] = "l2quote";
constexpr int kCapMs = 10000;  // ms: generous cap on every wait for a condition

QList<QByteArray> Bodies(const QList<Resp_s>& packages) {
    QList<QByteArray> bodies;
    for (const Resp_s& p : packages)
        bodies << p.body;
    return bodies;
}

QSharedPointer<ProcessContext_s> CodeContext(const QString& code) {
    auto context = QSharedPointer<ProcessContext_s>::create();
    context->keyGroup.Append("stock_code", CTVar(code));
    return context;
}

// The accessor's warning on giving up a connection, with the reason matching `reason` and the
// delay before the next attempt (any, when negative).
void ExpectDropWarning(const QString& reason, int retryMs = -1) {
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^qzaccess \\{:SEPARATOR\\} l2quote: server "
                           "127\\.0\\.0\\.1:\\d+: " +
                           reason + ".*; connecting again in " +
                           (retryMs < 0 ? QStringLiteral("\\d+") : QString::number(retryMs)) +
                           " ms$"));
}

}  // namespace

class TestTcpBackend : public QObject {
    Q_OBJECT

private:
    // A server on a free port with a scripted market; the accessor connects to it.
    void StartServer(quint16 port = 0) {
        m_market = std::make_shared<ScriptedServerBackend>();
        m_server = std::make_unique<simserver::TcpQuoteServer>(m_market, tcptest::ShortTimings());
        QString error;
        QVERIFY2(m_server->Listen({"127.0.0.1", port}, &error), qPrintable(error));
    }
    void StartAccessor(quint16 port) {
        ServerBackendRegistry::Install(
            kService, std::make_shared<TcpServerBackend>(kService, ServerAddress{"127.0.0.1", port},
                                                         tcptest::ShortTimings()));
        m_accessor = std::make_unique<CHQOWNServerAccesser>(kService, nullptr, 0);
        for (int f : {12932, 12989, 10000})
            m_accessor->RegisterFuncAsSerial(f);
        m_accessor->RegisterFuncAsPush(10001);
        m_heard.Listen(*m_accessor, {12932, 12989, 10000, 10001});
    }
    // The market reports state 1 once the server attached the connection to it.
    void Connect() {
        QTRY_COMPARE_WITH_TIMEOUT(m_market->LinkCount(), 1, kCapMs);
        m_market->SetAccessState(eAccessState_Connected);
        QTRY_COMPARE_WITH_TIMEOUT(m_heard.LastState(), int(eAccessState_Connected), kCapMs);
    }

private slots:
    void cleanup() {
        m_accessor.reset();
        m_server.reset();
        m_market.reset();
        m_heard.Clear();
        ServerBackendRegistry::Clear();
    }

    // What the server sees of a request, and what the accessor's receivers get back: the
    // answer with the request's own context object and task id, pushes, failures. States:
    // connecting until the server reports, then the server's. (Books over TCP:
    // tst_tcpquoteserver.)
    void requestsAnswersPushesFailures() {
        StartServer();
        StartAccessor(m_server->Address().port);
        Connect();
        QCOMPARE(m_heard.StatesSinceStart(), QList<int>{eAccessState_Connected});
        const auto context = CodeContext("BK0475");
        const int task = m_accessor->AppendTaskByParams(
            12932, 0x80, context, {{"String", QStringLiteral("BK0475")}, {"Int16U", 65535}});
        QTRY_COMPARE_WITH_TIMEOUT(m_market->Requests().size(), 1, kCapMs);
        const ServerRequest seen = m_market->Requests().at(0);
        QCOMPARE(seen.service, QStringLiteral("l2quote"));
        QCOMPARE(seen.funcId, 12932);
        QCOMPARE(seen.flags, quint16(0x80));
        QCOMPARE(seen.taskId, task);
        QCOMPARE(seen.encoded, HandLaid().str("BK0475").u16(65535).bytes());
        QCOMPARE(seen.context->keyGroup.Value("stock_code").ToString(), QStringLiteral("BK0475"));

        QVERIFY(m_market->Answer(seen, "first"));
        QVERIFY(m_market->Answer(seen, "again"));  // a plain request is settled by its answer
        m_market->Push(10001, "pushed");
        m_market->Push(10002, "not a push function");
        const int failing = m_accessor->AppendTaskByParams(12932, nullptr, {{"Int08", -1}});
        QTRY_COMPARE_WITH_TIMEOUT(m_market->Requests().size(), 2, kCapMs);
        QVERIFY(m_market->Fail(m_market->Requests().at(1), -5, "busy"));
        QTRY_COMPARE_WITH_TIMEOUT(m_heard.Failures().size(), 1, kCapMs);
        QCOMPARE(m_heard.Failures().at(0), (QVariantList{failing, -5, QStringLiteral("busy")}));
        QList<Resp_s> got = m_heard.Packages();
        QCOMPARE(Bodies(got), (QList<QByteArray>{"first", "pushed"}));
        QCOMPARE(got.at(0).context.data(), context.data());
        QCOMPARE(got.at(0).taskId, task);
        QVERIFY(!got.at(0).isPush);
        QVERIFY(got.at(1).isPush && got.at(1).context.isNull());
    }

    // A server that breaks the protocol: one warning naming what it did, the link reported down,
    // and another connection made.
    void hostileServer_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        const QByteArray hello = HelloFrame("hostile");
        QTest::newRow("garbage") << QByteArray("HTTP/1.1 400 Bad Request\r\n\r\n")
                                 << "frame at stream offset 0: frame length \\d+ outside";
        QTest::newRow("half a frame, then silence")
            << hello.left(hello.size() / 2) << "no frame from the peer for";
        QTest::newRow("protocol version 2")
            << HelloFrame("future", 2) << "the server speaks protocol version 2, not 1";
        QTest::newRow("access state 9")
            << hello + EncodeFrame(FrameKind::State, 0, 0, 0, QByteArray(1, 9))
            << "state frame \\(function 0, request 0\\): access state 9 is not one of 0 .. 3";
    }
    void hostileServer() {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        ScriptedListener hostile(script);
        // Again on the next connection, after twice the delay: a server that misbehaves after its
        // hello does not start the backoff over.
        ExpectDropWarning(reason, tcptest::ShortTimings().first_retry_ms);
        ExpectDropWarning(reason, 2 * tcptest::ShortTimings().first_retry_ms);
        StartAccessor(hostile.Port());
        QTRY_VERIFY_WITH_TIMEOUT(hostile.Accepted() >= 3, kCapMs);
        const QList<int> states = m_heard.States();
        QVERIFY(states.contains(eAccessState_Disconnected));
        for (int i = 1; i < states.size(); ++i)  // failed attempts do not repeat a state
            QVERIFY2(states.at(i) != states.at(i - 1), qPrintable(QString::number(i)));
    }

private:
    std::shared_ptr<ScriptedServerBackend> m_market;
    std::unique_ptr<simserver::TcpQuoteServer> m_server;
    std::unique_ptr<CHQOWNServerAccesser> m_accessor;
    Heard m_heard;
};

QTEST_GUILESS_MAIN(TestTcpBackend)
#include "tst_tcpbackend.moc"
