// The short-line calls 10015 and 10016 on a real accessor bound to a scripted server: their
// requests (the three-argument form; both 10016 forms), the topics their answers land on, polling,
// replay to late subscribers, the cache bound, and bad bodies refused with one warning.
#include <QRegularExpression>
#include <QtTest>

#include "host/core/HostClock.h"
#include "services/signals/QzLv2RemoteApiCall_10015.h"
#include "services/signals/QzLv2RemoteApiCall_10016.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/signals/SignalBodies.h"

using namespace calltest;
using namespace signalbody;

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch

ScopeTreeNode SignalNode(const QString& plates, int quoteLevel) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant("qz_lv2_quoter_10016"));
    node.api_type = ScopeTypeVariant("10016");
    node.params.insert("plate_list", plates);
    node.quote_level = quoteLevel;
    return node;
}

ScopeTreeNode TypeNode() {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant("qz_lv2_quoter_10015"));
    node.api_type = ScopeTypeVariant("10015");
    return node;
}

const Signal kRocket{"SZ300750", "N", "R", 3, 1, 93005120, "D"};

}  // namespace

class TestSignalCalls : public QObject {
    Q_OBJECT

private slots:
    void init() {
        HostClock::SetForTest(kStart);
        h_.Start();
    }
    void cleanup() {  // each test's calls went when it returned
        h_.Stop();
        HostClock::UseSystemClock();
    }

    void typeCatalogueAskedOnceForEveryNodeThenPolled() {
        const auto call = h_.Make<QzLv2RemoteApiCall_10015>();
        QVERIFY(h_.accessor->IsSerial(10015));
        QCOMPARE(call->GetSupportedTypeSet(),
                 std::set<ScopeTypeVariant>{ScopeTypeVariant("10015")});
        const ScopeTreeNode first = TypeNode();
        call->AttachNode(first);
        HostClock::AdvanceForTest(5);
        call->AttachNode(TypeNode());  // the same topic, made later: no second request
        const ServerRequest request = h_.WaitForRequestOf(10015, 1);
        QCOMPARE(Flatten(request.params), (QStringList{"Int16U=1", "Int32U=1"}));
        QCOMPARE(int(request.flags), 0);
        QVERIFY(request.context.isNull());
        QCOMPARE(h_.RequestsOf(10015).size(), 1);

        QVERIFY(h_.backend->Answer(request, TypeBody(1, {{"1", 1, "G", "T", 3}})));
        const QList<QuoteTaskExecMidResult> results = h_.Take(2);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].scope_id, first.scope_id);
        const auto* types = dynamic_cast<const ResponsePkgEntity_10015*>(results[0].data.data());
        QCOMPARE(types->types.value(0).level, 3u);
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PollingSet().Size() == 1, kWaitMs);
        QCOMPARE(call->GetDriver()->PollingIntervalMs(), 3000);
        QCOMPARE(call->GetDriver()->AwaitingIntervalMs(), 3000);
        call->GetDriver()->OnPollingTick();
        QCOMPARE(h_.WaitForRequestOf(10015, 2).params, request.params);

        // A late subscriber gets the catalogue at once; a lying body changes nothing.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("lv2-10015 \\{:SEPARATOR\\} DecodeSignalTypeBody"));
        QVERIFY(!call->HandleBody(TypeBody(0, {}, 9)));
        const ScopeTreeNode late = TypeNode();
        call->AttachNode(late);
        QCOMPARE(h_.Queued(), 1);
        QCOMPARE(h_.Next().scope_id, late.scope_id);
    }

    // Quote level -> the parameters of the request.
    void signalRequestForms_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QStringList>("params");
        const QStringList shortForm{"Int32U=0", "Int32U=200",           "Int08U=0",
                                    "Strings=", "Strings=SH|SZ|CUSTOM", "Int08U=%1",
                                    "Int32U=3"};
        QTest::newRow("level 1: short form")
            << 1 << QStringList(shortForm).replaceInStrings("%1", "1");
        QTest::newRow("level 2: long form")
            << 2
            << (QStringList(shortForm).replaceInStrings("%1", "2") << "Int08=1"
                                                                   << "Int08=4");
    }

    void signalRequestForms() {
        QFETCH(int, level);
        QFETCH(QStringList, params);
        const auto call = h_.Make<QzLv2RemoteApiCall_10016>();
        QVERIFY(h_.accessor->IsSerial(10016));
        call->AttachNode(SignalNode("SH,SZ,,CUSTOM", level));
        const ServerRequest request = h_.WaitForRequestOf(10016, 1);
        QCOMPARE(Flatten(request.params), params);
        QStringList keys;
        for (const auto& item : request.context->keyGroup.Items())
            keys << item.first + "=" + item.second.ToString();
        QCOMPARE(keys,
                 (QStringList{QString("quote_level=%1").arg(level), "index=0", "count=200",
                              "timestamp=" + QString::number(kStart), "plate_list=SH,SZ,,CUSTOM"}));
    }

    void signalAnswersReachTheirTopicOnly() {
        const auto call = h_.Make<QzLv2RemoteApiCall_10016>();
        const ScopeTreeNode sh = SignalNode("SH", 1);
        const ScopeTreeNode sz = SignalNode("SZ", 1);
        call->AttachNode(sh);
        call->AttachNode(sz);
        const ServerRequest shRequest = h_.WaitForRequestOf(10016, 1);
        QCOMPARE(h_.WaitForRequestOf(10016, 2).context->keyGroup.Value("plate_list").ToString(),
                 QString("SZ"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("lv2-10016 \\{:SEPARATOR\\} DecodeSignalBody: read "
                                                "of \\d+ bytes at offset 26"));
        QVERIFY(h_.backend->Answer(shRequest, SignalBody(3, {kRocket}, 1000)));
        QVERIFY(h_.backend->Answer(shRequest, SignalBody(3, {kRocket})));
        const QuoteTaskExecMidResult result = h_.Next();
        QCOMPARE(result.scope_id, sh.scope_id);
        const auto* answer = dynamic_cast<const ResponsePkgEntity_10016*>(result.data.data());
        QCOMPARE(answer->signal_list.value(0).value_c, 0xC0u);
        const ResponsePkgTopic_10016 topic(1, "SH");
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PollingSet().Contains(topic), kWaitMs);
        QCOMPARE(call->Cache().Keys(), QList<ResponsePkgTopic_10016>{topic});
        QCOMPARE(h_.Queued(), 0);
        QVERIFY(call->GetDriver()->AwaitingSet().Contains(ResponsePkgTopic_10016(1, "SZ")));
    }

    void cacheKeepsHundredTopics() {
        const auto call = h_.Make<QzLv2RemoteApiCall_10016>();
        for (int i = 0; i <= 100; ++i)
            QVERIFY(call->HandleAnswer(ResponsePkgTopic_10016(1, QString("P%1").arg(i)),
                                       SignalBody(0, {})));
        QCOMPARE(call->Cache().Size(), 100);
        QVERIFY(!call->Cache().Contains(ResponsePkgTopic_10016(1, "P0")));
        QVERIFY(call->Cache().Contains(ResponsePkgTopic_10016(1, "P100")));
    }

private:
    Harness h_;
};

QTEST_GUILESS_MAIN(TestSignalCalls)
#include "tst_signalcalls.moc"
