#include "tools/qzlv2/loading/QuoteServer.h"

namespace qzlv2 {

QuoteServer QuoteServer::Install(const std::optional<transport::ServerAddress>& server, int tickMs,
                                 quint32 seed) {
    QuoteServer installed;
    if (server) {
        installed.remote = transport::TcpServerBackend::InstallForServices(*server).first();
        return installed;
    }
    SimulatedMarketBackend::Options options;
    options.tick_ms = tickMs;
    if (seed != 0) {
        options.seed = seed;
    }
    installed.market = std::make_shared<SimulatedMarketBackend>(options);
    SimulatedMarketBackend::InstallForBothServices(installed.market);
    return installed;
}

}  // namespace qzlv2
