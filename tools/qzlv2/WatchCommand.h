#pragma once

#include <QString>
#include <QStringList>

// `qzlv2 watch CODE`: runs the plug-in the way the client does against the embedded simulated
// market and draws the stock's order book and board fields.
// Threads: Run is called on the main thread with a QCoreApplication; it runs the event loop.
namespace qzlv2 {

struct WatchOptions {
    QString code;
    QString plugin_file;
    int seconds = 0;  // 0: until interrupted
    bool once = false;
    int timeout_s = 10;         // s to wait for a complete screen
    int tick_ms = 500;          // ms between market ticks
    quint32 seed = 0;           // 0: the market's default seed
    bool plain = false;         // plain frames even on a terminal
    bool verbose = false;       // plug-in and market diagnostics to stderr
    int drop_link_every_s = 0;  // s between link drops of the simulated market (0: none)
};

// The board keys the watch screen asks for; `optional` ones only some stocks carry.
QStringList WatchBoardKeys();
QStringList WatchOptionalBoardKeys();

// Exit code: 0 when a complete screen was shown, 1 when data did not arrive in time or the
// plug-in could not be loaded.
int RunWatch(const WatchOptions& options);

}  // namespace qzlv2
