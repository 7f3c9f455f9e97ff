#include "tools/qzlv2/loading/ServerOption.h"

#include "tools/qzlv2/commands/Command.h"

namespace qzlv2 {

void AddServerOption(QCommandLineParser& parser) {
    parser.addOption({"server",
                      "Talk to the quote server at HOST:PORT (qzlv2-server) instead of the "
                      "embedded simulated market.",
                      "HOST:PORT"});
}

std::optional<transport::ServerAddress> ReadServerOption(const Invocation& in) {
    if (!in.IsSet("server")) {
        return std::nullopt;
    }
    transport::ServerAddress address;
    QString error;
    if (!transport::ServerAddress::Parse(in.Value("server"), &address, &error)) {
        throw UsageError(QStringLiteral("--server: ") + error);
    }
    if (address.port == 0) {
        throw UsageError(
            QStringLiteral("--server: port 0 is where a server listens on any free "
                           "port; give the port it printed"));
    }
    return address;
}

}  // namespace qzlv2
