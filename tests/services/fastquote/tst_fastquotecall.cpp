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

QByteArray Book(const QString& code, qint8 flag) {
    return fastquotebody::Body(code, {{1050, 30000, 1, 0, {30000}}},
                               fastquotebody::Levels(2, 1051, 1), flag);
}

QList<int> FastTenMessages() {
    QList<int> flags;
    for (const QVariant& message : QzSignalControlMgr::GetInstance()->Messages(kFastTen))
        flags << message.toInt();
    return flags;
}

const ResponsePkgEntity_12989* Entity(const QuoteTaskExecMidResult& result) {
    return dynamic_cast<const ResponsePkgEntity_12989*>(result.data.data());
}

}  // namespace

class TestFastQuoteCall : public QObject {
    Q_OBJECT

private slots:
    void init() {
        HostClock::SetForTest(kStart);
        QzSignalControlMgr::GetInstance()->Reset();
        h_.Start("pcl2xtquote");
        h_.accessor->RegisterFuncAsSerial(12989);
        h_.accessor->RegisterFuncAsPush(12989);
        call_ = h_.Make<QzLv2RemoteApiCall_12989>();
    }

    void cleanup() {
        call_.reset();
        h_.Stop();
        QzSignalControlMgr::GetInstance()->Reset();
        HostClock::UseSystemClock();
    }

    // The request: its parameters and the key group its answer is routed by; then the window
    // during which the stock is not asked again.
    void requestRepeatedOnlyAfterThreeSeconds() {
        QCOMPARE(call_->GetSupportedTypeSet(),
                 std::set<ScopeTypeVariant>{ScopeTypeVariant("12989")});
        const ScopeTreeNode node = NodeFor("SZ000001", "12989");
        call_->AttachNode(node);
        const ServerRequest request = h_.backend->Requests().value(0);
        QCOMPARE(request.funcId, 12989);
        QCOMPARE(int(request.flags), 0);
        QCOMPARE(Flatten(request.params),
                 (QStringList{"String=SZ000001", "Int16U=10", "Int16U=0", "Int16U=0", "Int16U=3",
                              "Int08=1", "Int08=4"}));
        QVERIFY(request.context);
        QStringList keys;
        for (const auto& item : request.context->keyGroup.Items())
            keys << item.first + "=" + item.second.ToString();
        QCOMPARE(keys, (QStringList{"stock_code=SZ000001", "index=0", "count=10",
                                    "timestamp=" + QString::number(kStart)}));
        QCOMPARE(request.context->keyGroup.Value("timestamp").ToDataCell(),
                 nscell::UnsharedDataCell::FromInteger(kStart));

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
        QCOMPARE(requests.last().context->keyGroup.Value("stock_code").ToString(),
                 QString("SZ000001"));
        QCOMPARE(requests.last().context->keyGroup.Value("timestamp").ToInt64(), kStart + 3001);
    }

    void fastTenFlagSignalledOncePerChangeAcrossStocks() {
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
        for (const auto& answer : answers)
            Answer(answer.first, Book(answer.first, qint8(answer.second)));
        QCOMPARE(h_.Take(answers.size()).size(), answers.size());
        QCOMPARE(FastTenMessages(), (QList<int>{0, 1, -1}));
        QCOMPARE(int(call_->LastFastTenFlag()), -1);
    }

    void cacheKeepsTenStocksAndReplaysToLateSubscriberAlone() {
        QStringList codes;
        for (int i = 0; i < 11; ++i) {
            codes << QString("SZ0000%1").arg(i, 2, 10, QChar('0'));
            call_->AttachNode(NodeFor(codes.last(), "12989"));
            Answer(codes.last(), Book(codes.last(), 1));
        }
        QCOMPARE(h_.Take(codes.size()).size(), codes.size());
        QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(codes.last()), kWaitMs);
        QCOMPARE(call_->Cache().Size(), 10);
        QVERIFY(!call_->Cache().Contains(codes.first()));

        const ScopeTreeNode late = NodeFor(codes.last(), "12989");
        call_->AttachNode(late);  // on this thread, at once
        QCOMPARE(h_.Queued(), 1);
        const QuoteTaskExecMidResult replayed = h_.Next();
        QCOMPARE(replayed.scope_id, late.scope_id);
        QCOMPARE(int(Entity(replayed)->fast_ten_flag), 1);
        QCOMPARE(Entity(replayed)->gears.sell_levels.size(), 10);
        QCOMPARE(h_.backend->Requests().size(), codes.size());
        // A stock no longer cached replays nothing.
        call_->AttachNode(NodeFor(codes.first(), "12989"));
        QCOMPARE(h_.Queued(), 0);
    }

    void pushTakesOverLastBookOfSubscribedStockBeyondCache_data() {
        QTest::addColumn<bool>("resubscribed");
        QTest::addColumn<bool>("sharedExpected");
        QTest::newRow("subscribed throughout") << false << true;
        QTest::newRow("left and came back, no longer cached") << true << false;
    }

    // Eleven stocks, one more than the cache keeps: the first stock's last book is no longer
    // cached when its next one comes, yet a subscribed stock's unchanged book still takes over the
    // last one's maps. A stock whose subscribers all left keeps nothing.
    void pushTakesOverLastBookOfSubscribedStockBeyondCache() {
        QFETCH(bool, resubscribed);
        QFETCH(bool, sharedExpected);
        QStringList codes;
        QList<ScopeTreeNode> nodes;
        for (int i = 0; i < 11; ++i) {
            codes << QString("SZ0000%1").arg(i, 2, 10, QChar('0'));
            nodes << NodeFor(codes.last(), "12989");
            call_->AttachNode(nodes.last());
            Answer(codes.last(), Book(codes.last(), 1));
        }
        const QList<QuoteTaskExecMidResult> first = h_.Take(codes.size());
        QCOMPARE(first.size(), codes.size());
        QTRY_VERIFY_WITH_TIMEOUT(!call_->Cache().Contains(codes.first()), kWaitMs);
        if (resubscribed) {
            call_->DetachNode(nodes.first());
            call_->AttachNode(nodes.first());
        }
        Answer(codes.first(), Book(codes.first(), 1));
        const QList<QuoteTaskExecMidResult> next = h_.Take(1);
        QCOMPARE(next.size(), 1);
        const ThousandGearsQuoteData& before = Entity(first.first())->gears;
        const ThousandGearsQuoteData& after = Entity(next.first())->gears;
        QVERIFY(after.buy_levels == before.buy_levels);
        QCOMPARE(after.buy_levels.isSharedWith(before.buy_levels), sharedExpected);
        QCOMPARE(after.sell_queues.isSharedWith(before.sell_queues), sharedExpected);
    }

    void answerReachesNodesOfRequestedStockBadOnesNothing() {
        const ScopeTreeNode first = NodeFor("SH600000", "12989");
        const ScopeTreeNode second = NodeFor("SH600000", "12989");
        for (const ScopeTreeNode& node : {first, second, NodeFor("SH600001", "12989")})
            call_->AttachNode(node);
        h_.backend->Push(12989, Book("SH600001", 1));  // no key group: dropped
        // Three levels announced, one there.
        HandLaid lying = fastquotebody::Header("SH600001", 3, 0).level({1050, 300, 1, 0, {300}});
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression("lv2-12989.*function 12989 body rejected: offset \\d+"));
        Answer("SH600001", lying.i8(1).bytes());
        // Answers are delivered in order: once the next one arrived, the bad ones were handled.
        // It is published under the code of the request's key group, cached under the body's code.
        Answer("SH600000", Book("SH688001", -1));
        const QList<QuoteTaskExecMidResult> results = h_.Take(2);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].scope_id, first.scope_id);
        QCOMPARE(results[1].scope_id, second.scope_id);
        QCOMPARE(Entity(results[0])->wills.buy_rows[0].Get("price"),
                 nscell::UnsharedDataCell::FromBigInteger(1050));  // published raw
        QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Keys(), QList<QString>{"SH688001"}, kWaitMs);
        QCOMPARE(h_.Queued(), 0);
        QCOMPARE(FastTenMessages(), QList<int>{});  // the good answer's -1 is no change
    }

private:
    // Answers the request whose key group names the code.
    void Answer(const QString& code, const QByteArray& body) {
        for (const ServerRequest& request : h_.backend->Requests()) {
            if (request.context &&
                request.context->keyGroup.Value("stock_code").ToString() == code) {
                QVERIFY(h_.backend->Answer(request, body));
                return;
            }
        }
        QFAIL(qPrintable("no request for " + code));
    }

    Harness h_;
    std::unique_ptr<QzLv2RemoteApiCall_12989> call_;
};

QTEST_GUILESS_MAIN(TestFastQuoteCall)
#include "tst_fastquotecall.moc"
