// The quote server behind its listener, with accessors connected over loopback: two clients
// get only what each asked for (a connection's subscriptions go with it); hostile clients
// (bytes trickled that never make a frame, another protocol version, frames out of turn, a body
// that does not decode) are dropped with a warning while the other client goes on. A client
// that never reads costs the server no more than its send bound, and the client that reads
// gets every push.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/access/transport/FrameBodies.h"
#include "host/access/transport/TcpServerBackend.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "sim/server/TcpQuoteServer.h"
#include "tests/host/access/TcpTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace transport;
using tcptest::Heard;

namespace {

const char kService[] = "l2quote";
constexpr int kCapMs = 10000;  // ms: generous cap on every wait for a condition

// What each package a client heard was about: a book's code from its request's context, a
// pushed snapshot's from its body.
QSet<QString> CodesOf(const QList<Resp_s>& packages, int function) {
    QSet<QString> codes;
    for (const Resp_s& r : packages) {
        if (r.funcId != function)
            continue;
        if (r.isPush) {
            const DecodeResult<StockSnapshot> decoded = DecodeStockSnapshotBody(r.body);
            codes.insert(decoded.ok && decoded.record ? decoded.record->code : "undecodable");
        } else {
            codes.insert(r.context->keyGroup.Value("stock_code").ToString());
        }
    }
    return codes;
}

RequestParams PushList(const QStringList& codes) {
    return {{"Int16U", 0},    {"Int16U", 0},           {"Strings", codes},
            {"Int32U", 0x1u}, {"Int32U", 0x60400415u}, {"Int32U", 0}};
}

// A client of the server: an accessor over TCP and what it heard.
struct Client {
    Client() : accessor(kService, nullptr, 0) {
        for (int f : {12989, 10000, 12930})
            accessor.RegisterFuncAsSerial(f);
        accessor.RegisterFuncAsPush(10001);
        heard.Listen(accessor, {12989, 10001, 12930});
    }
    void AskBook(const QString& code) {
        auto context = QSharedPointer<ProcessContext_s>::create();
        context->keyGroup.Append("stock_code", CTVar(code));
        accessor.AppendTaskByParams(12989, context, {{"String", code}, {"Int16U", 10}});
    }
    CHQOWNServerAccesser accessor;
    Heard heard;
};

// A raw client socket that reads nothing: a 4 KiB receive buffer the server soon fills.
class DeafSocket {
public:
    explicit DeafSocket(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        const int small = 4096;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~DeafSocket() { ::close(fd_); }
    bool Send(const QByteArray& bytes) {
        return connected_ &&
               ::send(fd_, bytes.constData(), size_t(bytes.size()), 0) == bytes.size();
    }

private:
    const int fd_;
    bool connected_ = false;
};

}  // namespace

class TestTcpQuoteServer : public QObject {
    Q_OBJECT

private:
    // `market` behind a listener on a free port, reached by the accessors of kService.
    void Start(std::shared_ptr<IServerBackend> market, const TransportOptions& options) {
        m_server = std::make_unique<simserver::TcpQuoteServer>(market, options);
        QString error;
        QVERIFY2(m_server->Listen({"127.0.0.1", 0}, &error), qPrintable(error));
        ServerBackendRegistry::Install(
            kService, std::make_shared<TcpServerBackend>(kService, m_server->Address(),
                                                         tcptest::ShortTimings()));
    }
    // A simulated market stepped by the test; it reports state 1 as a connection attaches.
    std::shared_ptr<SimulatedMarketBackend> StartMarket() {
        SimulatedMarketBackend::Options options;
        options.timers = false;
        auto market = std::make_shared<SimulatedMarketBackend>(options);
        Start(market, tcptest::ShortTimings());
        return market;
    }

private slots:
    void cleanup() {
        m_server.reset();
        ServerBackendRegistry::Clear();
    }

    // A's book and push list are A's; B starts with nothing and then asks for others; when A
    // goes, the server forgets what A asked for.
    void twoClientsGetOnlyWhatTheyAsked() {
        const auto market = StartMarket();
        auto a = std::make_unique<Client>();
        Client b;
        QTRY_COMPARE_WITH_TIMEOUT(a->heard.LastState(), int(eAccessState_Connected), kCapMs);
        QTRY_COMPARE_WITH_TIMEOUT(b.heard.LastState(), int(eAccessState_Connected), kCapMs);
        a->AskBook("SH600000");
        a->accessor.AppendTaskByParams(10000, nullptr, PushList({"SH600000", "SZ300750"}));
        QTRY_COMPARE_WITH_TIMEOUT(market->PushList().size(), 2, kCapMs);
        QTRY_COMPARE_WITH_TIMEOUT(market->FastQuoteSubscriptions().size(), 1, kCapMs);
        for (int i = 0; i < 4; ++i)
            market->Step();
        QTRY_COMPARE_WITH_TIMEOUT(CodesOf(a->heard.Packages(), 10001),
                                  (QSet<QString>{"SH600000", "SZ300750"}), kCapMs);
        QTRY_COMPARE_WITH_TIMEOUT(a->heard.Packages().size(), 1 + 4 + 2 * 2, kCapMs);
        QVERIFY(b.heard.Packages().isEmpty());

        b.AskBook("SZ000001");
        b.accessor.AppendTaskByParams(10000, nullptr, PushList({"SH601318"}));
        QTRY_COMPARE_WITH_TIMEOUT(market->PushList().size(), 3, kCapMs);
        QTRY_COMPARE_WITH_TIMEOUT(market->FastQuoteSubscriptions().size(), 2, kCapMs);
        for (int i = 0; i < 2; ++i)
            market->Step();
        QTRY_COMPARE_WITH_TIMEOUT(b.heard.Packages().size(), 1 + 2 + 1, kCapMs);
        QCOMPARE(CodesOf(b.heard.Packages(), 12989), QSet<QString>{"SZ000001"});
        QCOMPARE(CodesOf(b.heard.Packages(), 10001), QSet<QString>{"SH601318"});
        QTRY_COMPARE_WITH_TIMEOUT(a->heard.Packages().size(), 9 + 2 + 2, kCapMs);
        QCOMPARE(CodesOf(a->heard.Packages(), 12989), QSet<QString>{"SH600000"});

        a.reset();
        QTRY_COMPARE_WITH_TIMEOUT(market->LinkCount(), 1, kCapMs);
        QCOMPARE(market->PushList(), QStringList{"SH601318"});
        QCOMPARE(market->FastQuoteSubscriptions(), QStringList{"SZ000001"});
    }

    // Each hostile client is dropped with a warning naming it and what it did; the client that
    // behaves still gets its answers, and the market keeps only its link.
    void hostileClients_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        // (Lengths out of range and silence: the channel both ends share, tst_tcpbackend.)
        const QByteArray hello = HelloFrame("l2quote");
        QTest::newRow("protocol version 7")
            << HelloFrame("l2quote", 7) << "the client speaks protocol version 7, not 1";
        QTest::newRow("a request before the hello")
            << EncodeFrame(FrameKind::Request, 0, 12930, 1, QByteArray())
            << "a request frame before the hello";
        QTest::newRow("a push from a client")
            << hello + PushFrame(10001, "x") << "a client does not send push frames";
        QTest::newRow("a request whose parameters do not decode")
            << hello + EncodeFrame(FrameKind::Request, 0, 12930, 1,
                                   HandLaid().u16(1).str("Int32").u32(2).u16(0).u16(0).bytes())
            << "request frame \\(function 12930, request 1\\): parameters: ";
    }
    void hostileClients() {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        const auto market = StartMarket();
        Client good;
        QTRY_COMPARE_WITH_TIMEOUT(good.heard.LastState(), int(eAccessState_Connected), kCapMs);
        QSignalSpy left(m_server.get(), &simserver::TcpQuoteServer::ClientLeft);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^quoteserver \\{:SEPARATOR\\} client "
                                                "127\\.0\\.0\\.1:\\d+: " +
                                                reason + ".*; dropped$"));
        QTcpSocket hostile;
        hostile.connectToHost("127.0.0.1", m_server->Address().port);
        QVERIFY(hostile.waitForConnected(kCapMs));
        hostile.write(script);
        QTRY_COMPARE_WITH_TIMEOUT(left.size(), 1, kCapMs);
        QVERIFY2(left.at(0).at(2).toBool(), "dropped as a fault");
        QCOMPARE(m_server->ClientCount(), 1);
        QCOMPARE(market->LinkCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(hostile.state(), QAbstractSocket::UnconnectedState, kCapMs);

        good.accessor.AppendTaskByParams(12930, nullptr,
                                         {{"String", QStringLiteral("SH600000")}, {"Int16U", 1}});
        QTRY_COMPARE_WITH_TIMEOUT(good.heard.Packages().size(), 1, kCapMs);
        QCOMPARE(good.heard.Packages().at(0).funcId, 12930);
        QCOMPARE(good.heard.States().count(eAccessState_Disconnected), 0);
    }

    // Bytes that never make a frame are silence: a hello trickled a byte every eighth of the
    // silence bound keeps bytes coming, yet is dropped once the bound passes without a frame.
    void clientTricklingBytes() {
        const auto market = StartMarket();
        QSignalSpy left(m_server.get(), &simserver::TcpQuoteServer::ClientLeft);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^quoteserver \\{:SEPARATOR\\} client "
                                                "127\\.0\\.0\\.1:\\d+: no frame from the peer "
                                                "for \\d+ ms; dropped$"));
        QTcpSocket trickling;
        trickling.connectToHost("127.0.0.1", m_server->Address().port);
        QVERIFY(trickling.waitForConnected(kCapMs));
        const QByteArray hello = HelloFrame("l2quote");
        const int silenceMs = tcptest::ShortTimings().silence_ms;
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        QTimer trickle;
        int sent = 0;
        connect(&trickle, &QTimer::timeout, [&] {
            if (sent < hello.size())
                trickling.write(hello.mid(sent++, 1));
        });
        trickle.start(silenceMs / 8);
        QTRY_COMPARE_WITH_TIMEOUT(left.size(), 1, kCapMs);
        QVERIFY2(sent < hello.size(), "dropped before the hello could complete");
        QVERIFY(sinceFirst.elapsed() >= silenceMs);
        QCOMPARE(market->LinkCount(), 0);
    }

    // The deaf client's frames stop at the 256 KiB bound and it is dropped; the reading client
    // gets every one of the 64 KiB pushes, before and after.
    void clientThatNeverReads() {
        constexpr qint64 kBound = 256 << 10;
        constexpr int kPushBytes = 64 << 10;
        constexpr int kMaxPushes = 1000;  // 64 MiB: far beyond what the system buffers
        const auto market = std::make_shared<ScriptedServerBackend>();
        TransportOptions options = tcptest::ShortTimings();
        options.send_queue_bytes = kBound;
        options.silence_ms = kCapMs;  // the deaf client does not send heartbeats either
        Start(market, options);
        Client reader;
        QTRY_COMPARE_WITH_TIMEOUT(market->LinkCount(), 1, kCapMs);
        QSignalSpy left(m_server.get(), &simserver::TcpQuoteServer::ClientLeft);
        DeafSocket deaf(m_server->Address().port);
        QVERIFY(deaf.Send(HelloFrame("l2quote")));
        QTRY_COMPARE_WITH_TIMEOUT(market->LinkCount(), 2, kCapMs);
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression("^quoteserver \\{:SEPARATOR\\} client "
                                             "127\\.0\\.0\\.1:\\d+: the peer does not read: \\d+ "
                                             "bytes held for it, 65552 more would pass the "
                                             "262144-byte bound; dropped$"));
        int pushes = 0;
        while (left.isEmpty() && pushes < kMaxPushes) {
            market->Push(10001, QByteArray(kPushBytes, char(pushes)));
            ++pushes;
            QTRY_COMPARE_WITH_TIMEOUT(reader.heard.Packages().size(), pushes, kCapMs);
        }
        QCOMPARE(left.size(), 1);
        QVERIFY(left.at(0).at(2).toBool());
        QCOMPARE(market->LinkCount(), 1);
        QVERIFY2(m_server->PeakQueuedBytes() <= kBound,
                 qPrintable(QString::number(m_server->PeakQueuedBytes())));
        QVERIFY(m_server->PeakQueuedBytes() > kBound - kPushBytes - 16);  // it did fill up
        market->Push(10001, "after");
        QTRY_COMPARE_WITH_TIMEOUT(reader.heard.Packages().size(), pushes + 1, kCapMs);
        QCOMPARE(reader.heard.Packages().last().body, QByteArray("after"));
    }

private:
    std::unique_ptr<simserver::TcpQuoteServer> m_server;
};

QTEST_GUILESS_MAIN(TestTcpQuoteServer)
#include "tst_tcpquoteserver.moc"
