#pragma once

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/core/CDataStoreMgr.h"
#include "host/core/HostClock.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/ScopeTreeNode.h"

// Shared scaffolding of the call tests: a scripted server, a quote context, a real accessor and
// the configuration whose LV2 statement covers SH/SZ codes.
namespace calltest {

constexpr int kWaitMs = 5000;               // ms, bound on a cross-thread delivery
constexpr qint64 kStartMs = 1700000000000;  // ms since the epoch, where StartAt freezes the clock

// "tag=value" per parameter; a string list as its items joined by "|".
inline QStringList Flatten(const RequestParams& params) {
    QStringList out;
    for (const auto& p : params) {
        const bool list = p.second.type() == QVariant::StringList;
        out << p.first + "=" + (list ? p.second.toStringList().join('|') : p.second.toString());
    }
    return out;
}

// "key=value" per entry of the request's context, in the order the call appended them.
inline QStringList ContextKeys(const ServerRequest& request) {
    QStringList out;
    for (const auto& item : request.context->keyGroup.Items())
        out << item.first + "=" + item.second.ToString();
    return out;
}

inline ScopeTreeNode NodeFor(const QString& code, const QString& apiType) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(apiType);
    node.stock_list = StockListExpression::FromStockCode(code);
    node.api_type = apiType;
    return node;
}

struct Harness {
    std::shared_ptr<ScriptedServerBackend> backend;
    std::unique_ptr<QuoteContext> context;
    QuoteDataSourceHandlerConfiguration configuration;
    std::unique_ptr<CHQOWNServerAccesser> accessor;
    std::unique_ptr<QTemporaryDir> files;  // the files root while StartAt holds

    void Start(const QString& service = "l2quote") {
        backend = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install(service, backend);
        context = std::make_unique<QuoteContext>();
        configuration.context = context.get();
        configuration.lv2_feature = PatternFeatureStatement(1, "LV2", "(SH|SZ)\\d{6}");
        accessor = std::make_unique<CHQOWNServerAccesser>(service, nullptr, 0);
    }
    // A call on the accessor, initialised; deleted before Stop(), as the quoter does.
    template <typename Call>
    std::unique_ptr<Call> Make() {
        auto call = std::make_unique<Call>(&configuration, accessor.get());
        call->Init();
        return call;
    }
    void Stop() {
        accessor.reset();
        context.reset();
        ServerBackendRegistry::Clear();
    }
    // Start() with the host clock frozen at `nowMs` and the files root (history files) in a
    // fresh temporary folder; StopAndThaw() undoes all three.
    void StartAt(qint64 nowMs) {
        HostClock::SetForTest(nowMs);
        files = std::make_unique<QTemporaryDir>();
        CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(files->path());
        Start();
    }
    void StopAndThaw() {
        Stop();
        files.reset();
        HostClock::UseSystemClock();
    }
    // Returns once every answer posted to the accessor so far has been handled.
    void Flush() {
        QMetaObject::invokeMethod(
            accessor.get(), [] {}, Qt::BlockingQueuedConnection);
    }
    int Queued() const { return context->GetQuoteTaskExecMidResultQueue().Size(); }
    // Up to n deliveries, each waited for up to kWaitMs; Next() is one (empty if none came).
    QList<QuoteTaskExecMidResult> Take(int n) {
        QList<QuoteTaskExecMidResult> results;
        QuoteTaskExecMidResult result;
        while (results.size() < n && context->GetQuoteTaskExecMidResultQueue().Pop(result, kWaitMs))
            results << result;
        return results;
    }
    QuoteTaskExecMidResult Next() { return Take(1).value(0); }
    // The requests of one function, in order.
    QList<ServerRequest> RequestsOf(int funcId) const {
        QList<ServerRequest> out;
        for (const ServerRequest& r : backend->Requests()) {
            if (r.funcId == funcId)
                out << r;
        }
        return out;
    }
    // Waits for the n-th request of the function (1-based) and returns it.
    ServerRequest WaitForRequestOf(int funcId, int n) {
        (void)QTest::qWaitFor([&] { return RequestsOf(funcId).size() >= n; }, kWaitMs);
        return RequestsOf(funcId).value(n - 1);
    }
};

// A call test: the harness started with the clock frozen at kStartMs (and a files root of its
// own) around each test function;
// the calls a test function makes are gone when it returns.
class CallTest : public QObject {
    Q_OBJECT

protected:
    Harness h_;

private slots:
    void init() { h_.StartAt(kStartMs); }
    void cleanup() { h_.StopAndThaw(); }
};

}  // namespace calltest
