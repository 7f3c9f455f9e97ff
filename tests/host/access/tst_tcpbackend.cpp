// The accessor over TCP (transport::TcpServerBackend) against hostile quote servers laid from raw
// bytes: garbage, half frames, another protocol version, a bad access state. Each gives a warning,
// the link reported down and a reconnect, with no crash. (Answers and pushes over TCP:
// tst_tcpquoteserver; reconnection re-sends: tst_serveraccesser, tst_tcpfaults.)
#include <QtTest>

#include <memory>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/transport/FrameBodies.h"
#include "host/access/transport/TcpServerBackend.h"
#include "tests/host/access/TcpTestSupport.h"

using namespace transport;
using tcptest::Heard;
using tcptest::ScriptedListener;

namespace {

const char kService[] = "l2quote";
constexpr int kCapMs = 10000;  // ms: generous cap on every wait for a condition

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
    void StartAccessor(quint16 port) {
        ServerBackendRegistry::Install(
            kService, std::make_shared<TcpServerBackend>(kService, ServerAddress{"127.0.0.1", port},
                                                         tcptest::ShortTimings()));
        m_accessor = std::make_unique<CHQOWNServerAccesser>(kService, nullptr, 0);
        m_heard.Listen(*m_accessor, {});
    }

private slots:
    void cleanup() {
        m_accessor.reset();
        m_heard.Clear();
        ServerBackendRegistry::Clear();
    }

    // A server that breaks the protocol: one warning naming what it did, the link reported down,
    // and another connection made.
    void hostileServer_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        const QByteArray hello = HelloFrame("hostile");
        QTest::newRow("garbage") << QByteArray("HTTP/1.1 400 Bad Request\r\n\r\n")
                                 << "frame at stream offset 0: frame length \\d+ outside";
        QTest::newRow("length 15, shorter than a header")
            << QByteArray("\x0f\0\0\0\x05\0\0\0\0\0\0\0\0\0\0", 15)
            << "frame at stream offset 0: frame length 15 outside";
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
    std::unique_ptr<CHQOWNServerAccesser> m_accessor;
    Heard m_heard;
};

QTEST_GUILESS_MAIN(TestTcpBackend)
#include "tst_tcpbackend.moc"
