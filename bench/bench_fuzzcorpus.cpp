// The slowest input of every decoder's fuzz corpus, decoded (or rejected) in a plain build: no
// input may cost a decoder more than a millisecond. The corpora are the seeds in fuzz/corpus, or
// the folders under $QZ_FUZZ_CORPUS (one per decoder, named like the seed folders), which is where
// a fuzzing run's grown corpus goes.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdlib>

#include "fuzz/FuzzEntries.h"

namespace {

constexpr int kProbeRuns = 20;  // decodes per input when looking for the slowest

QString CorpusRoot() {
    const char* grown = std::getenv("QZ_FUZZ_CORPUS");
    return grown != nullptr ? QString::fromLocal8Bit(grown) : QStringLiteral(QZ_FUZZ_CORPUS_DIR);
}

double MeanNs(qzfuzz::Entry entry, const QByteArray& input) {
    const auto* data = reinterpret_cast<const uint8_t*>(input.constData());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kProbeRuns; ++i) {
        entry(data, static_cast<size_t>(input.size()));
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / kProbeRuns;
}

QByteArray SlowestInput(const qzfuzz::NamedEntry& entry) {
    QDir dir(CorpusRoot() + QLatin1Char('/') + QLatin1String(entry.name));
    QByteArray slowest;
    double slowestNs = -1;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray input = file.readAll();
        const double ns = MeanNs(entry.entry, input);
        if (ns > slowestNs) {
            slowestNs = ns;
            slowest = input;
        }
    }
    return slowest;
}

void BM_SlowestCorpusInput(benchmark::State& state, qzfuzz::NamedEntry entry) {
    const QByteArray input = SlowestInput(entry);
    const auto* data = reinterpret_cast<const uint8_t*>(input.constData());
    for (auto _ : state) {
        benchmark::DoNotOptimize(entry.entry(data, static_cast<size_t>(input.size())));
    }
    state.counters["input_bytes"] = input.size();
}

}  // namespace

int main(int argc, char** argv) {
    qzfuzz::SilenceLog();
    int count = 0;
    const qzfuzz::NamedEntry* entries = qzfuzz::Entries(&count);
    for (int i = 0; i < count; ++i) {
        benchmark::RegisterBenchmark(
            (std::string("BM_SlowestCorpusInput/") + entries[i].name).c_str(),
            BM_SlowestCorpusInput, entries[i]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
