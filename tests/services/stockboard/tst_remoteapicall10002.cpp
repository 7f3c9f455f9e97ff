#include <QtTest>

#include "host/core/HostClock.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "tests/services/stockboard/CallTestSupport.h"
#include "tests/services/stockboard/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_10002;

namespace {

// A one-record answer: code, name, optionally the stock type (snapshot kind), last price.
QByteArray SnapshotBody(const QString& code, bool stockType, qint32 last,
                        const QString& name = "N") {
    HandLaid b;
    const quint32 mask1 = 0x1 | 0x2 | (stockType ? 0x20 : 0) | 0x800;
    b.header14().u16(1).u32(mask1).u32(0).u32(0).str(code).str(name);
    if (stockType)
        b.u16(7);
    b.i32(last);
    return b.bytes();
}

// A push carrying only code and last price.
QByteArray LastPricePush(const QString& code, qint32 last) {
    HandLaid b;
    b.header14().u16(1).u32(0x1 | 0x800).u32(0).u32(0).str(code).i32(last);
    return b.bytes();
}

const StockSnapshot* SnapshotOf(const QuoteTaskExecMidResult& result) {
    const auto* entity = dynamic_cast<const ResponsePkgEntity_10002*>(result.data.data());
    return entity != nullptr ? &entity->snapshot : nullptr;
}

// A string list in the archive encoding: i16 count, then per item an i16 length and its bytes.
QByteArray MarketListPayload(const QStringList& markets) {
    HandLaid b;
    b.i16(markets.size());
    for (const QString& market : markets)
        b.str(market);  // lengths below 32768 read the same
    return b.bytes();
}

}  // namespace

class TestRemoteApiCall10002 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void initWiresTypesAndDriver();
    void snapshotRequest_data();
    void snapshotRequest();
    void snapshotAnswerIsDeliveredAndPolled();
    void answerWithoutStockTypeJoinsPushList();
    void emptyPushListIsModeOne();
    void rejectedBodyChangesNothing_data();
    void rejectedBodyChangesNothing();
    void pushOnlyCachesAndPublishesMerged();
    void clearingOneMarket();
    void clearingMarketList();
    void accessorDeletedBeforeCall();

private:
    void Answer(const ServerRequest& request, const QByteArray& body, const Topic& topic);

    Harness h_;
    std::unique_ptr<QzLv2RemoteApiCall_10002> call_;
};

void TestRemoteApiCall10002::init() {
    HostClock::SetForTest(1700000000000);
    h_.Start();
    call_ = std::make_unique<QzLv2RemoteApiCall_10002>(&h_.configuration, h_.accessor.get());
    call_->Init();
}

void TestRemoteApiCall10002::cleanup() {
    call_.reset();
    h_.Stop();
    HostClock::UseSystemClock();
}

void TestRemoteApiCall10002::Answer(const ServerRequest& request, const QByteArray& body,
                                    const Topic& topic) {
    QVERIFY(h_.backend->Answer(request, body));
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(topic), 5000);
}

void TestRemoteApiCall10002::initWiresTypesAndDriver() {
    QCOMPARE(call_->GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"10000", "10001", "10002"}));
    QVERIFY(h_.accessor->IsSerial(10000));
    QVERIFY(h_.accessor->IsSerial(10002));
    QVERIFY(h_.accessor->IsPush(10001));
    auto* driver = call_->GetDriver();
    QVERIFY(driver != nullptr);
    QCOMPARE(driver->AwaitingIntervalMs(), 3000);
    QCOMPARE(driver->PollingIntervalMs(), 3000);
    QCOMPARE(driver->PushRefreshIntervalMs(), 25000);
    QCOMPARE(driver->PushPurgeIntervalMs(), 2000);
    QCOMPARE(call_->Cache().Capacity(), 100);
}

void TestRemoteApiCall10002::snapshotRequest_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("params");
    QTest::newRow("push kind, LV2 stock")
        << "SZ000001"
        << "10001" << 0x80
        << QStringList{"Int16U=0",         "Int16U=0",          "Strings=SZ000001",
                       "Int32U=425725919", "Int32U=1614808085", "Int32U=16384"};
    QTest::newRow("snapshot kind, LV2 stock")
        << "SH600000"
        << "10002" << 0x80
        << QStringList{"Int16U=0",          "Int16U=0",         "Strings=SH600000",
                       "Int32U=1612705839", "Int32U=540966474", "Int32U=20484"};
    QTest::newRow("snapshot kind, no LV2")
        << "HK00700"
        << "10002" << 0 << QStringList{"Int16U=0",          "Int16U=0",         "Strings=HK00700",
                                       "Int32U=1612705839", "Int32U=540966474", "Int32U=20484"};
    QTest::newRow("other kind: zero masks")
        << "SH600000"
        << "10000" << 0x80 << QStringList{"Int16U=0", "Int16U=0", "Strings=SH600000",
                                          "Int32U=0", "Int32U=0", "Int32U=0"};
}

void TestRemoteApiCall10002::snapshotRequest() {
    QFETCH(QString, code);
    QFETCH(QString, kind);
    QFETCH(int, flags);
    QFETCH(QStringList, params);
    call_->AttachNode(NodeFor(code, kind));
    const ServerRequest request = h_.WaitForRequestOf(10002, 1);
    QCOMPARE(request.funcId, 10002);
    QCOMPARE(int(request.flags), flags);
    QVERIFY(request.context.isNull());
    QCOMPARE(Flatten(request.params), params);
}

void TestRemoteApiCall10002::snapshotAnswerIsDeliveredAndPolled() {
    const ScopeTreeNode node = NodeFor("SH600000", "10002");
    call_->AttachNode(node);
    const Topic topic("SH600000", "10002");
    Answer(h_.WaitForRequestOf(10002, 1), SnapshotBody("SH600000", true, 1234), topic);
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
    const QuoteTaskExecMidResult result = PopNow(*h_.context);
    QCOMPARE(result.scope_id, node.scope_id);
    QVERIFY(SnapshotOf(result) != nullptr);
    QCOMPARE(SnapshotOf(result)->last_price, 1234);
    QVERIFY(call_->GetDriver()->PollingSet().Contains(topic));
    QVERIFY(!call_->GetDriver()->AwaitingSet().Contains(topic));
    call_->GetDriver()->OnPollingTick();
    QCOMPARE(RequestsOf(*h_.backend, 10002).size(), 2);
    QVERIFY(RequestsOf(*h_.backend, 10000).isEmpty());
}

void TestRemoteApiCall10002::answerWithoutStockTypeJoinsPushList() {
    const ScopeTreeNode node = NodeFor("SZ000001", "10001");
    call_->AttachNode(node);
    const Topic topic("SZ000001", "10001");
    Answer(h_.WaitForRequestOf(10002, 1), SnapshotBody("SZ000001", false, 999), topic);
    QVERIFY(call_->GetDriver()->PushSet().Contains(topic));
    const ServerRequest list = h_.WaitForRequestOf(10000, 1);
    QCOMPARE(list.flags, quint16(0));
    QCOMPARE(Flatten(list.params),
             (QStringList{"Int16U=0", "Int16U=4", "Strings=SZ000001", "Int32U=425725919",
                          "Int32U=1614808085", "Int32U=0"}));
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
    QCOMPARE(PopNow(*h_.context).scope_id, node.scope_id);
    QVERIFY(!call_->Cache().Contains(Topic("SZ000001", "10002")));
}

void TestRemoteApiCall10002::emptyPushListIsModeOne() {
    call_->GetDriver()->OnPushRefreshTick();
    const ServerRequest list = h_.WaitForRequestOf(10000, 1);
    QCOMPARE(Flatten(list.params),
             (QStringList{"Int16U=0", "Int16U=1", "Strings=", "Int32U=0", "Int32U=0", "Int32U=0"}));
}

void TestRemoteApiCall10002::rejectedBodyChangesNothing_data() {
    QTest::addColumn<QByteArray>("body");
    const QByteArray good = SnapshotBody("SZ000001", true, 1);
    QTest::newRow("truncated") << good.left(good.size() - 2);
    HandLaid lying;  // mask 2 auctions announce 500 points that are not there
    lying.header14().u16(1).u32(0x1 | 0x20).u32(0x40000000).u32(0).str("SZ000001").u16(7);
    lying.i32(1).u32(2).u16(500).i32(0).u32(0).u32(0);
    QTest::newRow("lying count") << lying.bytes();
}

void TestRemoteApiCall10002::rejectedBodyChangesNothing() {
    QFETCH(QByteArray, body);
    call_->AttachNode(NodeFor("SZ000001", "10002"));
    const ServerRequest first = h_.WaitForRequestOf(10002, 1);
    call_->AttachNode(NodeFor("SH600000", "10002"));
    const ServerRequest second = h_.WaitForRequestOf(10002, 2);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("lv2-10002 \\{:SEPARATOR\\} DecodeStockSnapshotBody.*"
                                            "offset \\d+.*body length \\d+"));
    QVERIFY(h_.backend->Answer(first, body));
    Answer(second, SnapshotBody("SH600000", true, 77), Topic("SH600000", "10002"));
    QVERIFY(!call_->Cache().Contains(Topic("SZ000001", "10002")));
    QVERIFY(!call_->Cache().Contains(Topic("SZ000001", "10001")));
    QCOMPARE(call_->Cache().Size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
    QCOMPARE(SnapshotOf(PopNow(*h_.context))->code, QString("SH600000"));
    QVERIFY(call_->GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));
}

void TestRemoteApiCall10002::pushOnlyCachesAndPublishesMerged() {
    call_->AttachNode(NodeFor("SZ000001", "10001"));
    const Topic topic("SZ000001", "10001");
    Answer(h_.WaitForRequestOf(10002, 1), SnapshotBody("SZ000001", false, 100, "Bank"), topic);
    h_.WaitForRequestOf(10000, 1);
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
    PopNow(*h_.context);
    const int requestsBefore = h_.backend->Requests().size();

    h_.backend->Push(10001, LastPricePush("SZ000001", 101));
    h_.backend->Push(10001, LastPricePush("SH600009", 55));  // nobody subscribes: still cached
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(Topic("SH600009", "10001")), 5000);
    QCOMPARE(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1);
    const StockSnapshot* merged = SnapshotOf(PopNow(*h_.context));
    QCOMPARE(merged->last_price, 101);
    QCOMPARE(merged->name, QString("Bank"));  // not carried by the push: kept
    QVERIFY(merged->Has1(snapshot::kName));
    QCOMPARE(h_.backend->Requests().size(), requestsBefore);
    QVERIFY(!call_->GetDriver()->PushSet().Contains(Topic("SH600009", "10001")));
}

void TestRemoteApiCall10002::clearingOneMarket() {
    call_->AttachNode(NodeFor("SZ000001", "10002"));
    Answer(h_.WaitForRequestOf(10002, 1), SnapshotBody("SZ000001", true, 1),
           Topic("SZ000001", "10002"));
    call_->AttachNode(NodeFor("SH600000", "10002"));
    Answer(h_.WaitForRequestOf(10002, 2), SnapshotBody("SH600000", true, 2),
           Topic("SH600000", "10002"));
    h_.backend->Push(10001, LastPricePush("SZ000002", 3));  // cached, not subscribed
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(Topic("SZ000002", "10001")), 5000);

    QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lv2-10002 \\{:SEPARATOR\\} clean cached "
                                                       " ?10002 - SZ000001"));
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lv2-10002 \\{:SEPARATOR\\} clean cached "
                                                       " ?10001 - SZ000002"));
    h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                          QByteArray("SZ"));
    QVERIFY(!call_->Cache().Contains(Topic("SZ000001", "10002")));
    QVERIFY(!call_->Cache().Contains(Topic("SZ000002", "10001")));
    QVERIFY(call_->Cache().Contains(Topic("SH600000", "10002")));
    const QList<ServerRequest> requests = RequestsOf(*h_.backend, 10002);
    QCOMPARE(requests.size(), 3);  // the subscribed SZ topic at once, nothing else
    QCOMPARE(requests.last().params.at(2).second.toStringList(), QStringList{"SZ000001"});
    QVERIFY(call_->GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));
}

void TestRemoteApiCall10002::clearingMarketList() {
    h_.backend->Push(10001, LastPricePush("SZ000002", 3));
    h_.backend->Push(10001, LastPricePush("SH600000", 3));
    h_.backend->Push(10001, LastPricePush("HH600000", 3));
    QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Size(), 3, 5000);
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(".*SZ000002"));
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(".*HH600000"));
    h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码列表)"),
                                          MarketListPayload({"SZ", "HH"}));
    QCOMPARE(call_->Cache().Keys(), (QList<Topic>{Topic("SH600000", "10001")}));
}

void TestRemoteApiCall10002::accessorDeletedBeforeCall() {
    call_->AttachNode(NodeFor("SZ000001", "10002"));
    h_.WaitForRequestOf(10002, 1);
    h_.accessor.reset();  // the quoter's order: accessors first, then calls
    call_.reset();
    QVERIFY(!call_);
}

QTEST_GUILESS_MAIN(TestRemoteApiCall10002)
#include "tst_remoteapicall10002.moc"
