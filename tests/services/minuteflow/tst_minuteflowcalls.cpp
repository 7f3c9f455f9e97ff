// The 12842 and 12844 calls on a scripted server: paging, the recent-request window on a page, and
// the K-line history under a full or read-only disk.
#include <QtTest>

#include <cerrno>

#include "framework/HistoryFilePath.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "services/minuteflow/FlowHistoryFile.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12842.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12844.h"
#include "sim/market/KlineFlowHistory.h"
#include "sim/wire/minuteflow/MinuteFlowEncoders.h"
#include "tests/diskfault/DiskFault.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;

namespace {

const QString kCode = "SH600000";
const simmarket::KlineFlowHistory kHistory(7, QDate(2000, 2, 25));  // eight weeks

ScopeTreeNode FlowNode(const QString& apiType, const QString& cycle) {
    ScopeTreeNode node = NodeFor(kCode, apiType);
    node.cycle = cycle;
    return node;
}

const FlowBatchEntity* Batch(const QuoteTaskExecMidResult& result) {
    return dynamic_cast<const FlowBatchEntity*>(result.data.data());
}

QList<qint32> Times(const FlowRecords& records) {
    QList<qint32> times;
    for (const FlowRecord& r : records)
        times << r.time;
    return times;
}

// Answers every 12844 request from the simulated history, as a server pages it.
void ServeHistory(ScriptedServerBackend& backend) {
    backend.SetResponder([](IServerLink* link, const ServerRequest& request) {
        if (request.funcId != 12844)
            return;
        link->Answer(request, simwire::EncodeKlineFlowBody(
                                  kCode, 0x3F,
                                  kHistory.Page(kCode, "week", request.params[2].second.toInt(),
                                                request.params[3].second.toInt())));
    });
}

QList<qint32> HistoryTimes() {
    QList<qint32> times;
    for (int i = 0; i < kHistory.PeriodCount("week"); ++i)
        times << kHistory.PeriodDate("week", i);
    return times;
}

QAtomicInt g_saveWarnings;  // counted on the saver thread

}  // namespace

class TestMinuteFlowCalls : public CallTest {
    Q_OBJECT

private slots:
    void unknownCycleIsNeverRequested() {
        auto call = h_.Make<QzLv2RemoteApiCall_12844>();
        call->AttachNode(FlowNode("12844", "day"));
        HostTimerQueue::AdvanceClockBy(10000);        // its request and poll ticks
        call->AttachNode(FlowNode("12844", "week"));  // a known cycle is asked at once
        h_.WaitForRequestOf(12844, 1);
        QCOMPARE(h_.RequestsOf(12844).size(), 1);
        QCOMPARE(call->AttachedNodeCount(), 2);
    }

    // 12842 pages: the newest minutes, then the page ending at the second record, until a page of
    // fewer than three records; a late node gets the whole day at once.
    void minuteSeriesPagesBackAndReplaysWhole() {
        auto call = h_.Make<QzLv2RemoteApiCall_12842>();
        const ScopeTreeNode node = FlowNode("12842", "1min");
        call->AttachNode(node);
        auto answer = [&](int n, const QList<qint32>& times) {
            HandLaid b = flowbody::MinuteHead(kCode, 0x04, quint16(times.size()));
            for (qint32 t : times)
                b.i32(t).packed(0, 5).packed(0, 3).packed(0, 2).packed(0, 1);
            QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12842, n), b.bytes()));
        };
        answer(1, {935, 936, 937, 938});
        QCOMPARE(Flatten(h_.WaitForRequestOf(12842, 2).params).value(1), QString("Int16=936"));
        answer(2, {932, 933, 934, 935, 936});
        QCOMPARE(Flatten(h_.WaitForRequestOf(12842, 3).params).value(1), QString("Int16=933"));
        answer(3, {932, 933});  // two records: the start of the day
        const QList<QuoteTaskExecMidResult> batches = h_.Take(3);
        QCOMPARE(batches.size(), 3);
        QCOMPARE(Times(*Batch(batches[0])->records), (QList<qint32>{935, 936, 937, 938}));
        {
            QMutexLocker locker(call->CallLock());
            QCOMPARE(h_.RequestsOf(12842).size(), 3);  // complete: nothing more
        }
        ScopeTreeNode late = FlowNode("12842", "1min");
        call->AttachNode(late);
        const QuoteTaskExecMidResult replay = h_.Next();
        QCOMPARE(replay.scope_id, late.scope_id);
        QCOMPARE(Times(*Batch(replay)->records),
                 (QList<qint32>{932, 933, 934, 935, 936, 937, 938}));
        QCOMPARE(int(Batch(replay)->count), 7);
    }

    // The page a poll calls for again is asked once within 3000 ms, and again later.
    void pollOfAnIncompleteSeriesAsksTheSamePageOnce() {
        auto call = h_.Make<QzLv2RemoteApiCall_12842>();
        call->AttachNode(FlowNode("12842", "1min"));
        HandLaid page = flowbody::MinuteHead(kCode, 0x01, 3);
        page.i32(935).i32(1).i32(2).i32(3).i32(4).i32(936).i32(1).i32(2).i32(3).i32(4);
        page.i32(937).i32(1).i32(2).i32(3).i32(4);
        QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12842, 1), page.bytes()));
        QCOMPARE(Flatten(h_.WaitForRequestOf(12842, 2).params).value(1), QString("Int16=936"));
        call->GetDriver()->OnPollingTick();
        QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12842, 3), page.bytes()));
        QCOMPARE(h_.Take(2).size(), 2);
        { QMutexLocker settled(call->CallLock()); }  // the answer's follow-ups are decided
        HostClock::AdvanceForTest(3001);
        call->GetDriver()->OnPollingTick();
        QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12842, 4), page.bytes()));
        QCOMPARE(Flatten(h_.WaitForRequestOf(12842, 5).params).value(1), QString("Int16=936"));
        QMutexLocker locker(call->CallLock());
        QCOMPARE(h_.RequestsOf(12842).size(), 5);  // 0, 936, poll 0, poll 0, 936
    }

    void pageOfAMinuteBeyondInt16IsNeverBuilt_data() {
        QTest::addColumn<qint32>("minute");
        QTest::addColumn<bool>("asked");
        QTest::newRow("32767 fits") << 32767 << true;
        QTest::newRow("32768 does not") << 32768 << false;
        QTest::newRow("-32768 fits") << -32768 << true;
        QTest::newRow("-32769 does not") << -32769 << false;
    }

    // The second minute of a damaged page is the next page's revindex, sent as "Int16": one that
    // does not fit is never built into a request (the accessor would refuse it), and says so.
    void pageOfAMinuteBeyondInt16IsNeverBuilt() {
        QFETCH(qint32, minute);
        QFETCH(bool, asked);
        auto call = h_.Make<QzLv2RemoteApiCall_12842>();
        call->AttachNode(FlowNode("12842", "1min"));
        HandLaid page = flowbody::MinuteHead(kCode, 0x01, 3);
        for (qint32 time : {935, minute, 937})
            page.i32(time).i32(1).i32(2).i32(3).i32(4);
        if (!asked)
            ExpectWarning("lv2-12842", QString("page of SH600000 1min not asked: revindex %1 does "
                                               "not fit Int16$")
                                           .arg(minute));
        QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12842, 1), page.bytes()));
        QCOMPARE(h_.Take(1).size(), 1);
        { QMutexLocker settled(call->CallLock()); }  // the answer's follow-ups are decided
        if (asked) {
            QCOMPARE(Flatten(h_.WaitForRequestOf(12842, 2).params).value(1),
                     QString("Int16=%1").arg(minute));
        }
        QCOMPARE(h_.RequestsOf(12842).size(), asked ? 2 : 1);
    }

    // A full or read-only disk under a running call: the file is replayed, the series is taken to
    // its start and served whole from memory, one warning tells, and no file on disk changes.
    void fullOrReadOnlyDiskKeepsServingFromMemory_data() {
        QTest::addColumn<int>("error");
        QTest::newRow("disk full") << ENOSPC;
        QTest::newRow("read-only") << EROFS;
    }

    void fullOrReadOnlyDiskKeepsServingFromMemory() {
        QFETCH(int, error);
        QStringList paths;
        QList<QByteArray> before;
        for (const QString& code : {kCode, QString("SZ000001")}) {
            historyfile::HistoryData<FlowRecord> data;
            for (int i = 0; i < (code == kCode ? 3 : 2); ++i)
                data.records.push_back(kHistory.Record(code, "week", i));
            QVERIFY(minuteflow::FlowHistoryFile().Save(code, "week", data));
            paths << historyfile::FilePath(code, "week");
            before << diskfault::Contents(paths.last());
        }
        ServeHistory(*h_.backend);
        g_saveWarnings.storeRelaxed(0);
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
                if (text.contains("save kline capitalflow cache failed"))
                    g_saveWarnings.ref();
            });
        struct Disarm {
            ~Disarm() { diskfault::Disarm(); }
        } disarm;
        diskfault::Arm(error, 0, h_.files->path());
        {
            auto call = h_.Make<QzLv2RemoteApiCall_12844>();
            call->AttachNode(FlowNode("12844", "week"));
            QCOMPARE(int(Batch(h_.Next())->count), 3);  // the file, replayed at once
            const ResponsePkgTopic_12844 topic{kCode.toStdString(), "week"};
            const auto series = [&] {
                QMutexLocker locker(call->CallLock());
                return call->Cache().Contains(topic) ? Times(*call->Cache().Get(topic)->records)
                                                     : QList<qint32>();
            };
            QTRY_COMPARE_WITH_TIMEOUT(series(), HistoryTimes(), kWaitMs);
            call->Cache().WaitForSaves();
        }
        diskfault::Disarm();
        qInstallMessageHandler(previous);
        QCOMPARE(g_saveWarnings.loadRelaxed(), 1);
        QCOMPARE(diskfault::Contents(paths[0]), before[0]);
        QCOMPARE(diskfault::Contents(paths[1]), before[1]);
    }
};

QTEST_GUILESS_MAIN(TestMinuteFlowCalls)
#include "tst_minuteflowcalls.moc"
