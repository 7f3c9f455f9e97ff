// What recording a session costs. The answer path (answer body -> accessor thread -> 12989 call
// -> client's mid-result queue) with and without a recording backend between the accessor and
// the server, in the same run (Arg 0: plain, Arg 1: recording); and the simulated market at full
// load (every stock's book asked for, every code pushed) stepping with and without recording,
// with the events the writer had to drop as a counter (0: the writer keeps up).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>

#include "bench/AnswerPath.h"
#include "bench/BenchSupport.h"
#include "host/access/RequestParamCodec.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingWriter.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"

namespace {

using recording::RecordingBackend;
using recording::RecordingWriter;

constexpr int kLevels = 10;  // levels a side
constexpr int kQueued = 50;  // queued orders per level
const char kFastService[] = "pcl2xtquote";

// Installs the backend for the service, wrapped in a recording backend when `record`.
std::shared_ptr<RecordingWriter> Install(const QString& service,
                                         std::shared_ptr<IServerBackend> backend, bool record,
                                         const QTemporaryDir& dir,
                                         int maxQueued = RecordingWriter::kDefaultMaxQueued) {
    ServerBackendRegistry::Install(service, backend);
    if (!record) {
        return nullptr;
    }
    auto writer =
        std::make_shared<RecordingWriter>(maxQueued, RecordingWriter::kDefaultMaxQueuedBytes);
    QString error;
    if (!writer->Open(dir.filePath("bench.qzr"), "bench", &error)) {
        return nullptr;
    }
    RecordingBackend::WrapInstalled({service}, writer);
    return writer;
}

void BM_AnswerToMidResultQueue(benchmark::State& state) {
    QTemporaryDir dir;
    auto backend = std::make_shared<ScriptedServerBackend>();
    const auto writer = Install(kFastService, backend, state.range(0) != 0, dir);
    MeasureAnswerToMidResultQueue(state, kFastService, *backend,
                                  simwire::EncodeFastQuoteBody(simwire::MakeFullFastQuoteBook(
                                      "SH600000", 1050, kLevels, kQueued)));
    if (writer) {
        writer->Close();
        state.counters["dropped"] = double(writer->DroppedCount());
    }
}
BENCHMARK(BM_AnswerToMidResultQueue)->Arg(0)->Arg(1)->UseRealTime();

// A link that takes everything and does nothing: the cost measured is the market's and the
// recording's, not an accessor's.
class NullLink : public IServerLink {
public:
    void Answer(const ServerRequest&, const QByteArray&) override {}
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int, const QByteArray&) override {}
    void ReportAccessState(_enAccessState) override {}
};

// Keeps the link a backend wrapped around it is attached with.
class CapturingBackend : public IServerBackend {
public:
    void Attach(IServerLink* link) override { link_ = link; }
    void OnRequest(IServerLink*, const ServerRequest&) override {}
    IServerLink* link_ = nullptr;
};

// What the delivery thread itself pays per answer: handing it to the accessor's link directly
// (Arg 0), or through a recording link that queues it for the writer first (Arg 1). A small
// body and a queue that holds every answer of the run, so that each one is queued, none dropped.
void BM_LinkAnswer(benchmark::State& state) {
    QTemporaryDir dir;
    auto inner = std::make_shared<CapturingBackend>();
    constexpr int kQueue = 1 << 22;  // events
    const auto writer = Install(kFastService, inner, state.range(0) != 0, dir, kQueue);
    NullLink accessorLink;
    ServerBackendRegistry::Find(kFastService)->Attach(&accessorLink);
    IServerLink* link = inner->link_;
    ServerRequest request;
    request.service = kFastService;
    request.funcId = 12989;
    const QByteArray body(32, 'x');
    for (auto _ : state) {
        benchmark::DoNotOptimize(link);  // the plain hand-off is one virtual call: keep it
        link->Answer(request, body);
        benchmark::ClobberMemory();
    }
    ServerBackendRegistry::Find(kFastService)->Detach(&accessorLink);
    ServerBackendRegistry::Clear();
    if (writer) {
        writer->Close();
        state.counters["dropped"] = double(writer->DroppedCount());
    }
}
BENCHMARK(BM_LinkAnswer)->Arg(0)->Arg(1);

ServerRequest Request(const QString& service, int function, const RequestParams& params) {
    static int task = 0;
    ServerRequest request;
    QString error;
    request.service = service;
    request.funcId = function;
    request.params = params;
    RequestParamCodec::Encode(params, &request.encoded, &error);
    request.taskId = ++task;
    return request;
}

void BM_SimulatedMarketFullLoad(benchmark::State& state) {
    QTemporaryDir dir;
    SimulatedMarketBackend::Options options;
    options.timers = false;
    options.snapshot_push_every = 1;
    auto market = std::make_shared<SimulatedMarketBackend>(options);
    const auto writer = Install(kFastService, market, state.range(0) != 0, dir);
    std::shared_ptr<IServerBackend> server = ServerBackendRegistry::Find(kFastService);
    NullLink link;
    server->Attach(&link);
    QStringList codes;
    market->ReadMarket([&codes](const simmarket::SimulatedMarket& m) { codes = m.StockCodes(); });
    for (const QString& code : codes) {
        server->OnRequest(&link, Request(kFastService, 12989, {{"String", code}, {"Int16", 10}}));
    }
    server->OnRequest(&link, Request(kFastService, 10000,
                                     {{"Int16", 0},
                                      {"Int16", 0},
                                      {"Strings", codes},
                                      {"Int32U", -1},
                                      {"Int32U", -1},
                                      {"Int32U", -1}}));
    for (auto _ : state) {
        market->Step();
    }
    state.counters["answers"] = double(market->AnswerCount(12989));
    server->Detach(&link);
    ServerBackendRegistry::Clear();
    if (writer) {
        writer->Close();
        state.counters["dropped"] = double(writer->DroppedCount());
    }
}
BENCHMARK(BM_SimulatedMarketFullLoad)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksInApp(argc, argv);
}
