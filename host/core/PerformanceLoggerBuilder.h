#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcQzPerf)

// Performance markers of the client. InstantPhase writes an instant marker to the debug log of
// category "qz.perf" (off unless that category is enabled) and counts it.
//
// Threads: any thread; the counter is atomic.
class PerformanceLoggerBuilder {
public:
    static void InstantPhase(const QString& subject, const QString& phase, const QString& name,
                             const QString& detail);
    static int InstantPhaseCount();
    static void ResetInstantPhaseCount();
};
