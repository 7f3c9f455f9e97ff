#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

#include "host/access/recording/RecordingReader.h"
#include "host/access/transport/ServerAddress.h"
#include "tools/qzlv2/loading/QuoteServer.h"
#include "tools/views/StockViews.h"

namespace qzlv2 {
class PluginHost;
class ReplayPlayer;
}  // namespace qzlv2

// The data side of the quote window: the quote server (the embedded simulated market, a
// qzlv2-server reached over TCP, or a recording played on its own clock as `qzlv2 replay` plays
// it), and per code the plug-in run as
// the client runs it with the code's views. Nothing here waits on the window: the plug-in's
// threads put their results into the host's queue, and Drain, called from the window's timer,
// joins them into the views (each view updated after every join, so a burst keeps every book
// for the depth history and the latest state of every view).
// Threads: main thread only; the plug-in and the market run their own threads.
namespace qzgui {

struct SessionOptions {
    QStringList codes;
    QString plugin_file;
    QString replay_file;  // empty: the simulated market, or the server
    int tick_ms = 500;    // ms between market ticks
    quint32 seed = 0;     // 0: the market's default seed
    int request_wait_ms = 5000;
    std::optional<transport::ServerAddress> server;  // none: the embedded simulated market
};

class QuoteSession {
public:
    explicit QuoteSession(SessionOptions options);
    ~QuoteSession();  // the plug-ins first, then the server

    // False with `error` when the recording cannot be read or a plug-in cannot be loaded.
    bool Start(QString& error);
    // Live: moves the host clock to the wall clock (the plug-in's timers fire at their due
    // times). Replay: plays the recording up to `replayMs` ms after its start and joins each
    // step's results at once, on the recording's clock; true while a step waits for a request
    // the plug-in has not sent yet (call again).
    bool Advance(double replayMs);
    // Joins what the plug-in delivered since the last call into the views.
    void Drain();
    // Replay: everything recorded has been played.
    bool Ended() const;
    bool IsReplay() const { return !options_.replay_file.isEmpty(); }
    // Notes the link state in every code's link view; true when one changed.
    bool FollowLink();
    // Asks again for `code`'s K-line flow history in `cycle`; false for an unknown cycle.
    bool ChooseCycle(const QString& code, const QString& cycle);
    // What the recording could not answer or the plug-in never asked for, since the last call.
    QStringList TakeReports();

    std::vector<std::unique_ptr<qzviews::StockViews>>& Stocks() { return stocks_; }

private:
    bool LinkUp() const;

    SessionOptions options_;
    recording::Recording recording_;
    qzlv2::QuoteServer server_;  // live: the market or the connection to --server
    std::unique_ptr<qzlv2::ReplayPlayer> player_;
    std::vector<std::unique_ptr<qzviews::StockViews>> stocks_;
    std::vector<std::unique_ptr<qzlv2::PluginHost>> hosts_;  // per code, as stocks_
};

}  // namespace qzgui
