#pragma once

#include <QStringList>
#include <QtTest>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/ScopeTreeNode.h"

// Shared scaffolding of the call tests: a scripted "l2quote" server, a quote context, a real
// accessor and the configuration whose LV2 statement covers SH/SZ codes.
namespace calltest {

inline const char* kService = "l2quote";

// "tag=value" per parameter; a string list as its items joined by "|".
inline QStringList Flatten(const RequestParams& params) {
    QStringList out;
    for (const auto& p : params) {
        const QString value = p.first == "Strings" ? p.second.toStringList().join('|')
                                                   : QString::number(p.second.toLongLong());
        out << p.first + "=" + value;
    }
    return out;
}

inline ScopeTreeNode NodeFor(const QString& code, const QString& apiType) {
    ScopeTreeNode node(apiType);
    node.stock_list = StockListExpression::FromStockCode(code);
    node.api_type = apiType;
    return node;
}

inline QuoteTaskExecMidResult PopNow(QuoteContext& context) {
    QuoteTaskExecMidResult result;
    context.GetQuoteTaskExecMidResultQueue().Pop(result, 0);
    return result;
}

// The requests of one function, in order.
inline QList<ServerRequest> RequestsOf(const ScriptedServerBackend& backend, int funcId) {
    QList<ServerRequest> out;
    for (const ServerRequest& r : backend.Requests()) {
        if (r.funcId == funcId) {
            out << r;
        }
    }
    return out;
}

struct Harness {
    std::shared_ptr<ScriptedServerBackend> backend;
    std::unique_ptr<QuoteContext> context;
    QuoteDataSourceHandlerConfiguration configuration;
    std::unique_ptr<CHQOWNServerAccesser> accessor;

    void Start() {
        backend = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install(kService, backend);
        context = std::make_unique<QuoteContext>();
        configuration.context = context.get();
        configuration.lv2_feature = PatternFeatureStatement(1, "LV2", "(SH|SZ)\\d{6}");
        accessor = std::make_unique<CHQOWNServerAccesser>(kService, nullptr, 0);
    }
    void Stop() {
        accessor.reset();
        context.reset();
        ServerBackendRegistry::Clear();
    }
    // Waits for the n-th request of the function (1-based) and returns it.
    ServerRequest WaitForRequestOf(int funcId, int n) {
        QList<ServerRequest> requests;
        (void)QTest::qWaitFor(
            [&] {
                requests = RequestsOf(*backend, funcId);
                return requests.size() >= n;
            },
            5000);
        return requests.size() >= n ? requests.at(n - 1) : ServerRequest();
    }
};

}  // namespace calltest
