// The simulated quote server, driven by hand (no timers): what each request gets back, how the
// book and the pushed quote keep coming, and what a dropped link does. Answers are read back
// with the plug-in's own decoders.
#include <QtTest>

#include "host/access/RequestParamCodec.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/SimulatedMarketBackend.h"

namespace {

// Records what the backend sends; the accessor's side of the seam without its thread.
class RecordingLink : public IServerLink {
public:
    struct Sent {
        int funcId;
        QByteArray body;
        int taskId;  // -1 for pushes
    };
    // The backend may call from its timer thread; the test reads after a bounded wait.
    void Answer(const ServerRequest& request, const QByteArray& body) override {
        QMutexLocker lock(&mutex);
        sent << Sent{request.funcId, body, request.taskId};
    }
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int funcId, const QByteArray& body) override {
        QMutexLocker lock(&mutex);
        sent << Sent{funcId, body, -1};
    }
    void ReportAccessState(_enAccessState state) override {
        QMutexLocker lock(&mutex);
        states << state;
    }
    int SentCount() {
        QMutexLocker lock(&mutex);
        return sent.size();
    }
    QList<_enAccessState> States() {
        QMutexLocker lock(&mutex);
        return states;
    }

    QMutex mutex;
    QList<Sent> sent;
    QList<_enAccessState> states;
};

ServerRequest MakeRequest(int funcId, const RequestParams& params, int taskId) {
    ServerRequest r;
    r.funcId = funcId;
    r.taskId = taskId;
    r.context = QSharedPointer<ProcessContext_s>::create();
    QString error;
    RequestParamCodec::Encode(params, &r.encoded, &error);
    QStringList tags;
    for (const auto& p : params) {
        tags << p.first;
    }
    RequestParamCodec::Decode(tags, r.encoded, &r.params, &error);
    return r;
}

ServerRequest FastQuoteRequest(const QString& code, int taskId) {
    return MakeRequest(12989,
                       {{"String", code},
                        {"Int16U", 10},
                        {"Int16U", 0},
                        {"Int16U", 0},
                        {"Int16U", 3},
                        {"Int08", 1},
                        {"Int08", 4}},
                       taskId);
}

ServerRequest SnapshotRequest(const QString& code, quint32 m1, quint32 m2, quint32 m3, int taskId) {
    return MakeRequest(10002,
                       {{"Int16U", 0},
                        {"Int16U", 0},
                        {"Strings", QStringList{code}},
                        {"Int32U", m1},
                        {"Int32U", m2},
                        {"Int32U", m3}},
                       taskId);
}

ServerRequest PushListRequest(const QStringList& codes, int taskId) {
    return MakeRequest(10000,
                       {{"Int16U", 0},
                        {"Int16U", 4},
                        {"Strings", codes},
                        {"Int32U", 0x19600FDFu},
                        {"Int32U", 0x60400415u},
                        {"Int32U", 0}},
                       taskId);
}

SimulatedMarketBackend::Options Manual() {
    SimulatedMarketBackend::Options o;
    o.timers = false;
    o.snapshot_push_every = 1;
    return o;
}

}  // namespace

class TestSimulatedMarketBackend : public QObject {
    Q_OBJECT

private slots:
    void reportsConnectedOnAttach();
    void fastQuoteAnswersTheRequestWithAFullBook();
    void stepRepeatsTheAnswerToTheOriginalRequest();
    void snapshotKindFollowsTheRequestedMasks_data();
    void snapshotKindFollowsTheRequestedMasks();
    void pushListDrivesPushesOfItsCodes();
    void dataSetsAnswerWithTheirMasks();
    void unknownFunctionsAndStocksGetNoAnswer();
    void droppedLinkAnswersNothingUntilRestored();
    void detachedLinkHearsNothingMore();
    void timersConnectAndTickOnTheirOwnThread();
};

void TestSimulatedMarketBackend::reportsConnectedOnAttach() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    QCOMPARE(link.states, QList<_enAccessState>{eAccessState_Connected});
    QCOMPARE(backend.LinkCount(), 1);
}

void TestSimulatedMarketBackend::fastQuoteAnswersTheRequestWithAFullBook() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, FastQuoteRequest("SH600000", 11));
    QCOMPARE(link.sent.size(), 1);
    QCOMPARE(link.sent[0].taskId, 11);
    ResponsePkgEntity_12989 book;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(link.sent[0].body, book, code));
    QCOMPARE(code, QString("SH600000"));
    QCOMPARE(int(book.wills.buy_rows.size()), 10);
    QCOMPARE(int(book.wills.sell_rows.size()), 10);
    // Real levels, not fillers: the best bid is the last price, asks are above it.
    qint32 last = 0;
    backend.ReadMarket(
        [&last](const simmarket::SimulatedMarket& m) { last = m.FindState("SH600000")->Last(); });
    QCOMPARE(book.wills.buy_rows[0].Get("price").ToInt64(), qint64(last));
    QVERIFY(book.wills.sell_rows[0].Get("price").ToInt64() > last);
    QCOMPARE(backend.FastQuoteSubscriptions(), QStringList{"SH600000"});
}

void TestSimulatedMarketBackend::stepRepeatsTheAnswerToTheOriginalRequest() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, FastQuoteRequest("SZ300750", 21));
    backend.OnRequest(&link, FastQuoteRequest("SH688981", 22));
    link.sent.clear();
    backend.Step();
    backend.Step();
    QList<int> tasks;
    for (const RecordingLink::Sent& s : link.sent) {
        if (s.funcId == 12989) {
            tasks << s.taskId;
        }
    }
    std::sort(tasks.begin(), tasks.end());
    // Every update is an answer to the stock's request (so it carries its context), none a push.
    QCOMPARE(tasks, (QList<int>{21, 21, 22, 22}));
    QCOMPARE(backend.StepCount(), 2);
    QCOMPARE(backend.AnswerCount(12989), 6);
}

void TestSimulatedMarketBackend::snapshotKindFollowsTheRequestedMasks_data() {
    QTest::addColumn<quint32>("mask1");
    QTest::addColumn<quint32>("mask2");
    QTest::addColumn<quint32>("mask3");
    QTest::addColumn<bool>("snapshotKind");
    QTest::newRow("push kind") << 0x19600FDFu << 0x60400415u << 0x4000u << false;
    QTest::newRow("snapshot kind") << 0x601FF02Fu << 0x203E7E4Au << 0x5004u << true;
}

void TestSimulatedMarketBackend::snapshotKindFollowsTheRequestedMasks() {
    QFETCH(quint32, mask1);
    QFETCH(quint32, mask2);
    QFETCH(quint32, mask3);
    QFETCH(bool, snapshotKind);
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, SnapshotRequest("SZ300750", mask1, mask2, mask3, 31));
    QCOMPARE(link.sent.size(), 1);
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(link.sent[0].body);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.record.has_value());
    QCOMPARE(r.record->mask1, mask1);
    QCOMPARE(r.record->mask2, mask2);
    QCOMPARE(r.record->mask3, mask3);
    QCOMPARE(r.record->Has1(snapshot::kStockType), snapshotKind);
    QCOMPARE(r.record->code, QString("SZ300750"));
    QCOMPARE(r.record->name, QString::fromUtf8("宁德时代"));
}

void TestSimulatedMarketBackend::pushListDrivesPushesOfItsCodes() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, PushListRequest({"SH600000", "SH999999", "SZ000001"}, 41));
    QCOMPARE(backend.PushList(), (QStringList{"SH600000", "SZ000001"}));
    QCOMPARE(link.sent.size(), 1);  // the 10000 answer, no record
    const DecodeResult<StockSnapshot> ack = DecodeStockSnapshotBody(link.sent[0].body);
    QVERIFY(ack.ok && !ack.record.has_value());
    link.sent.clear();
    backend.Step();
    QStringList pushed;
    for (const RecordingLink::Sent& s : link.sent) {
        QCOMPARE(s.funcId, 10001);
        QCOMPARE(s.taskId, -1);
        const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(s.body);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(!r.record->Has1(snapshot::kStockType));  // filed under the push kind
        pushed << r.record->code;
    }
    QCOMPARE(pushed, (QStringList{"SH600000", "SZ000001"}));
    // An empty list stops the pushes.
    backend.OnRequest(&link, MakeRequest(10000,
                                         {{"Int16U", 0},
                                          {"Int16U", 1},
                                          {"Strings", QStringList()},
                                          {"Int32U", 0},
                                          {"Int32U", 0},
                                          {"Int32U", 0}},
                                         42));
    link.sent.clear();
    backend.Step();
    QVERIFY(link.sent.isEmpty());
}

void TestSimulatedMarketBackend::dataSetsAnswerWithTheirMasks() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, MakeRequest(12755,
                                         {{"Int16", 107},
                                          {"Int32", 0x40000400},
                                          {"Int32", 0x20},
                                          {"Int32", 0},
                                          {"Strings", QStringList{"SZ300750"}}},
                                         51));
    backend.OnRequest(&link, MakeRequest(10012,
                                         {{"Int16U", 0},
                                          {"Int16U", 1},
                                          {"Strings", QStringList{"SH600000"}},
                                          {"Int32U", 0x20 | 0xE00},
                                          {"Int32U", 0},
                                          {"Int32U", 0}},
                                         52));
    QCOMPARE(link.sent.size(), 2);
    const DecodeResult<ResponsePkgEntity_12755> related = DecodeStockRelatedBody(link.sent[0].body);
    QVERIFY2(related.ok, qPrintable(related.error));
    QCOMPARE(related.record->layout, quint16(107));
    QVERIFY(related.record->has_ratios && related.record->has_after_close);
    QCOMPARE(related.record->Category(), quint8(25));  // a growth-board stock
    QVERIFY(related.record->AfterCloseVolume() > 0);
    const DecodeResult<ResponsePkgEntity_10012> dataSet = DecodeStockDataSetBody(link.sent[1].body);
    QVERIFY2(dataSet.ok, qPrintable(dataSet.error));
    QCOMPARE(dataSet.record->code, QString("SH600000"));
    QCOMPARE(dataSet.record->limit_up_price, 1157);
    QCOMPARE(dataSet.record->limit_down_price, 947);
}

void TestSimulatedMarketBackend::unknownFunctionsAndStocksGetNoAnswer() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, MakeRequest(12930, {{"Int16U", 0}}, 61));
    backend.OnRequest(&link, FastQuoteRequest("SH999999", 62));
    QVERIFY(link.sent.isEmpty());
    QCOMPARE(backend.RequestCount(12930), 1);
    QVERIFY(backend.FastQuoteSubscriptions().isEmpty());
    // A snapshot of an unknown code is a valid answer without a record.
    backend.OnRequest(&link, SnapshotRequest("SH999999", 0x601FF02F, 0, 0, 63));
    QCOMPARE(link.sent.size(), 1);
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(link.sent[0].body);
    QVERIFY(r.ok && !r.record.has_value());
}

void TestSimulatedMarketBackend::droppedLinkAnswersNothingUntilRestored() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink link;
    backend.Attach(&link);
    backend.OnRequest(&link, FastQuoteRequest("SH600000", 71));
    backend.OnRequest(&link, PushListRequest({"SH600000"}, 72));
    link.sent.clear();
    backend.DropLink();
    QCOMPARE(link.states.last(), eAccessState_Disconnected);
    QVERIFY(!backend.IsLinkUp());
    backend.OnRequest(&link, FastQuoteRequest("SZ000001", 73));
    backend.Step();
    QVERIFY(link.sent.isEmpty());
    QCOMPARE(backend.RequestCount(12989), 2);
    backend.RestoreLink();
    QCOMPARE(link.states.last(), eAccessState_Connected);
    // The server forgot what the dropped connection had asked for: only new requests count.
    backend.Step();
    QVERIFY(link.sent.isEmpty());
    backend.OnRequest(&link, FastQuoteRequest("SZ000001", 74));
    backend.Step();
    QCOMPARE(link.sent.size(), 2);
    QCOMPARE(link.sent[1].taskId, 74);
}

void TestSimulatedMarketBackend::detachedLinkHearsNothingMore() {
    SimulatedMarketBackend backend(Manual());
    RecordingLink kept;
    RecordingLink gone;
    backend.Attach(&kept);
    backend.Attach(&gone);
    backend.OnRequest(&kept, FastQuoteRequest("SH600000", 81));
    backend.OnRequest(&gone, FastQuoteRequest("SH600000", 82));
    backend.Detach(&gone);
    kept.sent.clear();
    gone.sent.clear();
    backend.Step();
    backend.DropLink();
    QCOMPARE(kept.sent.size(), 1);
    QVERIFY(gone.sent.isEmpty());
    QCOMPARE(gone.states, QList<_enAccessState>{eAccessState_Connected});
}

void TestSimulatedMarketBackend::timersConnectAndTickOnTheirOwnThread() {
    SimulatedMarketBackend::Options o;
    o.tick_ms = 20;
    o.connect_delay_ms = 100;  // ms
    o.snapshot_push_every = 1;
    RecordingLink link;
    SimulatedMarketBackend backend(o);
    backend.Attach(&link);
    QVERIFY(link.States().isEmpty());  // connecting takes a moment
    QTRY_COMPARE_WITH_TIMEOUT(link.States(), QList<_enAccessState>{eAccessState_Connected}, 5000);
    backend.OnRequest(&link, FastQuoteRequest("SH601318", 91));
    // The first answer, then repeated answers from the timer's ticks.
    QTRY_VERIFY_WITH_TIMEOUT(link.SentCount() >= 3, 5000);
    QVERIFY(backend.StepCount() >= 2);
    backend.Detach(&link);
}

QTEST_GUILESS_MAIN(TestSimulatedMarketBackend)
#include "tst_simulatedmarketbackend.moc"
