// A small process for the disk-fault tests of the K-line flow history (tst_historyfaults):
//   save-loop DIR TAG   saves two versions of one history file (3000 records, then 5000; every
//                       record's smallout = TAG * 10 + version) in turn, forever; prints "ready US"
//                       after the first of each, US the microseconds those two saves took;
//   prefill DIR         writes SH600000/week with the history's first 10 records (incomplete) and
//                       SZ000001/week with 5;
//   serve DIR [LIMIT]   runs a 12844 call (files limited to LIMIT bytes if given) on a scripted
//                       server paging a simulated history, takes SH600000/week to its start and
//                       prints what it served and what is on disk afterwards.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <signal.h>
#include <sys/resource.h>

#include "host/core/CDataStoreMgr.h"
#include "services/minuteflow/FlowHistoryFile.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12844.h"
#include "sim/market/KlineFlowHistory.h"
#include "sim/wire/minuteflow/MinuteFlowEncoders.h"
#include "tests/services/CallTestSupport.h"

namespace {

const QDate kToday(2008, 8, 29);
const simmarket::KlineFlowHistory kHistory(7, kToday);
QAtomicInt saveWarnings;

// The history's first `count` weeks of the code (repeated past its 400), smallout set if given.
historyfile::HistoryData<FlowRecord> Data(const QString& code, int count, qint64 smallout = -1) {
    historyfile::HistoryData<FlowRecord> data;
    for (int i = 0; i < count; ++i) {
        data.records.push_back(kHistory.Record(code, "week", i % 400));
        if (smallout >= 0)
            data.records.back().smallout = smallout;
    }
    return data;
}

int FileRecords(const QString& code) {
    historyfile::HistoryData<FlowRecord> data;
    return minuteflow::FlowHistoryFile().Load(code, "week", data) ? int(data.records.size()) : -1;
}

int SaveLoop(int tag) {
    const historyfile::HistoryData<FlowRecord> versions[2] = {Data("SH600000", 3000, tag * 10 + 1),
                                                              Data("SH600000", 5000, tag * 10 + 2)};
    // One timed cycle of both saves first: the killer picks its moments within a cycle, however
    // fast this machine (or a sanitizer build) saves.
    QElapsedTimer cycle;
    cycle.start();
    for (qint64 n = 0;; ++n) {
        minuteflow::FlowHistoryFile().Save("SH600000", "week", versions[n % 2]);
        if (n == 1)
            QTextStream(stdout) << "ready " << cycle.nsecsElapsed() / 1000 << Qt::endl;
    }
}

int Serve() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (text.contains("save kline capitalflow cache failed"))
            saveWarnings.ref();
    });
    calltest::Harness h;
    h.Start();
    h.backend->SetResponder([](IServerLink* link, const ServerRequest& request) {
        link->Answer(request,
                     simwire::EncodeKlineFlowBody(
                         "SH600000", 0x3F,
                         kHistory.Page("SH600000", "week", request.params[2].second.toInt(),
                                       request.params[3].second.toInt())));
    });
    QTextStream out(stdout);
    {
        auto call = h.Make<QzLv2RemoteApiCall_12844>();
        ScopeTreeNode node = calltest::NodeFor("SH600000", "12844");
        node.cycle = "week";
        call->AttachNode(node);
        const ResponsePkgTopic_12844 topic{"SH600000", "week"};
        const QuoteTaskExecMidResult first = h.Next();
        out << "first " << dynamic_cast<const FlowBatchEntity*>(first.data.data())->count
            << Qt::endl;
        (void)QTest::qWaitFor(
            [&] {
                QMutexLocker locker(call->CallLock());
                return call->Cache().Contains(topic) &&
                       int(call->Cache().Get(topic)->records->size()) ==
                           kHistory.PeriodCount("week");
            },
            calltest::kWaitMs);
        call->Cache().WaitForSaves();
        QMutexLocker locker(call->CallLock());
        out << "series " << call->Cache().Get(topic)->records->size() << Qt::endl;
    }
    out << "save-warnings " << saveWarnings.loadAcquire() << Qt::endl;
    out << "file-SH600000 " << FileRecords("SH600000") << Qt::endl;
    out << "file-SZ000001 " << FileRecords("SZ000001") << Qt::endl;
    h.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(args[2]);
    if (args[1] == "save-loop")
        return SaveLoop(args.value(3).toInt());
    if (args[1] == "prefill")
        return minuteflow::FlowHistoryFile().Save("SH600000", "week", Data("SH600000", 10)) &&
                       minuteflow::FlowHistoryFile().Save("SZ000001", "week", Data("SZ000001", 5))
                   ? 0
                   : 1;
    if (args[1] == "serve") {
        if (args.size() > 3) {  // a full disk for this process: writes past the limit fail
            signal(SIGXFSZ, SIG_IGN);
            const rlim_t limit = args[3].toULongLong();
            const rlimit fsize{limit, limit};
            setrlimit(RLIMIT_FSIZE, &fsize);
        }
        return Serve();
    }
    return 2;
}
