// The stock-board calls 10002 (with 10000/10001), 10012 and 12755 on a real accessor bound to a
// scripted server: what they ask, deliver, cache, poll and push, what they refuse, and how a
// market-clearing broadcast drops and asks again.
#include <QtTest>

#include "host/core/HostClock.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "services/stockboard/QzLv2RemoteApiCall_10012.h"
#include "services/stockboard/QzLv2RemoteApiCall_12755_Stock_Related.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_10002;
using StockRelatedCall = QzLv2RemoteApiCall_12755_Stock_Related;

namespace {

const char* const kRelated = "12755_stock_related";

// A one-record 10002 answer: code, name, optionally the stock type (snapshot kind), last price.
QByteArray SnapshotBody(const QString& code, bool stockType, qint32 last,
                        const QString& name = "N") {
    HandLaid b;
    const quint32 mask1 = 0x1 | 0x2 | (stockType ? 0x20 : 0) | 0x800;
    b.header14().u16(1).u32(mask1).u32(0).u32(0).str(code).str(name);
    if (stockType)
        b.u16(7);
    return b.i32(last).bytes();
}

// A 10001 push carrying only code and last price.
QByteArray LastPricePush(const QString& code, qint32 last) {
    HandLaid b;
    return b.header14().u16(1).u32(0x1 | 0x800).u32(0).u32(0).str(code).i32(last).bytes();
}

// A 12755 answer, layout 107, all three groups.
QByteArray StockRelatedBody(const QString& code, qint32 floatRatio20d) {
    HandLaid b;
    b.u32(0).u32(0).u16(107).u32(0x40000400).u32(0x20).u32(0).u16(0).i16(1);
    b.str(code).str("x").u8(0).u8(1).zeros(24);
    b.i32(0).i32(0).i32(floatRatio20d).i32(0).i32(10).i32(20).i32(30).u8(0).u8(25).u8(0);
    return b.bytes();
}

const StockSnapshot* SnapshotOf(const QuoteTaskExecMidResult& result) {
    const auto* entity = dynamic_cast<const ResponsePkgEntity_10002*>(result.data.data());
    return entity != nullptr ? &entity->snapshot : nullptr;
}

}  // namespace

class TestStockBoardCalls : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void snapshotRequest_data();
    void snapshotRequest();
    void snapshotAnswersDeliveredAndPolledLyingOneRefused();
    void pushKindJoinsPushListAndPushesMerge();
    void clearingMarketsDropsAndAsksSubscribedAgain();

    void dataSetRequestedDeliveredAndPolled_data();
    void dataSetRequestedDeliveredAndPolled();

    void stockRelatedRequestAnswerAndBadBody();

private:
    template <typename Call>
    Call& Make(std::unique_ptr<Call>& slot) {
        slot = std::make_unique<Call>(&h_.configuration, h_.accessor.get());
        slot->Init();
        return *slot;
    }
    // Answers the request and waits until the call cached the topic.
    template <typename Call>
    void Answer(Call& call, const ServerRequest& request, const QByteArray& body,
                const Topic& topic) {
        QVERIFY(h_.backend->Answer(request, body));
        QTRY_VERIFY_WITH_TIMEOUT(call.Cache().Contains(topic), kWaitMs);
    }

    Harness h_;
    std::unique_ptr<QzLv2RemoteApiCall_10002> snapshot_;
    std::unique_ptr<QzLv2RemoteApiCall_10012> dataSet_;
    std::unique_ptr<StockRelatedCall> related_;
};

void TestStockBoardCalls::init() {
    HostClock::SetForTest(1700000000000);
    h_.Start();
}

void TestStockBoardCalls::cleanup() {
    snapshot_.reset();
    dataSet_.reset();
    related_.reset();
    h_.Stop();
    HostClock::UseSystemClock();
}

void TestStockBoardCalls::snapshotRequest_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("masks");
    QTest::newRow("push kind, LV2 stock") << "SZ000001" << QString("10001") << 0x80
                                          << "Int32U=425725919,Int32U=1614808085,Int32U=16384";
    QTest::newRow("snapshot kind, LV2 stock") << "SH600000" << QString("10002") << 0x80
                                              << "Int32U=1612705839,Int32U=540966474,Int32U=20484";
    QTest::newRow("snapshot kind, no LV2")
        << "HK00700" << QString("10002") << 0 << "Int32U=1612705839,Int32U=540966474,Int32U=20484";
    QTest::newRow("other kind: zero masks")
        << "SH600000" << QString("10000") << 0x80 << "Int32U=0,Int32U=0,Int32U=0";
}

void TestStockBoardCalls::snapshotRequest() {
    QFETCH(QString, code);
    QFETCH(QString, kind);
    QFETCH(int, flags);
    QFETCH(QString, masks);
    Make(snapshot_).AttachNode(NodeFor(code, kind));
    const ServerRequest request = h_.WaitForRequestOf(10002, 1);
    QCOMPARE(int(request.flags), flags);
    QVERIFY(request.context.isNull());
    QCOMPARE(Flatten(request.params),
             QStringList({"Int16U=0", "Int16U=0", "Strings=" + code}) + masks.split(','));
}

void TestStockBoardCalls::snapshotAnswersDeliveredAndPolledLyingOneRefused() {
    auto& call = Make(snapshot_);
    call.AttachNode(NodeFor("SZ000001", "10002"));
    const ServerRequest first = h_.WaitForRequestOf(10002, 1);
    const ScopeTreeNode node = NodeFor("SH600000", "10002");
    call.AttachNode(node);
    const ServerRequest second = h_.WaitForRequestOf(10002, 2);
    HandLaid lying;  // mask 2 auctions announce 500 points that are not there
    lying.header14().u16(1).u32(0x1 | 0x20).u32(0x40000000).u32(0).str("SZ000001").u16(7);
    lying.i32(1).u32(2).u16(500).i32(0).u32(0).u32(0);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("lv2-10002 \\{:SEPARATOR\\} DecodeStockSnapshotBody.*"
                                            "offset \\d+.*body length \\d+"));
    QVERIFY(h_.backend->Answer(first, lying.bytes()));
    const Topic topic("SH600000", "10002");
    Answer(call, second, SnapshotBody("SH600000", true, 1234), topic);
    QCOMPARE(call.Cache().Keys(), QList<Topic>{topic});
    QTRY_COMPARE_WITH_TIMEOUT(h_.Queued(), 1, kWaitMs);
    const QuoteTaskExecMidResult result = h_.Pop();
    QCOMPARE(result.scope_id, node.scope_id);
    QVERIFY(SnapshotOf(result) != nullptr);
    QCOMPARE(SnapshotOf(result)->last_price, 1234);
    QVERIFY(call.GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));
    QVERIFY(!call.GetDriver()->AwaitingSet().Contains(topic));
    QVERIFY(call.GetDriver()->PollingSet().Contains(topic));
    call.GetDriver()->OnPollingTick();
    QCOMPARE(RequestsOf(*h_.backend, 10002).size(), 3);
    QVERIFY(RequestsOf(*h_.backend, 10000).isEmpty());
}

void TestStockBoardCalls::pushKindJoinsPushListAndPushesMerge() {
    auto& call = Make(snapshot_);
    QCOMPARE(call.GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"10000", "10001", "10002"}));
    QVERIFY(h_.accessor->IsSerial(10000) && h_.accessor->IsSerial(10002));
    QVERIFY(h_.accessor->IsPush(10001));
    call.GetDriver()->OnPushRefreshTick();  // an empty push list is mode 1
    QCOMPARE(Flatten(h_.WaitForRequestOf(10000, 1).params),
             (QStringList{"Int16U=0", "Int16U=1", "Strings=", "Int32U=0", "Int32U=0", "Int32U=0"}));

    // An answer without the stock type is push kind: the topic joins the push list.
    const ScopeTreeNode node = NodeFor("SZ000001", "10001");
    call.AttachNode(node);
    const Topic topic("SZ000001", "10001");
    Answer(call, h_.WaitForRequestOf(10002, 1), SnapshotBody("SZ000001", false, 100, "Bank"),
           topic);
    QVERIFY(call.GetDriver()->PushSet().Contains(topic));
    const ServerRequest list = h_.WaitForRequestOf(10000, 2);
    QCOMPARE(list.flags, quint16(0));
    QCOMPARE(Flatten(list.params),
             (QStringList{"Int16U=0", "Int16U=4", "Strings=SZ000001", "Int32U=425725919",
                          "Int32U=1614808085", "Int32U=0"}));
    QTRY_COMPARE_WITH_TIMEOUT(h_.Queued(), 1, kWaitMs);
    QCOMPARE(h_.Pop().scope_id, node.scope_id);
    QVERIFY(!call.Cache().Contains(Topic("SZ000001", "10002")));

    // Pushes only cache and publish, merged onto the cached record.
    const int requestsBefore = h_.backend->Requests().size();
    h_.backend->Push(10001, LastPricePush("SZ000001", 101));
    h_.backend->Push(10001, LastPricePush("SH600009", 55));  // nobody subscribes: still cached
    QTRY_VERIFY_WITH_TIMEOUT(call.Cache().Contains(Topic("SH600009", "10001")), kWaitMs);
    QCOMPARE(h_.Queued(), 1);
    const StockSnapshot* merged = SnapshotOf(h_.Pop());
    QCOMPARE(merged->last_price, 101);
    QCOMPARE(merged->name, QString("Bank"));  // not carried by the push: kept
    QCOMPARE(merged->mask1, 0x801u);          // the push's masks; carried keeps the answer's
    QVERIFY(merged->Has1(snapshot::kName));
    QCOMPARE(h_.backend->Requests().size(), requestsBefore);
    QVERIFY(!call.GetDriver()->PushSet().Contains(Topic("SH600009", "10001")));
}

void TestStockBoardCalls::clearingMarketsDropsAndAsksSubscribedAgain() {
    auto& call = Make(snapshot_);
    auto& related = Make(related_);
    for (const char* code : {"SZ000001", "SH600000"}) {
        call.AttachNode(NodeFor(code, "10002"));
        Answer(call, RequestsOf(*h_.backend, 10002).last(), SnapshotBody(code, true, 1),
               Topic(code, "10002"));
        related.AttachNode(NodeFor(code, kRelated));
        Answer(related, RequestsOf(*h_.backend, 12755).last(), StockRelatedBody(code, 1),
               Topic(code, kRelated));
    }
    h_.backend->Push(10001, LastPricePush("SZ000002", 3));  // cached, not subscribed
    QTRY_VERIFY_WITH_TIMEOUT(call.Cache().Contains(Topic("SZ000002", "10001")), kWaitMs);

    for (const char* dropped : {"lv2-10002 .*10002 - SZ000001", "lv2-10002 .*10001 - SZ000002",
                                "lv2-12755 .*12755_stock_related - SZ000001"}) {
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(dropped));
    }
    h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                          QByteArray("SZ"));
    QCOMPARE(call.Cache().Keys(), QList<Topic>{Topic("SH600000", "10002")});
    QCOMPARE(related.Cache().Keys(), QList<Topic>{Topic("SH600000", kRelated)});
    // The subscribed SZ topics are asked again at once, nothing else.
    for (int function : {10002, 12755}) {
        const QList<ServerRequest> requests = RequestsOf(*h_.backend, function);
        QCOMPARE(requests.size(), 3);
        QCOMPARE(Flatten(requests.last().params).filter("Strings=").join(""),
                 QString("Strings=SZ000001"));
    }
    QVERIFY(call.GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));

    // A list of markets: i16 count, then per item an i16 length and its bytes.
    h_.backend->Push(10001, LastPricePush("HH600000", 3));
    QTRY_VERIFY_WITH_TIMEOUT(call.Cache().Contains(Topic("HH600000", "10001")), kWaitMs);
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lv2-10002 .*10001 - HH600000"));
    HandLaid markets;
    h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码列表)"),
                                          markets.i16(2).str("SZ").str("HH").bytes());
    QCOMPARE(call.Cache().Keys(), QList<Topic>{Topic("SH600000", "10002")});
    QCOMPARE(related.Cache().Keys(), QList<Topic>{Topic("SH600000", kRelated)});
}

void TestStockBoardCalls::dataSetRequestedDeliveredAndPolled_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("mask");
    QTest::newRow("SZ") << "SZ000001" << 0x80 << 0xE20;
    QTest::newRow("SH") << "SH600000" << 0x80 << 0xE20;
    QTest::newRow("HH, no LV2") << "HH600000" << 0 << 0x400;
    QTest::newRow("HZ, no LV2") << "HZ000001" << 0 << 0x400;
    QTest::newRow("SO, no LV2") << "SO10000001" << 0 << 0x20;
    QTest::newRow("other") << "BJ830000" << 0 << 0x20;
}

void TestStockBoardCalls::dataSetRequestedDeliveredAndPolled() {
    QFETCH(QString, code);
    QFETCH(int, flags);
    QFETCH(int, mask);
    auto& call = Make(dataSet_);
    QCOMPARE(call.GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"10012"}));
    QVERIFY(h_.accessor->IsSerial(10012));
    const ScopeTreeNode node = NodeFor(code, "10012");
    call.AttachNode(node);
    const ServerRequest request = h_.WaitForRequestOf(10012, 1);
    QCOMPARE(int(request.flags), flags);
    QCOMPARE(Flatten(request.params),
             (QStringList{"Int16U=0", "Int16U=1", "Strings=" + code,
                          "Int32U=" + QString::number(mask), "Int32U=0", "Int32U=0"}));
    HandLaid b;  // the price limits only
    b.header14().u16(1).str(code).u32(0x20).i32(1100).i32(900);
    QVERIFY(h_.backend->Answer(request, b.bytes()));
    QTRY_COMPARE_WITH_TIMEOUT(h_.Queued(), 1, kWaitMs);
    const QuoteTaskExecMidResult result = h_.Pop();
    QCOMPARE(result.scope_id, node.scope_id);
    QCOMPARE(result.data->row.Get("limit_down_price").DisplayText(), QString("9.00"));
    QVERIFY(call.GetDriver()->PollingSet().Contains(Topic(code, "10012")));
    call.GetDriver()->OnPollingTick();
    QCOMPARE(RequestsOf(*h_.backend, 10012).size(), 2);
}

void TestStockBoardCalls::stockRelatedRequestAnswerAndBadBody() {
    auto& call = Make(related_);
    QCOMPARE(call.GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{kRelated}));
    QVERIFY(h_.accessor->IsSerial(12755));
    const ScopeTreeNode node = NodeFor("SZ300750", kRelated);
    const ScopeTreeNode twin = NodeFor("SZ300750", kRelated);
    call.AttachNode(node);
    call.AttachNode(twin);  // same topic: one request
    call.AttachNode(NodeFor("SH600000", kRelated));
    const ServerRequest first = h_.WaitForRequestOf(12755, 1);
    const ServerRequest second = h_.WaitForRequestOf(12755, 2);
    QCOMPARE(RequestsOf(*h_.backend, 12755).size(), 2);
    QCOMPARE(first.flags, quint16(0));
    QCOMPARE(Flatten(first.params), (QStringList{"Int16=107", "Int32=1073742848", "Int32=32",
                                                 "Int32=0", "Strings=SZ300750"}));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("lv2-12755 \\{:SEPARATOR\\} DecodeStockRelatedBody.*"));
    QVERIFY(h_.backend->Answer(second, StockRelatedBody("SH600000", 2).left(60)));
    QVERIFY(h_.backend->Answer(first, StockRelatedBody("SZ300750", 4321)));
    QTRY_COMPARE_WITH_TIMEOUT(h_.Queued(), 2, kWaitMs);  // one per node of the stock
    QCOMPARE(call.Cache().Keys(), QList<Topic>{Topic("SZ300750", kRelated)});
    const QuoteTaskExecMidResult result = h_.Pop();
    QCOMPARE(result.scope_id, node.scope_id);
    const auto* entity = dynamic_cast<const ResponsePkgEntity_12755*>(result.data.data());
    QVERIFY(entity != nullptr);
    QCOMPARE(entity->FloatRatio20d(), 4321);
    call.DetachNode(node);
    QCOMPARE(call.ActiveTopics().size(), std::size_t(2));
    call.DetachNode(twin);  // the last subscriber of the stock
    QCOMPARE(call.ActiveTopics(), (std::set<Topic>{Topic("SH600000", kRelated)}));
}

QTEST_GUILESS_MAIN(TestStockBoardCalls)
#include "tst_stockboardcalls.moc"
