#pragma once

#include <QCommandLineParser>

#include <optional>

#include "host/access/transport/ServerAddress.h"

// --server HOST:PORT: a live session talks to the quote server listening there (qzlv2-server)
// instead of the embedded simulated market. The option and its reading, for every command that
// talks to a quote server; transport::TcpServerBackend::InstallForServices installs the
// connection (what a window does with the same option too).
// Threads: main thread only.
namespace qzlv2 {

class Invocation;

void AddServerOption(QCommandLineParser& parser);
// The address, or none without the option; UsageError when it is not HOST:PORT with a port of
// 1 .. 65535.
std::optional<transport::ServerAddress> ReadServerOption(const Invocation& in);

}  // namespace qzlv2
