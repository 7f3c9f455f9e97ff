#pragma once

#include <benchmark/benchmark.h>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/QuoteContext.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"

// Answer body -> accessor thread -> 12989 call (decode, signal check, publish, cache) -> node
// subscriber -> client's mid-result queue, popped on the benchmark thread, once per iteration.
// `backend` is what the caller installed for `service`, alone or wrapped; every backend is
// uninstalled at the end.
// Threads: the benchmark's thread; the accessor's thread runs an event loop, which needs the
// application object.
inline void MeasureAnswerToMidResultQueue(benchmark::State& state, const QString& service,
                                          ScriptedServerBackend& backend, const QByteArray& body) {
    constexpr int kPopWaitMs = 5000;  // ms
    QuoteContext context;
    QuoteDataSourceHandlerConfiguration configuration;
    configuration.context = &context;
    auto* accessor = new CHQOWNServerAccesser(service, nullptr, 0);
    accessor->RegisterFuncAsSerial(12989);
    auto* call = new QzLv2RemoteApiCall_12989(&configuration, accessor);
    call->Init();
    ScopeTreeNode node = ScopeTreeNode::NewRoot("qz_lv2_quoter_12989");
    node.api_type = "12989";
    node.stock_list = StockListExpression::FromStockCode("SH600000");
    call->AttachNode(node);
    backend.WaitForRequests(1, kPopWaitMs);
    const ServerRequest request = backend.Requests().first();

    QuoteTaskExecMidResult result;
    for (auto _ : state) {
        backend.Answer(request, body);
        if (!context.GetQuoteTaskExecMidResultQueue().Pop(result, kPopWaitMs)) {
            state.SkipWithError("no result");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * body.size());
    delete accessor;
    delete call;
    ServerBackendRegistry::Clear();
}
