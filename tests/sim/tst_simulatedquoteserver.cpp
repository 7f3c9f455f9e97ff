// SimulatedQuoteServer as a host built outside this tree uses it (this test links the shared
// library and its one header only): it is the server of both services while it lives and leaves
// them to a server made after it; without timers nothing moves unless stepped; a dropped link
// answers nothing until restored.
#include <QtTest>

#include <memory>

#include "host/access/ServerBackend.h"
#include "sim/server/SimulatedQuoteServer.h"

namespace {

const QString kMain = QStringLiteral("l2quote");
const QString kFastQuote = QStringLiteral("pcl2xtquote");
constexpr int kBookFunction = 12989;

// The accessor's side of the seam, without its thread: the functions answered, the states heard.
class CountingLink : public IServerLink {
public:
    void Answer(const ServerRequest& request, const QByteArray&) override {
        answered << request.funcId;
    }
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int, const QByteArray&) override {}
    void ReportAccessState(_enAccessState state) override { states << state; }

    QList<int> answered;
    QList<_enAccessState> states;
};

ServerRequest BookRequest(const QString& code) {
    ServerRequest request;
    request.service = kFastQuote;
    request.funcId = kBookFunction;
    request.params = {{"String", code}, {"Int16U", 10}};
    return request;
}

SimulatedQuoteServer::Options Stepped() {
    SimulatedQuoteServer::Options options;
    options.timers = false;
    return options;
}

}  // namespace

class TstSimulatedQuoteServer : public QObject {
    Q_OBJECT

private slots:
    void servesBothServicesWhileItLives() {
        auto first = std::make_unique<SimulatedQuoteServer>(Stepped());
        const std::shared_ptr<IServerBackend> backend = ServerBackendRegistry::Find(kMain);
        QVERIFY(backend != nullptr);
        QCOMPARE(ServerBackendRegistry::Find(kFastQuote), backend);

        auto second = std::make_unique<SimulatedQuoteServer>(Stepped());
        const std::shared_ptr<IServerBackend> later = ServerBackendRegistry::Find(kMain);
        QVERIFY(later != backend);
        first.reset();
        QCOMPARE(ServerBackendRegistry::Find(kMain), later);
        QCOMPARE(ServerBackendRegistry::Find(kFastQuote), later);

        second.reset();
        QVERIFY(ServerBackendRegistry::Find(kMain) == nullptr);
        QVERIFY(ServerBackendRegistry::Find(kFastQuote) == nullptr);
    }

    // Without timers: connected at once, a request answered at once and again on Step; a dropped
    // link hears state 2 and answers nothing until restored.
    void movesOnlyWhenSteppedAndKeepsQuietWhileDropped() {
        SimulatedQuoteServer server(Stepped());
        CountingLink link;
        const std::shared_ptr<IServerBackend> backend = ServerBackendRegistry::Find(kFastQuote);
        backend->Attach(&link);
        backend->OnRequest(&link, BookRequest("SH600000"));
        server.Step();
        QCOMPARE(link.answered, (QList<int>{kBookFunction, kBookFunction}));
        server.DropLink();
        QVERIFY(!server.IsLinkUp());
        backend->OnRequest(&link, BookRequest("SH600000"));
        server.Step();
        QCOMPARE(server.RequestCount(kBookFunction), 2);
        QCOMPARE(server.AnswerCount(kBookFunction), 2);
        server.RestoreLink();
        backend->OnRequest(&link, BookRequest("SH600000"));
        QCOMPARE(link.answered.size(), 3);
        QCOMPARE(link.states,
                 (QList<_enAccessState>{_enAccessState(1), _enAccessState(2), _enAccessState(1)}));
        backend->Detach(&link);
    }
};

QTEST_GUILESS_MAIN(TstSimulatedQuoteServer)
#include "tst_simulatedquoteserver.moc"
