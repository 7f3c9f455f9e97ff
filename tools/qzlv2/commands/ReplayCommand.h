#pragma once

#include <QString>

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 replay FILE [--speed X | --step] [--json]`: runs the plug-in against a recording made by
// `qzlv2 record` instead of a live server, and shows the watch screen (plain frames) or JSON
// lines. Deliveries that share a recorded time form one step (with --step, each delivery is one);
// after each step the screen is redrawn if it changed, its time being the recording's (the host
// clock follows the recording), so replaying a recording twice prints the same bytes. Threads:
// RunReplay is called on the main thread with a QCoreApplication; it runs the event loop.
namespace qzlv2 {

struct ReplayOptions {
    QString file;
    QString code;  // empty: the code of the recorded watch command
    QString plugin_file;
    double speed = 1.0;          // recorded ms per real ms
    bool step = false;           // one delivery per line on stdin
    bool json = false;           // JSON lines instead of plain frames
    bool verbose = false;        // plug-in diagnostics to stderr
    int request_wait_ms = 5000;  // ms to wait for a request a recorded answer needs
};

Command ReplayCommand();

// Exit code: 0 when the recording was played to its end, 1 when it cannot be read or the
// plug-in cannot be loaded, 130/143 when interrupted.
int RunReplay(const ReplayOptions& options);

}  // namespace qzlv2
