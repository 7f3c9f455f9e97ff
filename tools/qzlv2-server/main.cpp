// qzlv2-server: the simulated market behind a TCP listener (ServerCommandLine.h).
#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <memory>

#include "sim/market/SimulatedMarketBackend.h"
#include "sim/server/TcpQuoteServer.h"
#include "tools/qzlv2-server/ServerCommandLine.h"
#include "tools/qzlv2-server/StopSignals.h"

using namespace qzlv2server;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("qzlv2-server");
    ServerSettings settings;
    // The connection's TCP handshake is the client's "connecting"; the market adds no delay.
    settings.market.connect_delay_ms = 0;
    QString error;
    bool help = false;
    if (!ParseServerCommandLine(QCoreApplication::arguments(), &settings, &error, &help)) {
        std::fprintf(help ? stdout : stderr, help ? "%s" : "qzlv2-server: %s\n", qPrintable(error));
        return help ? kExitOk : kExitUsage;
    }
    if (!settings.verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    }
    StopSignals stop;
    auto market = std::make_shared<SimulatedMarketBackend>(settings.market);
    auto server = std::make_unique<simserver::TcpQuoteServer>(market);
    if (!server->Listen(settings.listen, &error)) {
        std::fprintf(stderr, "qzlv2-server: %s\n", qPrintable(error));
        return kExitFailed;
    }
    std::printf("listening %s\n", qPrintable(server->Address().ToString()));
    std::fflush(stdout);
    QObject::connect(&stop, &StopSignals::Stop, &app, [](int signal) {
        std::fprintf(stderr, "qzlv2-server: signal %d; stopping\n", signal);
        QCoreApplication::quit();
    });
    app.exec();
    server.reset();  // every client detached before the market goes
    return kExitOk;
}
