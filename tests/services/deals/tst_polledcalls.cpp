// The five polled calls (12915, 12917 of the deals; 12930, 12932, 12973 of the capital flows) on a
// scripted server, the clock frozen and the poll ticks driven by hand: what they ask, when they ask
// again, and what becomes of answers, good and bad.
#include <QtTest>

#include <functional>

#include "host/core/HostClock.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12930.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12932.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12973.h"
#include "services/deals/QzLv2RemoteApiCall_12915.h"
#include "services/deals/QzLv2RemoteApiCall_12917.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;

namespace {

// One of the five calls, with the polled base's tick and attached set, so the tables can name a
// function.
struct AnyCall {
    std::unique_ptr<RemoteApiCall> call;
    std::function<void()> poll;
    std::function<bool(const QString&)> isAttached;
};

template <typename C>
AnyCall Hold(Harness& h) {
    std::unique_ptr<C> call = h.Make<C>();
    C* c = call.get();
    return {std::move(call), [c] { c->PollTick(); },
            [c](const QString& code) { return c->IsAttached(code); }};
}

AnyCall Make(Harness& h, int function) {
    switch (function) {
        case 12915:
            return Hold<QzLv2RemoteApiCall_12915>(h);
        case 12917:
            return Hold<QzLv2RemoteApiCall_12917>(h);
        case 12930:
            return Hold<QzLv2RemoteApiCall_12930>(h);
        case 12932:
            return Hold<QzLv2RemoteApiCall_12932>(h);
        default:
            return Hold<QzLv2RemoteApiCall_12973>(h);
    }
}

// A 62-byte 12930 body whose total_sell is `marker`.
QByteArray StockFlow(qint32 marker) {
    HandLaid b;
    b.u32(0).u32(0).i32(marker).i32(0).i32(0).i32(0).i16(-1);
    for (int i = 0; i < 9; ++i)
        b.i32(i);
    return b.bytes();
}

void Functions(std::initializer_list<int> functions) {
    QTest::addColumn<int>("function");
    for (int function : functions)
        QTest::newRow(qPrintable(QString::number(function))) << function;
}

qint32 TotalSell(const QuoteTaskExecMidResult& result) {
    const auto* e = dynamic_cast<const ResponsePkgEntity_12930*>(result.data.data());
    return e ? e->package.total_sell : -1;
}

}  // namespace

class TestPolledCalls : public CallTest {
    Q_OBJECT

private slots:
    void requests_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("params");
        QTest::newRow("12915") << 12915 << "SH600000" << QStringList{"String=SH600000"};
        QTest::newRow("12917") << 12917 << "SH600000" << QStringList{"String=SH600000", "Int32=0"};
        QTest::newRow("12930") << 12930 << "SZ300750" << QStringList{"String=SZ300750"};
        QTest::newRow("12932") << 12932 << "BK0475" << QStringList{"String=BK0475", "Int16=1"};
        QTest::newRow("12973") << 12973 << "BK0475" << QStringList{"Int16=15", "String=BK0475"};
    }

    void requests() {
        QFETCH(int, function);
        QFETCH(QString, code);
        QFETCH(QStringList, params);
        const AnyCall c = Make(h_, function);
        c.call->AttachNode(NodeFor(code, QString::number(function)));
        const ServerRequest request = h_.RequestsOf(function).value(0);
        QCOMPARE(int(request.flags), 0);
        QCOMPARE(Flatten(request.params), params);
        QCOMPARE(ContextKeys(request),
                 (QStringList{"seccode=" + code, "timestamp=" + QString::number(kStartMs)}));
        QCOMPARE(request.context->keyGroup.Value("timestamp").ToDataCell(),
                 nscell::UnsharedDataCell::FromInteger(kStartMs));
    }

    void dealsLingerAndHoldBackRepeats_data() { Functions({12915, 12917}); }

    void dealsLingerAndHoldBackRepeats() {
        QFETCH(int, function);
        const AnyCall c = Make(h_, function);
        const ScopeTreeNode node = NodeFor("SH600000", QString::number(function));
        c.call->AttachNode(node);
        QCOMPARE(Sent(function), 1);
        // Gone and back 500 ms later, after the 3000 ms window: still attached, so not asked again.
        At(3500);
        c.call->DetachNode(node);
        At(4000);
        c.call->AttachNode(node);
        QCOMPARE(Sent(function), 1);
        c.poll();  // 4000 ms after the request
        QCOMPARE(Sent(function), 2);
        At(7000);  // exactly 3000 ms after: held back
        c.poll();
        QCOMPARE(Sent(function), 2);
        At(7001);
        c.poll();
        QCOMPARE(Sent(function), 3);
        QCOMPARE(h_.RequestsOf(function).last().context->keyGroup.Value("timestamp").ToInt64(),
                 kStartMs + 7001);
        // The last subscriber leaves: polled for 2000 ms more, then dropped.
        At(9000);
        c.call->DetachNode(node);
        At(10002);
        c.poll();
        QCOMPARE(Sent(function), 4);
        QVERIFY(c.isAttached("SH600000"));
        At(11000);  // the linger ends
        c.poll();
        QCOMPARE(Sent(function), 4);
        QVERIFY(!c.isAttached("SH600000"));
        // Back 1 ms later: new, but its code was asked 999 ms ago.
        At(11001);
        c.call->AttachNode(node);
        QCOMPARE(Sent(function), 4);
        At(13003);
        c.poll();
        QCOMPARE(Sent(function), 5);
    }

    void flowsPollWhileAttached_data() { Functions({12930, 12932, 12973}); }

    void flowsPollWhileAttached() {
        QFETCH(int, function);
        const AnyCall c = Make(h_, function);
        const QString id = QString::number(function);
        const ScopeTreeNode first = NodeFor("BK0475", id);
        const ScopeTreeNode second = NodeFor("BK0475", id);
        c.call->AttachNode(first);
        c.call->AttachNode(second);  // same topic: no second request
        QCOMPARE(Sent(function), 1);
        c.call->AttachNode(NodeFor("BK0473", id));
        QCOMPARE(Sent(function), 2);
        c.poll();  // at once: every attached topic, in code order
        QCOMPARE(Sent(function), 4);
        const QList<ServerRequest> requests = h_.RequestsOf(function);
        QCOMPARE(requests[2].context->keyGroup.Value("seccode").ToString(), QString("BK0473"));
        QCOMPARE(requests[3].context->keyGroup.Value("seccode").ToString(), QString("BK0475"));
        c.call->DetachNode(first);
        c.poll();  // one subscriber left on BK0475
        QCOMPARE(Sent(function), 6);
        c.call->DetachNode(second);
        QVERIFY(!c.isAttached("BK0475"));
        c.poll();
        QCOMPARE(Sent(function), 7);  // BK0473 only
        c.call->AttachNode(second);   // back at once: asked at once
        QCOMPARE(Sent(function), 8);
    }

    void answersAreCachedPublishedAndReplayedBadOnesDropped() {
        const auto call = h_.Make<QzLv2RemoteApiCall_12930>();
        const ScopeTreeNode node = NodeFor("SH600000", "12930");
        call->AttachNode(node);
        call->AttachNode(NodeFor("SZ000001", "12930"));
        // The real road: the server answers the request; the answer finds the topic by "seccode".
        QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12930, 1), StockFlow(4242)));
        const QuoteTaskExecMidResult delivered = h_.Next();
        QCOMPARE(delivered.scope_id, node.scope_id);
        QCOMPARE(TotalSell(delivered), 4242);
        QTest::ignoreMessage(QtWarningMsg,
                             "lv2-12930 {:SEPARATOR} 12930: read of 4 bytes at offset 58 exceeds "
                             "body length 61");
        QVERIFY(!call->HandleBody("SH600000", StockFlow(2).left(61)));
        QCOMPARE(h_.Queued(), 0);
        // A late subscriber gets the cached good package at once, and nobody else does.
        const ScopeTreeNode late = NodeFor("SH600000", "12930");
        call->AttachNode(late);
        QCOMPARE(h_.Queued(), 1);
        const QuoteTaskExecMidResult replayed = h_.Next();
        QCOMPARE(replayed.scope_id, late.scope_id);
        QCOMPARE(TotalSell(replayed), 4242);
        QVERIFY(call->HandleBody("SZ000001", StockFlow(3)));  // another topic is still served
        QCOMPARE(TotalSell(h_.Next()), 3);
    }

private:
    int Sent(int function) const { return h_.RequestsOf(function).size(); }
    void At(qint64 ms) { HostClock::SetForTest(kStartMs + ms); }
};

QTEST_GUILESS_MAIN(TestPolledCalls)
#include "tst_polledcalls.moc"
