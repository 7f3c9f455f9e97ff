#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <memory>

#include "host/access/recording/ReplayBackend.h"

// Plays a recording made by `qzlv2 record` to the plug-in as its quote server, on the
// recording's clock: deliveries that share a recorded time form one step (or, one by one, each
// delivery), played once the caller's clock reaches it; the host clock follows the recording, so
// a replay runs the same way every time. A step whose answer waits for a request the plug-in has
// not sent is tried again at the next Play, and skipped (and reported) after the request wait.
// Construction installs the replay as the server of every recorded service and sets the host
// clock to the recording's start (the recorded plug-in started its timers just after it began);
// destruction uninstalls it. Make the player before the plug-in's host, destroy it after.
// Threads: main thread only.
namespace qzlv2 {

class ReplayPlayer {
public:
    enum class Result {
        NotDue,   // the next step's time is not reached yet
        Waiting,  // the open step waits for a request
        Played,   // a step was played: update the screen
        Ended,    // nothing more to play
    };

    ReplayPlayer(const recording::Recording& recording, int requestWaitMs);
    ~ReplayPlayer();

    // Plays the next step if it is due at recorded time `atMs` (ms since the recording began);
    // with `single`, the next delivery alone, whatever its time.
    Result Play(double atMs, bool single);
    // True while a step is open (it waits for a request).
    bool StepOpen() const { return step_open_; }
    bool AtEnd() const { return !step_open_ && replay_->NextTimeMs() < 0; }
    // Whether every recorded service's link was up at the time of the last step played (up
    // until a recorded link event says otherwise).
    bool LinkUp() const;
    // What the recording could not answer and what the plug-in never asked for, since the last
    // call.
    QStringList TakeReports();

private:
    struct LinkEvent {
        qint64 time_ms;
        QString service;
        bool up;
    };

    std::unique_ptr<recording::ReplayBackend> replay_;
    QList<LinkEvent> links_;  // recorded order
    qint64 played_ms_ = -1;   // recorded time of the last step played
    const int request_wait_ms_;
    QElapsedTimer waiting_;
    bool step_open_ = false;
    qint64 step_time_ = 0;
    int reported_ = 0;
};

// The code of a recording's recorded command line ("qzlv2 record: watch SH600000 --seconds 10");
// empty when it names none.
QString RecordedCode(const QString& recorder);

}  // namespace qzlv2
