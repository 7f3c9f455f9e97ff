// QzLv2RemoteApiCall_12989 on a fast-quote accessor bound to a scripted server: what it asks,
// when it asks again, what it publishes, caches, replays and signals, and what it refuses.
#include <QRegularExpression>
#include <QtTest>

#include "host/core/HostClock.h"
#include "host/quoter/QzSignalControlMgr.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch
const char* const kFastTen = "fast_ten_topic";

QByteArray Book(const QString& code, qint8 flag, qint32 price = 1050) {
    return fastquotebody::Body(code, {{price, 30000, 1, 0, {30000}}},
                               fastquotebody::Levels(2, price + 1, 1), flag);
}

QList<int> FastTenMessages() {
    QList<int> flags;
    for (const QVariant& message : QzSignalControlMgr::GetInstance()->Messages(kFastTen)) {
        flags << message.toInt();
    }
    return flags;
}

const ResponsePkgEntity_12989* Entity(const QuoteTaskExecMidResult& result) {
    return dynamic_cast<const ResponsePkgEntity_12989*>(result.data.data());
}

}  // namespace

class TestFastQuoteCall : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstSubscriberSendsOneRequestWithKeyGroup();
    void requestRepeatedOnlyAfterThreeSeconds();
    void answerReachesEveryNodeOfTheRequestedStock();
    void fastTenFlagSignalledOncePerChangeAcrossStocks();
    void cacheKeepsTenStocksAndReplaysToLateSubscriberAlone();
    void lyingBodyAndAnswerWithoutContextChangeNothing();

private:
    void Answer(const QString& code, const QByteArray& body);
    QList<QuoteTaskExecMidResult> TakeResults(int expected);

    Harness h_;
    QzLv2RemoteApiCall_12989* call_ = nullptr;
};

void TestFastQuoteCall::init() {
    HostClock::SetForTest(kStart);
    QzSignalControlMgr::GetInstance()->Reset();
    h_.Start("pcl2xtquote");
    h_.accessor->RegisterFuncAsSerial(12989);
    h_.accessor->RegisterFuncAsPush(12989);
    call_ = new QzLv2RemoteApiCall_12989(&h_.configuration, h_.accessor.get());
    call_->Init();
}

void TestFastQuoteCall::cleanup() {
    delete call_;  // as the quoter does: the calls go before the accessors
    h_.Stop();
    QzSignalControlMgr::GetInstance()->Reset();
    HostClock::UseSystemClock();
}

// Answers the request whose key group names the code.
void TestFastQuoteCall::Answer(const QString& code, const QByteArray& body) {
    for (const ServerRequest& request : h_.backend->Requests()) {
        if (request.context && request.context->keyGroup.Value("stock_code").ToString() == code) {
            QVERIFY(h_.backend->Answer(request, body));
            return;
        }
    }
    QFAIL(qPrintable("no request for " + code));
}

QList<QuoteTaskExecMidResult> TestFastQuoteCall::TakeResults(int expected) {
    QList<QuoteTaskExecMidResult> results;
    QuoteTaskExecMidResult result;
    while (results.size() < expected &&
           h_.context->GetQuoteTaskExecMidResultQueue().Pop(result, kWaitMs)) {
        results << result;
    }
    return results;
}

void TestFastQuoteCall::firstSubscriberSendsOneRequestWithKeyGroup() {
    QCOMPARE(call_->GetSupportedTypeSet(), std::set<ScopeTypeVariant>{ScopeTypeVariant("12989")});
    call_->AttachNode(NodeFor("SH600000", "12989"));
    call_->AttachNode(NodeFor("SH600000", "12989"));  // same topic: no second request
    const QList<ServerRequest> requests = h_.backend->Requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].funcId, 12989);
    QCOMPARE(int(requests[0].flags), 0);
    QCOMPARE(Flatten(requests[0].params),
             (QStringList{"String=SH600000", "Int16U=10", "Int16U=0", "Int16U=0", "Int16U=3",
                          "Int08=1", "Int08=4"}));
    QVERIFY(requests[0].context);
    QStringList keys;
    for (const auto& item : requests[0].context->keyGroup.Items()) {
        keys << item.first + "=" + item.second.ToString();
    }
    QCOMPARE(keys, (QStringList{"stock_code=SH600000", "index=0", "count=10",
                                "timestamp=" + QString::number(kStart)}));
    QCOMPARE(requests[0].context->keyGroup.Value("timestamp").ToDataCell(),
             nscell::UnsharedDataCell::FromInteger(kStart));
}

void TestFastQuoteCall::requestRepeatedOnlyAfterThreeSeconds() {
    const ScopeTreeNode node = NodeFor("SZ000001", "12989");
    call_->AttachNode(node);
    QCOMPARE(h_.backend->Requests().size(), 1);
    // Gone and back exactly 3000 ms after the request: the request is still recent.
    call_->DetachNode(node);
    HostClock::AdvanceForTest(3000);
    call_->AttachNode(node);
    QCOMPARE(h_.backend->Requests().size(), 1);
    // Another stock is not held back by it.
    call_->AttachNode(NodeFor("SZ000002", "12989"));
    QCOMPARE(h_.backend->Requests().size(), 2);
    // One ms later the first request has aged out: asked anew, with the new time.
    call_->DetachNode(node);
    HostClock::AdvanceForTest(1);
    call_->AttachNode(node);
    const QList<ServerRequest> requests = h_.backend->Requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.last().context->keyGroup.Value("stock_code").ToString(), QString("SZ000001"));
    QCOMPARE(requests.last().context->keyGroup.Value("timestamp").ToInt64(), kStart + 3001);
}

void TestFastQuoteCall::answerReachesEveryNodeOfTheRequestedStock() {
    const ScopeTreeNode first = NodeFor("SH600000", "12989");
    const ScopeTreeNode second = NodeFor("SH600000", "12989");
    call_->AttachNode(first);
    call_->AttachNode(second);
    call_->AttachNode(NodeFor("SH600001", "12989"));
    QCOMPARE(call_->AttachedNodeCount(), 3);
    // Published under the code of the request's key group, cached under the body's code.
    Answer("SH600000", Book("SH688001", 0));
    const QList<QuoteTaskExecMidResult> results = TakeResults(2);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results[0].scope_id, first.scope_id);
    QCOMPARE(results[1].scope_id, second.scope_id);
    QVERIFY(Entity(results[0]) != nullptr);
    QCOMPARE(results[0].data, results[1].data);  // one package, shared
    QCOMPARE(Entity(results[0])->wills.buy_rows[0].Get("price"),
             nscell::UnsharedDataCell::FromBigInteger(1050));
    QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Keys(), QList<QString>{"SH688001"}, kWaitMs);
    QCOMPARE(h_.Queued(), 0);
}

void TestFastQuoteCall::fastTenFlagSignalledOncePerChangeAcrossStocks() {
    call_->AttachNode(NodeFor("SH600000", "12989"));
    call_->AttachNode(NodeFor("SZ000001", "12989"));
    QCOMPARE(int(call_->LastFastTenFlag()), -1);
    const QList<QPair<QString, int>> answers = {
        {"SH600000", 0},  // first answer: signalled although 0
        {"SH600000", 0},  // same: nothing
        {"SZ000001", 0},  // another stock, same flag: nothing (one flag for the call)
        {"SZ000001", 1},  // change
        {"SH600000", 1},  // same as the last one: nothing
        {"SH600000", -1}  // change
    };
    for (const auto& answer : answers) {
        Answer(answer.first, Book(answer.first, qint8(answer.second)));
    }
    QCOMPARE(TakeResults(answers.size()).size(), answers.size());
    QCOMPARE(FastTenMessages(), (QList<int>{0, 1, -1}));
    QCOMPARE(QzSignalControlMgr::GetInstance()->MessageCount(kFastTen), 3);
    QCOMPARE(int(call_->LastFastTenFlag()), -1);
}

void TestFastQuoteCall::cacheKeepsTenStocksAndReplaysToLateSubscriberAlone() {
    QStringList codes;
    for (int i = 0; i < 11; ++i) {
        codes << QString("SZ0000%1").arg(i, 2, 10, QChar('0'));
        call_->AttachNode(NodeFor(codes.last(), "12989"));
        Answer(codes.last(), Book(codes.last(), 1));
    }
    QCOMPARE(TakeResults(codes.size()).size(), codes.size());
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(codes.last()), kWaitMs);
    QCOMPARE(call_->Cache().Size(), 10);
    QVERIFY(!call_->Cache().Contains(codes.first()));

    const ScopeTreeNode late = NodeFor(codes.last(), "12989");
    call_->AttachNode(late);  // on this thread, at once
    QCOMPARE(h_.Queued(), 1);
    const QuoteTaskExecMidResult replayed = h_.Pop();
    QCOMPARE(replayed.scope_id, late.scope_id);
    QVERIFY(Entity(replayed) != nullptr);
    QCOMPARE(int(Entity(replayed)->fast_ten_flag), 1);
    QCOMPARE(Entity(replayed)->wills.buy_rows.size(), std::size_t(10));
    QCOMPARE(Entity(replayed)->gears.sell_levels.size(), 10);
    QCOMPARE(h_.backend->Requests().size(), codes.size());
    // A stock no longer cached replays nothing.
    call_->AttachNode(NodeFor(codes.first(), "12989"));
    QCOMPARE(h_.Queued(), 0);
}

void TestFastQuoteCall::lyingBodyAndAnswerWithoutContextChangeNothing() {
    const ScopeTreeNode node = NodeFor("SH600000", "12989");
    call_->AttachNode(node);
    call_->AttachNode(NodeFor("SH600001", "12989"));
    h_.backend->Push(12989, Book("SH600000", 1));  // no key group: dropped
    // Three levels announced, one there.
    HandLaid lying = fastquotebody::Header("SH600000", 3, 0).level({1050, 300, 1, 0, {300}});
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression("lv2-12989.*function 12989 body rejected: offset \\d+"));
    Answer("SH600000", lying.i8(1).bytes());
    // Answers are delivered in order: once the next one arrived, the bad ones were handled.
    Answer("SH600001", Book("SH600001", -1));
    const QList<QuoteTaskExecMidResult> results = TakeResults(1);
    QCOMPARE(results.size(), 1);
    QVERIFY(results[0].scope_id != node.scope_id);
    QCOMPARE(h_.Queued(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Keys(), QList<QString>{"SH600001"}, kWaitMs);
    QCOMPARE(FastTenMessages(), QList<int>{});  // the good answer's -1 is no change
}

QTEST_GUILESS_MAIN(TestFastQuoteCall)
#include "tst_fastquotecall.moc"
