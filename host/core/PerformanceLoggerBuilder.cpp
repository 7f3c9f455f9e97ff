#include "host/core/PerformanceLoggerBuilder.h"

#include <QDebug>
#include <atomic>

#include "host/core/HostClock.h"

// Debug markers are off unless the category is enabled (QT_LOGGING_RULES="qz.perf.debug=true").
Q_LOGGING_CATEGORY(lcQzPerf, "qz.perf", QtInfoMsg)

namespace {
std::atomic<int> g_instantPhases{0};
}

void PerformanceLoggerBuilder::InstantPhase(const QString& subject, const QString& phase,
                                            const QString& name, const QString& detail) {
    g_instantPhases.fetch_add(1);
    qCDebug(lcQzPerf).noquote() << "perf"
                                << "{:SEPARATOR}"
                                << "instant" << HostClock::NowMs() << subject << phase << name
                                << detail;
}

int PerformanceLoggerBuilder::InstantPhaseCount() {
    return g_instantPhases.load();
}

void PerformanceLoggerBuilder::ResetInstantPhaseCount() {
    g_instantPhases.store(0);
}
