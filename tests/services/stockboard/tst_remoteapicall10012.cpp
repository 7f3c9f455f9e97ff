#include <QtTest>

#include "services/stockboard/QzLv2RemoteApiCall_10012.h"
#include "tests/services/stockboard/CallTestSupport.h"
#include "tests/services/stockboard/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_10002;

class TestRemoteApiCall10012 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void registersInInit();
    void request_data();
    void request();
    void answerDeliveredAndPolled();

private:
    Harness h_;
    std::unique_ptr<QzLv2RemoteApiCall_10012> call_;
};

void TestRemoteApiCall10012::init() {
    h_.Start();
    call_ = std::make_unique<QzLv2RemoteApiCall_10012>(&h_.configuration, h_.accessor.get());
}

void TestRemoteApiCall10012::cleanup() {
    call_.reset();
    h_.Stop();
}

void TestRemoteApiCall10012::registersInInit() {
    QVERIFY(!h_.accessor->IsSerial(10012));
    call_->Init();
    QVERIFY(h_.accessor->IsSerial(10012));
    QCOMPARE(call_->GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"10012"}));
    QCOMPARE(call_->GetDriver()->AwaitingIntervalMs(), 3000);
    QCOMPARE(call_->GetDriver()->PollingIntervalMs(), 3000);
    QCOMPARE(call_->GetDriver()->PushRefreshIntervalMs(), -1);
}

void TestRemoteApiCall10012::request_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("mask");
    QTest::newRow("SZ") << "SZ000001" << 0x80 << 0xE20;
    QTest::newRow("HZ, no LV2") << "HZ000001" << 0 << 0x400;
    QTest::newRow("SO, no LV2") << "SO10000001" << 0 << 0x20;
}

void TestRemoteApiCall10012::request() {
    QFETCH(QString, code);
    QFETCH(int, flags);
    QFETCH(int, mask);
    call_->Init();
    call_->AttachNode(NodeFor(code, "10012"));
    const ServerRequest request = h_.WaitForRequestOf(10012, 1);
    QCOMPARE(int(request.flags), flags);
    QCOMPARE(Flatten(request.params),
             (QStringList{"Int16U=0", "Int16U=1", "Strings=" + code,
                          "Int32U=" + QString::number(mask), "Int32U=0", "Int32U=0"}));
}

void TestRemoteApiCall10012::answerDeliveredAndPolled() {
    call_->Init();
    const ScopeTreeNode node = NodeFor("SH600000", "10012");
    call_->AttachNode(node);
    HandLaid b;
    b.header14().u16(1).str("SH600000").u32(0x20).i32(1100).i32(900);
    QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(10012, 1), b.bytes()));
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
    const QuoteTaskExecMidResult result = PopNow(*h_.context);
    QCOMPARE(result.scope_id, node.scope_id);
    QCOMPARE(result.data->row.Get("limit_down_price").DisplayText(), QString("9.00"));
    const Topic topic("SH600000", "10012");
    QVERIFY(call_->GetDriver()->PollingSet().Contains(topic));
    call_->GetDriver()->OnPollingTick();
    QCOMPARE(RequestsOf(*h_.backend, 10012).size(), 2);
}

QTEST_GUILESS_MAIN(TestRemoteApiCall10012)
#include "tst_remoteapicall10012.moc"
