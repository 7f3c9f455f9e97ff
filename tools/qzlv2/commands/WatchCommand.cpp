#include "tools/qzlv2/commands/WatchCommand.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "host/quoter/IQuoteDataSourceController.h"
#include "sim/market/SimStock.h"
#include "tools/qzlv2/loading/BackendHook.h"
#include "tools/qzlv2/loading/PluginFile.h"
#include "tools/qzlv2/loading/PluginHost.h"
#include "tools/qzlv2/loading/QuoteServer.h"
#include "tools/qzlv2/loading/ServerOption.h"
#include "tools/qzlv2/output/Interrupt.h"
#include "tools/qzlv2/output/Output.h"
#include "tools/qzlv2/output/ScreenStream.h"
#include "tools/qzlv2/panels/LinkPanel.h"
#include "tools/qzlv2/panels/Screen.h"
#include "tools/qzlv2/panels/WatchPanels.h"

namespace qzlv2 {

namespace {

constexpr int kPollMs = 100;           // ms between drains of the result queue
constexpr int kClockMs = 5;            // ms between moves of the host clock
constexpr int kTerminalFrameMs = 250;  // ms between redraws on a terminal
constexpr int kPlainFrameMs = 1000;    // ms between plain frames (JSON lines: every update)
constexpr TerminalSize kDefaultSize{80, 24};
const char kHideCursor[] = "\033[?25l";
const char kShowCursor[] = "\033[?25h";
const char kQuietRules[] = "qzlv2.*=false\nsim.*=false\n*.debug=false";

std::atomic<bool> g_toggle_pause{false};

void OnTogglePause(int) {
    g_toggle_pause = true;
}

TerminalSize SizeOf(FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        return TerminalSize{size.ws_col, size.ws_row};
    }
    return kDefaultSize;
}

bool IsTerminal(FILE* stream) {
    const QByteArray term = qgetenv("TERM");
    return ::isatty(::fileno(stream)) && !term.isEmpty() && term != "dumb";
}

class WatchSession {
public:
    explicit WatchSession(const WatchOptions& options)
        : options_(options),
          screen_(options.panels ? options.panels() : WatchPanels(options.code)),
          host_(std::make_unique<PluginHost>(screen_)) {
        for (const auto& panel : screen_.Panels()) {
            link_ = link_ ? link_ : dynamic_cast<LinkPanel*>(panel.get());
        }
    }
    ~WatchSession();

    int Run();

private:
    bool Start();
    void StartLinkDrops(QTimer& timer);
    void FollowLinkAndPause();
    void Poll();
    void Finish(int code);
    bool Draw();

    WatchOptions options_;
    Screen screen_;
    bool terminal_ = false;
    QuoteServer server_;
    std::unique_ptr<PluginHost> host_;
    LinkPanel* link_ = nullptr;  // one of screen_'s panels
    bool paused_ = false;
    QElapsedTimer since_start_;
    QElapsedTimer since_frame_;
    bool complete_seen_ = false;
    bool dirty_ = true;
    int exit_code_ = kExitOk;
};

WatchSession::~WatchSession() {
    if (terminal_) {
        Output::Results().Write(QByteArray(kShowCursor) + "\r\n");
    }
    host_.reset();  // joins the plug-in's threads and detaches its links first
    ServerBackendRegistry::Clear();
    server_ = QuoteServer();
    HostClock::UseSystemClock();
}

int WatchSession::Run() {
    if (!options_.verbose) {
        QLoggingCategory::setFilterRules(QString::fromLatin1(kQuietRules));
    }
    TakeScreenStream(options_.verbose);
    terminal_ = !options_.plain && !options_.json && IsTerminal(Output::Results().Stream());
    // This host moves its clock itself, to the wall time every few ms, so the plug-in's timers
    // fire at their exact due times: a replay of a recording of this session fires them at the
    // same times and so sends the same polls.
    HostTimerQueue::AdvanceClockTo(QDateTime::currentMSecsSinceEpoch());
    if (!Start()) {
        return kExitFailed;
    }
    DeferInterrupts();
    std::signal(SIGUSR1, OnTogglePause);
    since_start_.start();
    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock, &QTimer::timeout,
                     [] { HostTimerQueue::AdvanceClockTo(QDateTime::currentMSecsSinceEpoch()); });
    clock.start(kClockMs);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] { Poll(); });
    poll.start(kPollMs);
    QTimer drops;
    StartLinkDrops(drops);
    QCoreApplication::exec();
    return exit_code_;
}

// The quote server (the embedded market, or the connection to --server), then the plug-in as
// the client runs it.
bool WatchSession::Start() {
    server_ = QuoteServer::Install(options_.server, options_.tick_ms, options_.seed);
    RunBackendHook();
    QString error;
    if (!host_->Start(options_.plugin_file, options_.code, error)) {
        std::fprintf(stderr, "qzlv2 watch: %s\n", qPrintable(error));
        return false;
    }
    host_->UpdateAfterEveryJoin([this] { dirty_ = true; });
    return true;
}

// Every period the market's link goes down for half of it, as a flaky connection would.
void WatchSession::StartLinkDrops(QTimer& timer) {
    const int periodMs = options_.drop_link_every_s * 1000;
    if (periodMs <= 0) {
        return;
    }
    QObject::connect(&timer, &QTimer::timeout, [this, periodMs, &timer] {
        server_.market->DropLink();
        QTimer::singleShot(periodMs / 2, &timer, [this] { server_.market->RestoreLink(); });
    });
    timer.start(periodMs);
}

// SIGUSR1 pauses or resumes the data source, as a client does when a view is hidden.
void WatchSession::FollowLinkAndPause() {
    if (g_toggle_pause.exchange(false)) {
        paused_ = !paused_;
        if (paused_) {
            host_->Controller().Pause();
        } else {
            host_->Controller().Resume();
        }
    }
    const bool linkUp = server_.IsLinkUp();
    if (link_ != nullptr && link_->Follow(linkUp, paused_, QDateTime::currentDateTime())) {
        dirty_ = true;
    }
}

void WatchSession::Poll() {
    if (const int interrupted = InterruptExitCode()) {
        Finish(interrupted);
        return;
    }
    FollowLinkAndPause();
    host_->Update();
    const bool complete = screen_.Missing().isEmpty();
    complete_seen_ = complete_seen_ || complete;
    const qint64 elapsed = since_start_.elapsed();
    if (options_.once && complete) {
        Finish(Draw() ? kExitOk : kExitFailed);
        return;
    }
    if (!complete_seen_ && elapsed >= options_.timeout_s * 1000) {
        std::fprintf(stderr, "qzlv2 %s: no complete screen%s%s within %lld s; missing: %s\n",
                     qPrintable(options_.command), options_.code.isEmpty() ? "" : " for ",
                     qPrintable(options_.code), options_.timeout_s,
                     qPrintable(screen_.Missing().join(QStringLiteral(", "))));
        Finish(kExitFailed);
        return;
    }
    if (options_.seconds > 0 && elapsed >= options_.seconds * 1000) {
        Finish(Draw() ? kExitOk : kExitFailed);
        return;
    }
    const int frameMs = options_.json ? 0 : terminal_ ? kTerminalFrameMs : kPlainFrameMs;
    if (!options_.once && dirty_ &&
        (!since_frame_.isValid() || since_frame_.elapsed() >= frameMs) && !Draw()) {
        Finish(kExitFailed);
    }
}

void WatchSession::Finish(int code) {
    exit_code_ = code;
    QCoreApplication::exit(0);
}

// False when the screen cannot be written (the message is on stderr).
bool WatchSession::Draw() {
    Output& out = Output::Results();
    QByteArray frame;
    if (options_.json) {
        frame = screen_.JsonLine(QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
    } else if (terminal_) {
        frame = (since_frame_.isValid() ? QByteArray() : QByteArray(kHideCursor)) +
                screen_.TerminalFrame(SizeOf(out.Stream()));
    } else {
        frame = screen_.PlainFrame();
    }
    since_frame_.start();
    dirty_ = false;
    if (!out.Write(frame)) {
        std::fprintf(stderr, "qzlv2 watch: %s\n", qPrintable(out.ErrorText()));
        return false;
    }
    return true;
}

QString UnknownStock(const QString& code) {
    QString hint = QStringLiteral("see 'qzlv2 list'");
    for (const char* market : {"SH", "SZ"}) {
        if (simmarket::FindStock(QLatin1String(market) + code) != nullptr) {
            hint = QStringLiteral("did you mean %1%2?").arg(QLatin1String(market), code);
        }
    }
    return QStringLiteral("the simulated market has no stock %1; %2").arg(code, hint);
}

void DefineWatch(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Does what the client does: installs the simulated market as the quote server of both "
        "services, loads the plug-in file, creates its handler in a handler chain, registers its "
        "joins, and asks for CODE's fast quote, latest large deal, stock-board fields, capital "
        "flow "
        "by order size, price-volume table and minute flow, or, for a board code, the board's flow "
        "by order size and its large-order inflow. The screen (code, last price and change; the "
        "latest large deal, marked *new* for 3 s; the order book, sell N .. sell 1 above buy 1 .. "
        "buy N with each level's queue of orders in lots, big orders marked *like this*; the board "
        "fields; the flows; the table; the minute flow: net capital flow per minute and its "
        "running total across the session) is "
        "redrawn in place to fit the terminal, printed as plain frames each followed by a blank "
        "line when the output is not a terminal or TERM is dumb, or written as one JSON object "
        "a line with --json. While the server link is down or the data source is paused, a line "
        "under the first says so and the last data stays on screen; SIGUSR1 pauses or resumes "
        "the data source. With --server HOST:PORT the quote server is the one listening there "
        "(qzlv2-server) and the line shows its connection, which comes back by itself. Ctrl-C "
        "stops (exit 130).");
    p.addPositionalArgument("CODE",
                            "Stock code with its market prefix, e.g. SH600000, or board "
                            "code, e.g. BK0475 (see 'qzlv2 list').",
                            "CODE");
    AddSessionOptions(p);
}

int Watch(const Invocation& in) {
    WatchOptions o;
    o.code = in.Argument(0).toUpper();
    ReadSessionOptions(in, o);
    // A server may trade more than the embedded market's stocks (qzlv2-server --codes).
    if (!o.server && simmarket::FindStock(o.code) == nullptr &&
        simmarket::FindBoard(o.code) == nullptr) {
        throw UsageError(UnknownStock(o.code));
    }
    return RunWatch(o);
}

}  // namespace

void AddSessionOptions(QCommandLineParser& p) {
    p.addOptions({
        {"seconds",
         "Stop after N seconds, 0 to 2147483647; 0 (the default) runs until interrupted.", "N",
         "0"},
        {"once", "Print one complete screen as soon as every part has arrived, then exit 0."},
        {"timeout",
         "Exit 1 with a message when no complete screen arrived within N seconds, 1 to "
         "2147483647 (default 10).",
         "N", "10"},
        {"plugin", "The plug-in file to load (default: " + DefaultPlugin() + ").", "PATH",
         DefaultPlugin()},
        {"tick", "Milliseconds between ticks of the simulated market, 10 to 3600000 (default 500).",
         "MS", "500"},
        {"seed",
         "Seed of the simulated market, 0 to 4294967295; 0 (the default) is its fixed seed.", "N",
         "0"},
        {"drop-link-every",
         "Drop the simulated market's link every N seconds, for half of that time, to watch the "
         "view come back, 0 to 86400; 0 (the default) never.",
         "N", "0"},
        {"plain", "Print plain frames even on a terminal."},
        {"json", "Write one JSON object per update (JSON lines) instead of a screen."},
        {"verbose", "Show the plug-in's and the market's diagnostics on stderr."},
    });
    AddServerOption(p);
}

void ReadSessionOptions(const Invocation& in, WatchOptions& o) {
    constexpr qint64 kMaxSeconds = 2147483647;
    constexpr qint64 kMaxTickMs = 3600000;
    constexpr qint64 kMaxDropSeconds = 86400;
    o.seconds = in.Number("seconds", 0, kMaxSeconds);
    o.timeout_s = in.Number("timeout", 1, kMaxSeconds);
    o.tick_ms = int(in.Number("tick", 10, kMaxTickMs));
    o.seed = quint32(in.Number("seed", 0, 0xFFFFFFFFLL));
    o.drop_link_every_s = int(in.Number("drop-link-every", 0, kMaxDropSeconds));
    o.plugin_file = in.Value("plugin");
    o.once = in.IsSet("once");
    o.plain = in.IsSet("plain");
    o.json = in.IsSet("json");
    o.verbose = in.IsSet("verbose");
    o.server = ReadServerOption(in);
    for (const char* option : {"tick", "seed", "drop-link-every"}) {
        if (o.server && in.IsSet(QLatin1String(option))) {
            throw UsageError(QStringLiteral("--%1 sets the embedded market; with --server the "
                                            "server runs the market (qzlv2-server --help)")
                                 .arg(QLatin1String(option)));
        }
    }
}

Command WatchCommand() {
    return Command{"watch",
                   "watch CODE [--once] [--seconds N] [--json]",
                   "show a stock's or a board's live Level-2 panels",
                   1,
                   1,
                   DefineWatch,
                   Watch};
}

int RunWatch(const WatchOptions& options) {
    WatchSession session(options);
    return session.Run();
}

}  // namespace qzlv2
