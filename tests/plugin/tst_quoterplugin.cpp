// Loads the built plug-in file exactly as the client does and checks what the client relies on:
// the metadata, one factory per process, the interface cast, the handler's registration, and what
// the instance's properties tell of the history files kept on disk.
#include <QJsonObject>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <memory>

#include "host/access/ScriptedServerBackend.h"
#include "host/core/CDataStoreMgr.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "tests/diskfault/DiskFault.h"
#include "tests/services/HandLaid.h"

namespace {

constexpr qint64 kStartMs = 1700000000000;
constexpr int kPollMs = 10000;  // the K-line flow's poll period

// Asks for the capital-flow indicator ("supl") of SH600000's weekly K-line, as the client does.
void AskForWeeklyFlows(QuoteContext& context) {
    ScopeTreeNode root = ScopeTreeNode::NewRoot(ScopeTypeVariant(7));  // K-line
    root.stock_list = StockListExpression::FromStockCode("SH600000");
    root.key_list = KeyListExpression::FromKeyList("supl");
    root.cycle = "week";
    auto tree = QSharedPointer<ScopeTree>::create();
    tree->AddRoot(root);
    context.OwnIntentHolder().Dispatch(QSharedPointer<QuoteDataSourceIntent>::create(1, 1, tree));
}

// A 12844 answer of two weeks, no field group: a complete series.
QByteArray TwoWeeks() {
    HandLaid body = flowbody::KlineHead("SH600000", 0x00, 2);
    body.i32(20240105).i32(20240112);
    return body.bytes();
}

}  // namespace

class TestQuoterPlugin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ServerBackendRegistry::Install("l2quote", main_backend_);
        ServerBackendRegistry::Install("pcl2xtquote", fast_backend_);
        QVERIFY2(loader_.load(), qPrintable(loader_.errorString()));
    }
    void cleanupTestCase() { ServerBackendRegistry::Clear(); }

    void metadataOneFactoryAndItsInterfaceNames() {
        const QJsonObject meta = loader_.metaData();
        QCOMPARE(meta.value("IID").toString(),
                 QString("com.mervox.lib.quoter.QzLv2QuoterFactory/1.0"));
        QCOMPARE(meta.value("className").toString(), QString("QzLv2QuoterFactory"));
        QObject* instance = loader_.instance();
        QVERIFY(instance != nullptr);
        QCOMPARE(QPluginLoader(QStringLiteral(QZLV2_PLUGIN_FILE)).instance(), instance);

        // The client's cast goes by the interface's IID.
        QVERIFY(qobject_cast<QuoterFactoryInterface*>(instance) != nullptr);
    }

    void handlerRegistersItsControllerUnderItsName() {
        QuoteContext context;
        auto* factory = qobject_cast<QuoterFactoryInterface*>(loader_.instance());
        QuoteDataSourceHandler* handler = factory->CreateHandler(context, "lv2-handler");
        QVERIFY(handler != nullptr);
        IQuoteDataSourceController* controller =
            context.FindQuoteDataSourceController("lv2-handler");
        QVERIFY(controller != nullptr);
        QVERIFY(controller->IsAvailable());
        // The quoter made one accessor per service and each bound to its backend.
        QCOMPARE(main_backend_->LinkCount(), 1);
        QCOMPARE(fast_backend_->LinkCount(), 1);

        delete handler;
        QVERIFY(context.FindQuoteDataSourceController("lv2-handler") == nullptr);
        QCOMPARE(main_backend_->LinkCount(), 0);
        QCOMPARE(fast_backend_->LinkCount(), 0);
    }

    // Each answer of a weekly flow series is saved: a failing save is counted and listed with the
    // system's reason until a save of the file is kept. (Runs of failures: tst_historysave; the
    // 10000 ms poll that brings the next answer: tst_callschedules.)
    void historySavesReachTheClientAsProperties() {
        QTemporaryDir dir;
        CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(dir.path());
        const QString path = dir.path() + "/cache/history/v20200101/SH/week/2-12844/SH600000.dat";
        QObject* plugin = loader_.instance();
        auto failures = [plugin] { return plugin->property("historySaveFailures"); };
        auto notKept = [plugin] { return plugin->property("historyFilesNotKept").toMap(); };
        QCOMPARE(failures().userType(), int(QMetaType::LongLong));
        const qint64 before = failures().toLongLong();
        main_backend_->SetResponder([](IServerLink* link, const ServerRequest& request) {
            if (request.funcId == 12844)
                link->Answer(request, TwoWeeks());
        });
        HostClock::SetForTest(kStartMs);
        diskfault::Arm(ENOSPC, 0, dir.path());
        ExpectWarning("qzLv2quoter",
                      "save kline capitalflow cache failed: " + QRegularExpression::escape(path) +
                          ": " + diskfault::OsError(ENOSPC));
        QuoteContext context;
        std::unique_ptr<QuoteDataSourceHandler> handler(
            qobject_cast<QuoterFactoryInterface*>(plugin)->CreateHandler(context, "history"));
        context.OwnIntentHolder().SetChainHead(handler.get());
        AskForWeeklyFlows(context);
        QTRY_COMPARE(failures().toLongLong(), before + 1);
        QCOMPARE(notKept(), (QVariantMap{{path, diskfault::OsError(ENOSPC)}}));

        diskfault::Disarm();
        HostTimerQueue::AdvanceClockBy(kPollMs);
        QTRY_VERIFY(notKept().isEmpty());
        QVERIFY(QFile::exists(path));
        QCOMPARE(failures().toLongLong(), before + 1);

        handler.reset();
        HostClock::UseSystemClock();
        main_backend_->SetResponder({});
    }

private:
    QPluginLoader loader_{QStringLiteral(QZLV2_PLUGIN_FILE)};
    const std::shared_ptr<ScriptedServerBackend> main_backend_ =
        std::make_shared<ScriptedServerBackend>();
    const std::shared_ptr<ScriptedServerBackend> fast_backend_ =
        std::make_shared<ScriptedServerBackend>();
};

QTEST_GUILESS_MAIN(TestQuoterPlugin)
#include "tst_quoterplugin.moc"
