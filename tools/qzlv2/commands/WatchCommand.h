#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "tools/qzlv2/commands/Command.h"
#include "tools/qzlv2/panels/Panel.h"
#include "host/access/transport/ServerAddress.h"

// `qzlv2 watch CODE`: runs the plug-in the way the client does against the embedded simulated
// market (or the quote server of --server) and draws the stock's screen (WatchPanels) in place on a
// terminal, as plain frames otherwise, or as JSON lines. Threads: RunWatch is called on the main
// thread with a QCoreApplication; it runs the event loop.
namespace qzlv2 {

struct WatchOptions {
    QString command = QStringLiteral("watch");  // for messages
    QString code;                               // empty: the panels ask for no stock
    // The screen's panels; empty: WatchPanels(code).
    std::function<std::vector<std::unique_ptr<Panel>>()> panels;
    QString plugin_file;
    qint64 seconds = 0;  // 0: until interrupted
    bool once = false;
    qint64 timeout_s = 10;      // s to wait for a complete screen
    int tick_ms = 500;          // ms between market ticks
    quint32 seed = 0;           // 0: the market's default seed
    bool plain = false;         // plain frames even on a terminal
    bool json = false;          // JSON lines instead of a screen
    bool verbose = false;       // plug-in and market diagnostics to stderr
    int drop_link_every_s = 0;  // s between link drops of the simulated market (0: none)
    // The quote server to talk to; none: the embedded simulated market.
    std::optional<transport::ServerAddress> server;
};

Command WatchCommand();

// The options every live session shares (--seconds, --once, --timeout, --plugin, --tick, --seed,
// --drop-link-every, --server, --plain, --json, --verbose) and reading them into the options.
void AddSessionOptions(QCommandLineParser& parser);
void ReadSessionOptions(const Invocation& in, WatchOptions& options);

// Exit code: 0 when a complete screen was shown, 1 when data did not arrive in time, the
// plug-in could not be loaded or the screen could not be written, 130/143 when interrupted.
int RunWatch(const WatchOptions& options);

}  // namespace qzlv2
