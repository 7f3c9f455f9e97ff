#include <QtTest>
#include <thread>
#include <vector>

#include "host/core/PerformanceLoggerBuilder.h"

namespace {
QStringList g_messages;  // written by the handler on the test thread only
QtMessageHandler g_previous = nullptr;

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtDebugMsg && QByteArray(context.category) == "qz.perf") {
        g_messages << message;
        return;
    }
    g_previous(type, context, message);
}
}  // namespace

class TstPerfLogger : public QObject {
    Q_OBJECT

private slots:
    void countsMarkersFromManyThreads();
    void logsMarkerUnderItsCategory();
};

void TstPerfLogger::countsMarkersFromManyThreads() {
    PerformanceLoggerBuilder::ResetInstantPhaseCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 250; ++i) {
                PerformanceLoggerBuilder::InstantPhase("quoter", "join", "n", "d");
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    QCOMPARE(PerformanceLoggerBuilder::InstantPhaseCount(), 1000);
}

void TstPerfLogger::logsMarkerUnderItsCategory() {
    QVERIFY(!lcQzPerf().isDebugEnabled());  // quiet unless asked for
    QLoggingCategory::setFilterRules("qz.perf.debug=true");
    g_messages.clear();
    g_previous = qInstallMessageHandler(Capture);
    PerformanceLoggerBuilder::InstantPhase("lv2", "OnJoin12844ToStdIncrement", "kline", "SZ000001");
    qInstallMessageHandler(g_previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(g_messages.size(), 1);
    for (const char* piece :
         {"{:SEPARATOR}", "lv2", "OnJoin12844ToStdIncrement", "kline", "SZ000001"}) {
        QVERIFY2(g_messages.first().contains(QLatin1String(piece)), qPrintable(g_messages.first()));
    }
}

QTEST_GUILESS_MAIN(TstPerfLogger)
#include "tst_perflogger.moc"
