#include "tools/qzlv2/ReplayCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "host/access/recording/ReplayBackend.h"
#include "host/core/HostClock.h"
#include "tools/qzlv2/Interrupt.h"
#include "tools/qzlv2/Output.h"
#include "tools/qzlv2/PluginHost.h"
#include "tools/qzlv2/Screen.h"
#include "tools/qzlv2/ScreenStream.h"
#include "tools/qzlv2/WatchPanels.h"

#ifndef QZLV2_PLUGIN_FILE
#define QZLV2_PLUGIN_FILE ""
#endif

namespace qzlv2 {

namespace {

using recording::ReplayBackend;

constexpr int kTickMs = 5;  // ms between looks at the replay's clock
const char kQuietRules[] = "qzlv2.*=false\nsim.*=false\n*.debug=false\nreplay.warning=false";

class ReplaySession {
public:
    ReplaySession(const ReplayOptions& options, const recording::Recording& recording)
        : options_(options),
          recording_(recording),
          screen_(WatchPanels(options.code)),
          host_(screen_) {}
    ~ReplaySession() { ServerBackendRegistry::Clear(); }

    int Run();

private:
    void Tick();
    bool OpenStep();  // false when there is nothing more to play
    void CloseStep();
    bool Draw();
    void PrintReports();
    void Finish(int code);

    const ReplayOptions options_;
    const recording::Recording& recording_;
    Screen screen_;
    std::unique_ptr<ReplayBackend> replay_;
    PluginHost host_;
    QElapsedTimer since_start_;
    QElapsedTimer waiting_;
    bool step_open_ = false;
    qint64 step_time_ = 0;
    QByteArray last_;
    int reported_ = 0;
    bool finished_ = false;
    int exit_code_ = kExitOk;
};

int ReplaySession::Run() {
    if (!options_.verbose) {
        QLoggingCategory::setFilterRules(QString::fromLatin1(kQuietRules));
    }
    TakeScreenStream(options_.verbose);
    // The recorded plug-in started its timers just after the recording began: the replayed ones
    // start at the recording's start and fall due near where the recorded polls went out.
    HostClock::SetForTest(recording_.header.startMs);
    replay_ = std::make_unique<ReplayBackend>(recording_);
    replay_->InstallForServices();
    QString error;
    if (!host_.Start(options_.plugin_file, options_.code, error)) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(error));
        return kExitFailed;
    }
    DeferInterrupts();
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
    if (!step_open_ && !OpenStep()) {
        Finish(Draw() ? kExitOk : kExitFailed);
        return;
    }
    if (!step_open_) {
        return;  // not due yet
    }
    const ReplayBackend::Step played =
        options_.step ? replay_->DeliverNext() : replay_->AdvanceTo(quint64(step_time_));
    if (played == ReplayBackend::Step::Waiting) {
        if (!waiting_.isValid()) {
            waiting_.start();
        } else if (waiting_.elapsed() >= options_.request_wait_ms) {
            replay_->SkipNext();
            waiting_.invalidate();
        }
        PrintReports();
        return;
    }
    waiting_.invalidate();
    CloseStep();
}

// Opens the next step when it is due: the deliveries of the next recorded time, or with --step
// the next delivery alone, after a line on stdin.
bool ReplaySession::OpenStep() {
    const qint64 next = replay_->NextTimeMs();
    if (next < 0) {
        return false;
    }
    if (options_.step) {
        char line[256];
        if (std::fgets(line, sizeof line, stdin) == nullptr) {
            return false;
        }
    } else if (double(next) > double(since_start_.elapsed()) * options_.speed) {
        return true;
    }
    step_open_ = true;
    step_time_ = next;
    return true;
}

void ReplaySession::CloseStep() {
    step_open_ = false;
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
    const QStringList reports = replay_->Reports();
    for (; reported_ < reports.size(); ++reported_) {
        std::fprintf(stderr, "qzlv2 replay: %s\n", qPrintable(reports.at(reported_)));
    }
}

void ReplaySession::Finish(int code) {
    finished_ = true;
    exit_code_ = code;
    QCoreApplication::exit(0);
}

// The code of the recorded command line ("qzlv2 record: watch SH600000 --seconds 10").
QString RecordedCode(const QString& recorder) {
    const QStringList words = recorder.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int watch = words.indexOf(QStringLiteral("watch"));
    return watch >= 0 ? words.value(watch + 1).toUpper() : QString();
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
        {"step", "Play one delivery per line on standard input (Enter on a terminal)."},
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
