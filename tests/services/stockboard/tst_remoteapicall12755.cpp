#include <QtTest>

#include "services/stockboard/QzLv2RemoteApiCall_12755_Stock_Related.h"
#include "tests/services/stockboard/CallTestSupport.h"
#include "tests/services/stockboard/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_10002;

namespace {

QByteArray Body(const QString& code, qint32 floatRatio20d) {
    HandLaid b;
    b.u32(0).u32(0).u16(107).u32(0x40000400).u32(0x20).u32(0).u16(0).i16(1);
    b.str(code).str("x").u8(0).u8(1).zeros(24);
    b.i32(0).i32(0).i32(floatRatio20d).i32(0);
    b.i32(10).i32(20).i32(30);
    b.u8(0).u8(25).u8(0);
    return b.bytes();
}

}  // namespace

class TestRemoteApiCall12755 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void requestOnFirstSubscriber();
    void answerDelivered();
    void rejectedBodyChangesNothing();
    void clearingMarketRequestsSubscribedAgain();

private:
    Harness h_;
    std::unique_ptr<QzLv2RemoteApiCall_12755_Stock_Related> call_;
};

void TestRemoteApiCall12755::init() {
    h_.Start();
    call_ = std::make_unique<QzLv2RemoteApiCall_12755_Stock_Related>(&h_.configuration,
                                                                     h_.accessor.get());
    call_->Init();
}

void TestRemoteApiCall12755::cleanup() {
    call_.reset();
    h_.Stop();
}

void TestRemoteApiCall12755::requestOnFirstSubscriber() {
    QCOMPARE(call_->GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{"12755_stock_related"}));
    QVERIFY(h_.accessor->IsSerial(12755));
    call_->AttachNode(NodeFor("SZ300750", "12755_stock_related"));
    call_->AttachNode(NodeFor("SZ300750", "12755_stock_related"));  // same topic: one request
    const ServerRequest request = h_.WaitForRequestOf(12755, 1);
    QCOMPARE(request.flags, quint16(0));
    QCOMPARE(Flatten(request.params), (QStringList{"Int16=107", "Int32=1073742848", "Int32=32",
                                                   "Int32=0", "Strings=SZ300750"}));
    QCOMPARE(RequestsOf(*h_.backend, 12755).size(), 1);
    QCOMPARE(call_->ActiveTopics(), (std::set<Topic>{Topic("SZ300750", "12755_stock_related")}));
}

void TestRemoteApiCall12755::answerDelivered() {
    const ScopeTreeNode node = NodeFor("SZ300750", "12755_stock_related");
    call_->AttachNode(node);
    QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12755, 1), Body("SZ300750", 4321)));
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
    const QuoteTaskExecMidResult result = PopNow(*h_.context);
    QCOMPARE(result.scope_id, node.scope_id);
    const auto* entity = dynamic_cast<const ResponsePkgEntity_12755*>(result.data.data());
    QVERIFY(entity != nullptr);
    QCOMPARE(entity->FloatRatio20d(), 4321);
    call_->DetachNode(node);
    QVERIFY(call_->ActiveTopics().empty());
}

void TestRemoteApiCall12755::rejectedBodyChangesNothing() {
    call_->AttachNode(NodeFor("SZ300750", "12755_stock_related"));
    call_->AttachNode(NodeFor("SH600000", "12755_stock_related"));
    const ServerRequest first = h_.WaitForRequestOf(12755, 1);
    const ServerRequest second = h_.WaitForRequestOf(12755, 2);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("lv2-12755 \\{:SEPARATOR\\} DecodeStockRelatedBody.*"));
    QVERIFY(h_.backend->Answer(first, Body("SZ300750", 1).left(60)));
    QVERIFY(h_.backend->Answer(second, Body("SH600000", 2)));
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(Topic("SH600000", "12755_stock_related")),
                             5000);
    QCOMPARE(call_->Cache().Size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(h_.context->GetQuoteTaskExecMidResultQueue().Size(), 1, 5000);
}

void TestRemoteApiCall12755::clearingMarketRequestsSubscribedAgain() {
    call_->AttachNode(NodeFor("SZ300750", "12755_stock_related"));
    call_->AttachNode(NodeFor("SH600000", "12755_stock_related"));
    QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12755, 1), Body("SZ300750", 1)));
    QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12755, 2), Body("SH600000", 1)));
    QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Size(), 2, 5000);
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lv2-12755 \\{:SEPARATOR\\} clean cached "
                                                       " ?12755_stock_related - SZ300750"));
    h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                          QByteArray("SZ"));
    QCOMPARE(call_->Cache().Keys(), (QList<Topic>{Topic("SH600000", "12755_stock_related")}));
    const QList<ServerRequest> requests = RequestsOf(*h_.backend, 12755);
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.last().params.last().second.toStringList(), QStringList{"SZ300750"});
}

QTEST_GUILESS_MAIN(TestRemoteApiCall12755)
#include "tst_remoteapicall12755.moc"
