#include "tools/qzlv2/commands/ReplayCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include <unistd.h>

#include "host/core/HostClock.h"
#include "tools/qzlv2/loading/PluginHost.h"
#include "tools/qzlv2/loading/ReplayPlayer.h"
#include "tools/qzlv2/output/Interrupt.h"
#include "tools/qzlv2/output/Output.h"
#include "tools/qzlv2/output/ScreenStream.h"
#include "tools/qzlv2/panels/Screen.h"
#include "tools/qzlv2/panels/WatchPanels.h"

#ifndef QZLV2_PLUGIN_FILE
#define QZLV2_PLUGIN_FILE ""
#endif

namespace qzlv2 {

namespace {

constexpr int kTickMs = 5;  // ms between looks at the replay's clock
const char kQuietRules[] = "qzlv2.*=false\nsim.*=false\n*.debug=false\nreplay.warning=false";

class ReplaySession {
public:
    ReplaySession(const ReplayOptions& options, const recording::Recording& recording)
        : options_(options),
          screen_(WatchPanels(options.code)),
          player_(recording, options.request_wait_ms),
          host_(screen_) {}

    int Run();

private:
    void Tick();
    void ReadStepLines();
    void CloseStep();
    bool Draw();
    void PrintReports();
    void Finish(int code);

    const ReplayOptions options_;
    Screen screen_;
    ReplayPlayer player_;  // made before the host and gone after it
    PluginHost host_;
    // --step: stdin is read as it comes, so the event loop (and an interrupt) never waits on it.
    std::unique_ptr<QSocketNotifier> step_input_;
    qint64 step_lines_ = 0;   // lines read and not yet played
    bool line_open_ = false;  // the last bytes read did not end their line
    bool input_ended_ = false;
    QElapsedTimer since_start_;
    QByteArray last_;
    bool finished_ = false;
    int exit_code_ = kExitOk;
};

int ReplaySession::Run() {
    if (!options_.verbose) {
        QLoggingCategory::setFilterRules(QString::fromLatin1(kQuietRules));
    }
    TakeScreenStream(options_.verbose);
    QString error;
    if (!host_.Start(options_.plugin_file, options_.code, error)) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(error));
        return kExitFailed;
    }
    DeferInterrupts();
    if (options_.step) {
        // The screen before the first delivery, while the first line is awaited.
        if (!Draw()) {
            return kExitFailed;
        }
        step_input_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(step_input_.get(), &QSocketNotifier::activated,
                         [this] { ReadStepLines(); });
    }
    since_start_.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [this] { Tick(); });
    tick.start(kTickMs);
    QCoreApplication::exec();
    return exit_code_;
}

void ReplaySession::Tick() {
    if (finished_) {
        return;
    }
    if (const int interrupted = InterruptExitCode()) {
        Finish(interrupted);
        return;
    }
    if (player_.AtEnd()) {
        Finish(Draw() ? kExitOk : kExitFailed);
        return;
    }
    // --step: the next delivery after a line on stdin.
    if (options_.step && !player_.StepOpen()) {
        if (step_lines_ == 0) {
            if (input_ended_) {
                Finish(Draw() ? kExitOk : kExitFailed);
            }
            return;
        }
        --step_lines_;
    }
    const ReplayPlayer::Result played =
        player_.Play(double(since_start_.elapsed()) * options_.speed, options_.step);
    if (played == ReplayPlayer::Result::Played) {
        CloseStep();
    } else if (played == ReplayPlayer::Result::Waiting) {
        PrintReports();
    }
}

// Called when stdin is readable, so the read does not wait. A last line without its newline
// counts as a line.
void ReplaySession::ReadStepLines() {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        step_input_->setEnabled(false);
        input_ended_ = true;
        step_lines_ += line_open_ ? 1 : 0;
        return;
    }
    step_lines_ += std::count(buffer, buffer + n, '\n');
    line_open_ = buffer[n - 1] != '\n';
}

void ReplaySession::CloseStep() {
    host_.Update();
    PrintReports();
    if (!Draw()) {
        Finish(kExitFailed);
    }
}

// Only a screen that changed is drawn, so that the output depends on what was delivered and
// not on how fast.
bool ReplaySession::Draw() {
    const QByteArray key = screen_.JsonLine(QString());
    if (key == last_) {
        return true;
    }
    last_ = key;
    Output& out = Output::Results();
    const QByteArray frame = options_.json
                                 ? screen_.JsonLine(HostClock::Now().toString(Qt::ISODateWithMs))
                                 : screen_.PlainFrame();
    if (!out.Write(frame)) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(out.ErrorText()));
        return false;
    }
    return true;
}

void ReplaySession::PrintReports() {
    for (const QString& report : player_.TakeReports()) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(report));
    }
}

void ReplaySession::Finish(int code) {
    finished_ = true;
    exit_code_ = code;
    QCoreApplication::exit(0);
}

void DefineReplay(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Loads the plug-in as 'watch' does, but serves it the answers, pushes and link events of "
        "a recording made by 'qzlv2 record' instead of the simulated market, at their recorded "
        "times (scaled by --speed) or one delivery per line on standard input (--step). The host "
        "clock follows the recording, so two replays print the same bytes. A request the "
        "recording cannot answer, and a recorded answer the plug-in never asks for (skipped "
        "after --request-wait ms), are reported on stderr.");
    p.addPositionalArgument("FILE", "The recording.");
    p.addOptions({
        {"speed", "Recorded milliseconds per real millisecond, e.g. 10 (default 1).", "X", "1"},
        {"step",
         "Show the screen before the first delivery, then play one delivery per line on "
         "standard input (Enter on a terminal)."},
        {"json", "Write one JSON object per changed screen (JSON lines)."},
        {"code", "The stock to ask for (default: the one of the recorded watch).", "CODE"},
        {"request-wait",
         "Milliseconds to wait for a request a recorded answer needs, 1 to 600000 (default "
         "5000).",
         "MS", "5000"},
        {"plugin", "The plug-in file to load (default: the one built with this tool).", "PATH",
         QZLV2_PLUGIN_FILE},
        {"verbose", "Show the plug-in's diagnostics on stderr."},
    });
}

int Replay(const Invocation& in) {
    ReplayOptions o;
    o.file = in.Argument(0);
    bool ok = false;
    o.speed = in.Value("speed").toDouble(&ok);
    if (!ok || o.speed <= 0 || o.speed > 1e6) {
        throw UsageError(QStringLiteral("--speed must be a number above 0 and at most 1000000"));
    }
    if (in.IsSet("speed") && in.IsSet("step")) {
        throw UsageError(QStringLiteral("--speed and --step exclude each other"));
    }
    o.step = in.IsSet("step");
    o.json = in.IsSet("json");
    o.verbose = in.IsSet("verbose");
    o.code = in.Value("code").toUpper();
    o.plugin_file = in.Value("plugin");
    o.request_wait_ms = int(in.Number("request-wait", 1, 600000));
    return RunReplay(o);
}

}  // namespace

Command ReplayCommand() {
    return Command{"replay",
                   "replay FILE [--speed X | --step] [--json]",
                   "run the plug-in on a recording, the same way every time",
                   1,
                   1,
                   DefineReplay,
                   Replay};
}

int RunReplay(const ReplayOptions& options) {
    const recording::Recording recording = recording::RecordingReader::ReadFile(options.file);
    if (!recording.valid) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(recording.error));
        return kExitFailed;
    }
    if (!recording.warning.isEmpty()) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(recording.warning));
    }
    ReplayOptions o = options;
    if (o.code.isEmpty()) {
        o.code = RecordedCode(recording.header.recorder);
    }
    if (o.code.isEmpty()) {
        std::fprintf(stderr, "qzlv2 replay: the recording names no stock; give --code\n");
        return kExitFailed;
    }
    ReplaySession session(o, recording);
    return session.Run();
}

}  // namespace qzlv2
