// The simulated market's server stepped by hand, as the link-fault tests lean on it: it pushes
// only its push list, answers nothing while the link is down, and forgets on a drop what the
// dropped connection asked for. (The market's data through the plug-in: the tool's watch tests
// and the stress tests.)
#include <QtTest>

#include <tuple>
#include <utility>

#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/SimulatedMarketBackend.h"

using namespace simmarket;

namespace {

// The accessor's side of the seam, without its thread: (function, task id or -1, body) sent.
class RecordingLink : public IServerLink {
public:
    using Sent = std::tuple<int, int, QByteArray>;
    void Answer(const ServerRequest& r, const QByteArray& b) override {
        sent << Sent{r.funcId, r.taskId, b};
    }
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int funcId, const QByteArray& b) override { sent << Sent{funcId, -1, b}; }
    void ReportAccessState(_enAccessState state) override { states << state; }
    QList<Sent> Take() { return std::exchange(sent, {}); }
    QByteArray Body(int i) const { return std::get<2>(sent.value(i)); }

    QList<Sent> sent;
    QList<_enAccessState> states;
};

// A request as the accessor hands it to a backend: 12989, or 10000/10002 with mask 1.
ServerRequest Raw(int funcId, const QStringList& codes, int taskId, quint32 mask1 = 0) {
    ServerRequest r;
    r.funcId = funcId;
    r.taskId = taskId;
    r.params = {{"Int16U", 0},     {"Int16U", 0},           {"Strings", codes},
                {"Int32U", mask1}, {"Int32U", 0x60400415u}, {"Int32U", 0}};
    if (funcId == 12989)
        r.params = {{"String", codes.value(0)}, {"Int16U", 10}};
    return r;
}

}  // namespace

class TestSimulatedMarket : public QObject {
    Q_OBJECT

private slots:
    void serverPushesItsListAndForgetsOnDrop() {
        SimulatedMarketBackend::Options manual;
        manual.timers = false;
        manual.snapshot_push_every = 1;
        SimulatedMarketBackend backend(manual);
        RecordingLink link, gone;
        backend.Attach(&link);
        backend.Attach(&gone);
        QCOMPARE(link.states, QList<_enAccessState>{eAccessState_Connected});
        backend.OnRequest(&link, Raw(19999, {"SH600000"}, 1));  // not simulated: no answer
        backend.OnRequest(&link, Raw(12989, {"SH999999"}, 2));  // unknown stock: no answer
        // A push list request's snapshot-kind bit is dropped, so the pushes are filed as pushes.
        backend.OnRequest(&link, Raw(10000, {"SH600000", "SH999999", "SZ000001"}, 3,
                                     0x19600FDF | snapshot::kStockType));
        QCOMPARE(link.Take().size(), 1);  // the answer to the 10000 request only
        backend.OnRequest(&gone, Raw(12989, {"SH600000"}, 4));
        backend.Detach(&gone);
        backend.Step();
        QStringList pushed;
        for (const RecordingLink::Sent& sent : link.Take()) {
            const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(std::get<2>(sent));
            QVERIFY2(std::get<0>(sent) == 10001 && std::get<1>(sent) == -1 && r.ok && r.record &&
                         !r.record->Has1(snapshot::kStockType),
                     qPrintable(r.error));
            pushed << r.record->code;
        }
        QCOMPARE(pushed, (QStringList{"SH600000", "SZ000001"}));
        backend.OnRequest(&link, Raw(10000, {}, 5));  // an empty list stops the pushes
        backend.Step();
        QCOMPARE(link.Take().size(), 1);  // its answer only
        backend.OnRequest(&link, Raw(12989, {"SH600000"}, 6));
        backend.DropLink();
        QCOMPARE(link.states.last(), eAccessState_Disconnected);
        backend.OnRequest(&link, Raw(12989, {"SZ000001"}, 7));  // not answered while down
        backend.RestoreLink();
        QCOMPARE(link.states.last(), eAccessState_Connected);
        QCOMPARE(link.Take().size(), 1);  // the answer to 6, before the drop
        backend.Step();                   // the server forgot what the dropped connection asked for
        QVERIFY(link.sent.isEmpty());
        backend.OnRequest(&link, Raw(12989, {"SZ000001"}, 8));
        backend.Step();  // answered, then answered again on the tick
        QCOMPARE(link.sent.size(), 2);
        QCOMPARE(std::get<1>(link.sent[1]), 8);
        QCOMPARE(gone.sent.size(), 1);  // its answer before it was detached, nothing after
        QCOMPARE(gone.states, QList<_enAccessState>{eAccessState_Connected});
    }
};

QTEST_GUILESS_MAIN(TestSimulatedMarket)
#include "tst_simulatedmarket.moc"
