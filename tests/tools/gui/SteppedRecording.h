#pragma once
// A recording of the quote window's views of one stock, made in process on the injected clock:
// the simulated market without timers of its own, stepped every kStepMs of host time (the
// plug-in's polls fall due on the way), its link dropped before step `dropAt` and never restored,
// recorded through the recording backend. Replaying it plays the same session every time.
#include <QString>

#include "host/access/ServerBackend.h"
#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingWriter.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tests/tools/SettlingBackend.h"
#include "tools/qzlv2/loading/PluginHost.h"
#include "tools/views/StockViews.h"

namespace stepped {

constexpr qint64 kStartMs = 1717731000000;  // 2024-06-07 03:30:00 UTC
constexpr int kStepMs = 500;                // ms of host time per market step

// Records `steps` steps of `code` into `path`; false with `error`. Every view but those the
// market's steps make (deals, signals) has its data before the first step (at most kWaitMs of
// real time for the plug-in's threads), and every view after the last.
inline bool Record(const QString& path, const QString& code, const QString& plugin, int steps,
                   int dropAt, QString* error) {
    constexpr int kWaitMs = 10000;
    HostClock::SetForTest(kStartMs);
    const tooltest::SettledMarket installed = tooltest::SettledMarket::Install();
    const auto& [market, settling, services] = installed;
    auto writer = std::make_shared<recording::RecordingWriter>();
    if (!writer->Open(path, "test: watch " + code, error)) {
        return false;
    }
    recording::RecordingBackend::WrapInstalled(services, writer);
    bool complete = false;
    {
        qzviews::StockViews views(code);
        qzlv2::PluginHost host(views.Shared(), views.OwnIntent());
        if (!host.Start(plugin, code, *error)) {
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (!complete && waited.elapsed() < kWaitMs) {
            settling->Settle();
            host.Update();
            QStringList missing = views.Missing();
            for (const char* stepped : {"large deal", "signals", "signal statistics"}) {
                missing.removeAll(QLatin1String(stepped));
            }
            complete = missing.isEmpty();
            QThread::msleep(complete ? 0 : 5);  // the plug-in's threads, not a system interval
        }
        for (int step = 0; step < steps && complete; ++step) {
            HostTimerQueue::AdvanceClockBy(kStepMs);
            if (step == dropAt) {
                market->DropLink();
            } else {
                market->Step();
            }
            settling->Settle();
            host.Update();
        }
        if (!complete || !views.Missing().isEmpty()) {
            *error = "views without data: " + views.Missing().join(", ");
            complete = false;
        }
    }
    ServerBackendRegistry::Clear();
    return writer->Close() && complete;
}

}  // namespace stepped
