#pragma once

#include <QString>
#include <QStringList>

#include "host/access/transport/ServerAddress.h"
#include "sim/market/SimulatedMarketBackend.h"

// The command line of qzlv2-server:
//   qzlv2-server --listen HOST:PORT [--seed S] [--codes CODE,...] [--tick MS] [--verbose]
// Threads: main thread only.
namespace qzlv2server {

struct ServerSettings {
    transport::ServerAddress listen;
    SimulatedMarketBackend::Options market;
    bool verbose = false;
};

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// False with *error (for stderr, after "qzlv2-server: ") on a usage error; *help set for --help,
// whose text is in *error then.
bool ParseServerCommandLine(const QStringList& arguments, ServerSettings* out, QString* error,
                            bool* help);

}  // namespace qzlv2server
