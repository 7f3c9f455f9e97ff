#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

#include "tools/qzlv2-gui/QuoteSession.h"

// `qzlv2-gui CODE...`: the quote window over a session, driven by two timers of its own: the
// clock (every kClockMs: the host clock follows the wall clock, or the recording plays what is
// due) and the frame (every kFrameMs: the plug-in's results are joined into the views, and each
// panel whose view changed is redrawn once). It ends after --seconds, or with --replay at the
// end of the recording, writing --screenshot of the whole window just before.
// Threads: main thread with a QApplication; Run runs the event loop.
namespace qzgui {

class QuoteWindow;

struct AppOptions {
    SessionOptions session;
    qint64 seconds = 0;  // 0: until the window is closed
    QString screenshot;  // PNG written just before quitting
    bool verbose = false;
};

class QuoteApp {
public:
    static constexpr int kClockMs = 5;    // ms between moves of the clock
    static constexpr int kFrameMs = 100;  // ms between frames: at most ten redraws a second

    explicit QuoteApp(AppOptions options);
    ~QuoteApp();

    // Starts the session and shows the window; false with `error`.
    bool Start(QString& error);
    // Runs until the end; the exit code.
    int Run();

    QuoteSession& Session() { return session_; }
    QuoteWindow& Window() { return *window_; }
    // One frame: joins, follows the link, redraws; true when the run should end.
    bool Frame();
    // Writes the screenshot (when asked for); false with the message on stderr.
    bool Finish();

private:
    AppOptions options_;
    QuoteSession session_;
    std::unique_ptr<QuoteWindow> window_;
    QTimer clock_;
    QTimer frame_;
    QElapsedTimer since_start_;
    int exit_code_ = 0;
};

}  // namespace qzgui
