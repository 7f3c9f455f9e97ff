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
using SnapshotCall = QzLv2RemoteApiCall_10002;
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

QByteArray StockRelated(const QString& code) {
    return StockRelatedBody(code, 107, 0x40000400, 0x20);
}

const StockSnapshot* SnapshotOf(const QuoteTaskExecMidResult& result) {
    const auto* entity = dynamic_cast<const ResponsePkgEntity_10002*>(result.data.data());
    return entity != nullptr ? &entity->snapshot : nullptr;
}

}  // namespace

class TestStockBoardCalls : public CallTest {
    Q_OBJECT

private slots:
    // The call a node reaches by its API type, and the flags and parameters that call asks with.
    void requestFlagsAndParams_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("params");  // comma-separated
        const auto row = [](const char* name, const char* kind, const QString& code, int function,
                            int flags, const QString& params) {
            QTest::newRow(name) << QString(kind) << code << function << flags << params.arg(code);
        };
        const auto snapshot = [](const char* masks) {
            return QString("Int16U=0,Int16U=0,Strings=%1,") + masks;
        };
        const char* const snapshotKind = "Int32U=1612705839,Int32U=540966474,Int32U=20484";
        row("10001, push kind, LV2", "10001", "SZ000001", 10002, 0x80,
            snapshot("Int32U=425725919,Int32U=1614808085,Int32U=16384"));
        row("10002, snapshot kind, LV2", "10002", "SH600000", 10002, 0x80, snapshot(snapshotKind));
        row("10002, no LV2", "10002", "HK00700", 10002, 0, snapshot(snapshotKind));
        row("10000, zero masks", "10000", "SH600000", 10002, 0x80,
            snapshot("Int32U=0,Int32U=0,Int32U=0"));
        const QString dataSet = "Int16U=0,Int16U=1,Strings=%1,Int32U=%2,Int32U=0,Int32U=0";
        row("10012, SZ", "10012", "SZ000001", 10012, 0x80, dataSet.arg("%1", "3616"));  // 0xE20
        row("10012, HH", "10012", "HH600000", 10012, 0, dataSet.arg("%1", "1024"));     // 0x400
        row("10012, other", "10012", "SO10000001", 10012, 0, dataSet.arg("%1", "32"));  // 0x20
        row("12755, LV2 or not", kRelated, "SZ300750", 12755, 0,
            "Int16=107,Int32=1073742848,Int32=32,Int32=0,Strings=%1");
    }

    void requestFlagsAndParams() {
        QFETCH(QString, kind);
        QFETCH(QString, code);
        QFETCH(int, function);
        QFETCH(int, flags);
        QFETCH(QString, params);
        const auto snapshot = h_.Make<SnapshotCall>();
        const auto dataSet = h_.Make<QzLv2RemoteApiCall_10012>();
        const auto related = h_.Make<StockRelatedCall>();
        for (RemoteApiCall* call : {static_cast<RemoteApiCall*>(snapshot.get()),
                                    static_cast<RemoteApiCall*>(dataSet.get()),
                                    static_cast<RemoteApiCall*>(related.get())}) {
            if (call->GetSupportedTypeSet().count(kind) != 0)
                call->AttachNode(NodeFor(code, kind));
        }
        const ServerRequest request = h_.WaitForRequestOf(function, 1);
        QCOMPARE(int(request.flags), flags);
        QVERIFY(request.context.isNull());
        QCOMPARE(Flatten(request.params), params.split(','));
    }

    void snapshotAnswersDeliveredAndPolledLyingOneRefused() {
        const auto call = h_.Make<SnapshotCall>();
        call->AttachNode(NodeFor("SZ000001", "10002"));
        const ServerRequest first = h_.WaitForRequestOf(10002, 1);
        const ScopeTreeNode node = NodeFor("SH600000", "10002");
        call->AttachNode(node);
        const ServerRequest second = h_.WaitForRequestOf(10002, 2);
        HandLaid lying;  // mask 2 auctions announce 500 points that are not there
        lying.header14().u16(1).u32(0x1 | 0x20).u32(0x40000000).u32(0).str("SZ000001").u16(7);
        lying.i32(1).u32(2).u16(500).i32(0).u32(0).u32(0);
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression("lv2-10002 \\{:SEPARATOR\\} DecodeStockSnapshotBody.*"
                                             "offset \\d+.*body length \\d+"));
        QVERIFY(h_.backend->Answer(first, lying.bytes()));
        const Topic topic("SH600000", "10002");
        Answer(*call, second, SnapshotBody("SH600000", true, 1234), topic);
        QCOMPARE(call->Cache().Keys(), QList<Topic>{topic});
        const QuoteTaskExecMidResult result = h_.Next();
        QCOMPARE(result.scope_id, node.scope_id);
        QCOMPARE(SnapshotOf(result)->last_price, 1234);
        QVERIFY(call->GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PollingSet().Contains(topic), kWaitMs);
        call->GetDriver()->OnPollingTick();
        QCOMPARE(h_.RequestsOf(10002).size(), 3);
        QVERIFY(h_.RequestsOf(10000).isEmpty());
    }

    void pushKindJoinsPushListAndPushesMerge() {
        const auto call = h_.Make<SnapshotCall>();
        QVERIFY(h_.accessor->IsSerial(10000) && h_.accessor->IsSerial(10002));
        QVERIFY(h_.accessor->IsPush(10001));
        call->GetDriver()->OnPushRefreshTick();  // an empty push list is mode 1
        QCOMPARE(
            Flatten(h_.WaitForRequestOf(10000, 1).params),
            (QStringList{"Int16U=0", "Int16U=1", "Strings=", "Int32U=0", "Int32U=0", "Int32U=0"}));

        // An answer without the stock type is push kind: the topic joins the push list.
        const ScopeTreeNode node = NodeFor("SZ000001", "10001");
        call->AttachNode(node);
        const Topic topic("SZ000001", "10001");
        Answer(*call, h_.WaitForRequestOf(10002, 1), SnapshotBody("SZ000001", false, 100, "Bank"),
               topic);
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PushSet().Contains(topic), kWaitMs);
        const ServerRequest list = h_.WaitForRequestOf(10000, 2);
        QCOMPARE(list.flags, quint16(0));
        QCOMPARE(Flatten(list.params),
                 (QStringList{"Int16U=0", "Int16U=4", "Strings=SZ000001", "Int32U=425725919",
                              "Int32U=1614808085", "Int32U=0"}));
        QCOMPARE(h_.Next().scope_id, node.scope_id);
        QVERIFY(!call->Cache().Contains(Topic("SZ000001", "10002")));

        // Pushes only cache and publish, merged onto the cached record.
        const int requestsBefore = h_.backend->Requests().size();
        h_.backend->Push(10001, LastPricePush("SZ000001", 101));
        h_.backend->Push(10001, LastPricePush("SH600009", 55));  // nobody subscribes: still cached
        QTRY_VERIFY_WITH_TIMEOUT(call->Cache().Contains(Topic("SH600009", "10001")), kWaitMs);
        QCOMPARE(h_.Queued(), 1);
        const StockSnapshot* merged = SnapshotOf(h_.Next());
        QCOMPARE(merged->last_price, 101);
        QCOMPARE(merged->name, QString("Bank"));  // not carried by the push: kept
        QCOMPARE(merged->mask1, 0x801u);          // the push's masks; carried keeps the answer's
        QVERIFY(merged->Has1(snapshot::kName));
        QCOMPARE(h_.backend->Requests().size(), requestsBefore);
        QVERIFY(!call->GetDriver()->PushSet().Contains(Topic("SH600009", "10001")));
    }

    void clearingMarketsDropsAndAsksSubscribedAgain() {
        const auto call = h_.Make<SnapshotCall>();
        const auto related = h_.Make<StockRelatedCall>();
        for (const char* code : {"SZ000001", "SH600000"}) {
            call->AttachNode(NodeFor(code, "10002"));
            Answer(*call, h_.RequestsOf(10002).last(), SnapshotBody(code, true, 1),
                   Topic(code, "10002"));
            related->AttachNode(NodeFor(code, kRelated));
            Answer(*related, h_.RequestsOf(12755).last(), StockRelated(code),
                   Topic(code, kRelated));
        }
        h_.backend->Push(10001, LastPricePush("SZ000002", 3));  // cached, not subscribed
        QTRY_VERIFY_WITH_TIMEOUT(call->Cache().Contains(Topic("SZ000002", "10001")), kWaitMs);

        for (const char* dropped : {"lv2-10002 .*10002 - SZ000001", "lv2-10002 .*10001 - SZ000002",
                                    "lv2-12755 .*12755_stock_related - SZ000001"}) {
            QTest::ignoreMessage(QtInfoMsg, QRegularExpression(dropped));
        }
        h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                              QByteArray("SZ"));
        QCOMPARE(call->Cache().Keys(), QList<Topic>{Topic("SH600000", "10002")});
        QCOMPARE(related->Cache().Keys(), QList<Topic>{Topic("SH600000", kRelated)});
        // The subscribed SZ topics are asked again at once, nothing else.
        for (int function : {10002, 12755}) {
            const QList<ServerRequest> requests = h_.RequestsOf(function);
            QCOMPARE(requests.size(), 3);
            QCOMPARE(Flatten(requests.last().params).filter("Strings=").join(""),
                     QString("Strings=SZ000001"));
        }
        QVERIFY(call->GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));

        // A list of markets: i16 count, then per item an i16 length and its bytes.
        h_.backend->Push(10001, LastPricePush("HH600000", 3));
        QTRY_VERIFY_WITH_TIMEOUT(call->Cache().Contains(Topic("HH600000", "10001")), kWaitMs);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lv2-10002 .*10001 - HH600000"));
        HandLaid markets;
        h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码列表)"),
                                              markets.i16(2).str("SZ").str("HH").bytes());
        QCOMPARE(call->Cache().Keys(), QList<Topic>{Topic("SH600000", "10002")});
        QCOMPARE(related->Cache().Keys(), QList<Topic>{Topic("SH600000", kRelated)});
    }

    void stockRelatedAnswerBadBodyAndActiveTopics() {
        const auto call = h_.Make<StockRelatedCall>();
        QVERIFY(h_.accessor->IsSerial(12755));
        const ScopeTreeNode node = NodeFor("SZ300750", kRelated);
        const ScopeTreeNode twin = NodeFor("SZ300750", kRelated);
        for (const ScopeTreeNode& n : {node, twin, NodeFor("SH600000", kRelated)})
            call->AttachNode(n);  // the twin asks nothing
        const ServerRequest first = h_.WaitForRequestOf(12755, 1);
        const ServerRequest second = h_.WaitForRequestOf(12755, 2);
        QCOMPARE(h_.RequestsOf(12755).size(), 2);
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression("lv2-12755 \\{:SEPARATOR\\} DecodeStockRelatedBody.*"));
        QVERIFY(h_.backend->Answer(second, StockRelated("SH600000").left(60)));
        QVERIFY(h_.backend->Answer(first, StockRelated("SZ300750")));
        const QList<QuoteTaskExecMidResult> results = h_.Take(2);  // one per node of the stock
        QCOMPARE(results.size(), 2);
        QCOMPARE(call->Cache().Keys(), QList<Topic>{Topic("SZ300750", kRelated)});
        QCOMPARE(results[0].scope_id, node.scope_id);
        const auto* entity = dynamic_cast<const ResponsePkgEntity_12755*>(results[0].data.data());
        QCOMPARE(entity->FloatRatio20d(), 12345);
        // Clearing re-asks only active topics: a stock is active until its last subscriber leaves.
        call->DetachNode(node);
        QCOMPARE(call->ActiveTopics().size(), std::size_t(2));
        call->DetachNode(twin);
        QCOMPARE(call->ActiveTopics(), (std::set<Topic>{Topic("SH600000", kRelated)}));
    }

    // An answer carrying only the after-close group leaves the cached ratios and category as they
    // were; the published package before it stays as it was published.
    void stockRelatedMessageKeepsTheGroupsItLeavesOut() {
        const auto call = h_.Make<StockRelatedCall>();
        call->AttachNode(NodeFor("SZ300750", kRelated));
        const ServerRequest request = h_.WaitForRequestOf(12755, 1);
        QVERIFY(h_.backend->Answer(request, StockRelated("SZ300750")));
        const QList<QuoteTaskExecMidResult> first = h_.Take(1);
        QVERIFY(h_.backend->Answer(request, StockRelatedBody("SZ300750", 107, 0x40000000, 0)));
        const QList<QuoteTaskExecMidResult> second = h_.Take(1);
        QCOMPARE(second.size(), 1);
        const auto* merged = dynamic_cast<const ResponsePkgEntity_12755*>(second[0].data.data());
        QVERIFY(merged != nullptr);
        QVERIFY(merged->has_ratios && merged->has_after_close && merged->has_category);
        QCOMPARE(merged->FloatRatio20d(), 12345);
        QCOMPARE(merged->TurnoverRatio20d(), -6789);
        QCOMPARE(merged->AfterCloseVolume(), -150);
        QCOMPARE(merged->Category(), quint8(25));
        QCOMPARE(merged->mask1, quint32(0x40000000));  // the masks are the last message's
        QCOMPARE((*call->Cache().Get(Topic("SZ300750", kRelated))).FloatRatio20d(), 12345);
        const auto* earlier = dynamic_cast<const ResponsePkgEntity_12755*>(first[0].data.data());
        QVERIFY(earlier != merged && earlier->mask1 == 0x40000400);
    }

private:
    // Answers the request and waits until the call cached the topic.
    template <typename Call>
    void Answer(Call& call, const ServerRequest& request, const QByteArray& body,
                const Topic& topic) {
        QVERIFY(h_.backend->Answer(request, body));
        QTRY_VERIFY_WITH_TIMEOUT(call.Cache().Contains(topic), kWaitMs);
    }
};

QTEST_GUILESS_MAIN(TestStockBoardCalls)
#include "tst_stockboardcalls.moc"
