#include "tools/qzlv2/WatchCommand.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPluginLoader>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/IQuoteDataSourceController.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ScopeTree.h"
#include "sim/market/SimStock.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tools/qzlv2/LinkStatus.h"
#include "tools/qzlv2/QuoteScreen.h"

namespace qzlv2 {

namespace {

constexpr int kPollMs = 100;           // ms between drains of the result queue
constexpr int kTerminalFrameMs = 250;  // ms between redraws on a terminal
constexpr int kPlainFrameMs = 1000;    // ms between plain frames
constexpr int kTaskId = 1;
constexpr quint32 kServeFlags = 0x01;
constexpr int kStockBoardScopeType = 2;
const char kHandlerName[] = "qzlv2";
const char kFastQuoteScopeType[] = "l2_fast_quote";
const char kClearScreen[] = "\033[H\033[2J";

std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_toggle_pause{false};

void OnInterrupt(int) {
    g_interrupted = true;
}

void OnTogglePause(int) {
    g_toggle_pause = true;
}

// The screen goes to the original standard output; the plug-in's own standard-output lines go
// to stderr (verbose) or nowhere, so that they do not tear the screen.
FILE* TakeScreenStream(bool verbose) {
    std::fflush(stdout);
    const int screenFd = ::dup(STDOUT_FILENO);
    const int sink = verbose ? ::dup(STDERR_FILENO) : ::open("/dev/null", O_WRONLY);
    if (screenFd < 0 || sink < 0) {
        return stdout;
    }
    ::dup2(sink, STDOUT_FILENO);
    ::close(sink);
    return ::fdopen(screenFd, "w");
}

int TerminalWidth(FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 0;
}

class WatchSession {
public:
    explicit WatchSession(const WatchOptions& options) : options_(options) {}
    ~WatchSession();

    int Run();

private:
    bool Start();
    void StartLinkDrops(QTimer& timer);
    void Poll();
    void FollowLinkAndPause();
    void Finish(int code);
    ScreenModel BuildModel() const;
    void Draw(const ScreenModel& model);
    QString Missing(const ScreenModel& model) const;

    WatchOptions options_;
    FILE* screen_ = stdout;
    bool terminal_ = false;
    std::shared_ptr<SimulatedMarketBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandler* handler_ = nullptr;
    IQuoteDataSourceController* controller_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    LinkStatus link_status_;
    bool paused_ = false;
    QSharedPointer<ScopeTree> tree_;
    int fast_quote_id_ = -1;
    int board_id_ = -1;
    QElapsedTimer since_start_;
    QElapsedTimer since_frame_;
    bool complete_seen_ = false;
    bool dirty_ = true;
    int exit_code_ = 0;
};

WatchSession::~WatchSession() {
    executor_.reset();
    delete handler_;  // joins the plug-in's threads and detaches its links first
    ServerBackendRegistry::Clear();
    backend_.reset();
    context_.reset();
    if (screen_ != stdout) {
        std::fclose(screen_);
    }
}

int WatchSession::Run() {
    if (!options_.verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    }
    screen_ = TakeScreenStream(options_.verbose);
    terminal_ = !options_.plain && ::isatty(::fileno(screen_));
    if (!Start()) {
        return 1;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::signal(SIGUSR1, OnTogglePause);
    since_start_.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] { Poll(); });
    poll.start(kPollMs);
    QTimer drops;
    StartLinkDrops(drops);
    return QCoreApplication::exec() == 0 ? exit_code_ : 1;
}

// What the client does: backend, context, plug-in, chain, joins, then one intent.
bool WatchSession::Start() {
    SimulatedMarketBackend::Options market;
    market.tick_ms = options_.tick_ms;
    if (options_.seed != 0) {
        market.seed = options_.seed;
    }
    backend_ = std::make_shared<SimulatedMarketBackend>(market);
    SimulatedMarketBackend::InstallForBothServices(backend_);
    context_ = std::make_unique<QuoteContext>();

    QPluginLoader loader(options_.plugin_file);
    auto* factory = qobject_cast<QuoterFactoryInterface*>(loader.instance());
    if (factory == nullptr) {
        std::fprintf(stderr, "qzlv2: cannot load the plug-in %s: %s\n",
                     qPrintable(options_.plugin_file), qPrintable(loader.errorString()));
        return false;
    }
    handler_ = factory->CreateHandler(*context_, QString::fromLatin1(kHandlerName));
    controller_ = context_->FindQuoteDataSourceController(QString::fromLatin1(kHandlerName));
    if (handler_ == nullptr || controller_ == nullptr) {
        std::fprintf(stderr, "qzlv2: the plug-in made no handler or registered no controller\n");
        return false;
    }
    context_->OwnIntentHolder().SetChainHead(handler_);
    controller_->RegisterJoinMethods();

    ScopeTreeNode fastQuote = ScopeTreeNode::NewRoot(ScopeTypeVariant(kFastQuoteScopeType));
    fastQuote.stock_list = StockListExpression::FromStockCode(options_.code);
    ScopeTreeNode board = ScopeTreeNode::NewRoot(ScopeTypeVariant(kStockBoardScopeType));
    board.stock_list = StockListExpression::FromStockCode(options_.code);
    board.key_list = KeyListExpression::FromKeyList(WatchBoardKeys() + WatchOptionalBoardKeys());
    fast_quote_id_ = fastQuote.scope_id;
    board_id_ = board.scope_id;
    tree_ = QSharedPointer<ScopeTree>::create();
    tree_->AddRoot(fastQuote);
    tree_->AddRoot(board);

    executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
    executor_->Track(tree_);
    executor_->SetObserver([this](int) { dirty_ = true; });
    context_->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(kTaskId, kServeFlags, tree_));
    return true;
}

// Every period the market's link goes down for half of it, as a flaky connection would.
void WatchSession::StartLinkDrops(QTimer& timer) {
    const int periodMs = options_.drop_link_every_s * 1000;
    if (periodMs <= 0) {
        return;
    }
    QObject::connect(&timer, &QTimer::timeout, [this, periodMs, &timer] {
        backend_->DropLink();
        QTimer::singleShot(periodMs / 2, &timer, [this] { backend_->RestoreLink(); });
    });
    timer.start(periodMs);
}

// SIGUSR1 pauses or resumes the data source, as a client does when a view is hidden.
void WatchSession::FollowLinkAndPause() {
    if (g_toggle_pause.exchange(false)) {
        paused_ = !paused_;
        if (paused_) {
            controller_->Pause();
        } else {
            controller_->Resume();
        }
    }
    if (link_status_.Update(backend_->IsLinkUp(), paused_, QDateTime::currentDateTime())) {
        dirty_ = true;
    }
}

void WatchSession::Poll() {
    if (g_interrupted) {
        Finish(complete_seen_ ? 0 : 1);
        return;
    }
    FollowLinkAndPause();
    executor_->ProcessPending();
    const ScreenModel model = BuildModel();
    const bool complete = model.IsComplete();
    complete_seen_ = complete_seen_ || complete;
    const qint64 elapsed = since_start_.elapsed();
    if (options_.once && complete) {
        Draw(model);
        Finish(0);
        return;
    }
    if (!complete_seen_ && elapsed >= qint64(options_.timeout_s) * 1000) {
        std::fprintf(stderr, "qzlv2: no complete screen for %s within %d s; missing: %s\n",
                     qPrintable(options_.code), options_.timeout_s, qPrintable(Missing(model)));
        Finish(1);
        return;
    }
    if (options_.seconds > 0 && elapsed >= qint64(options_.seconds) * 1000) {
        Draw(model);
        Finish(0);
        return;
    }
    const int frameMs = terminal_ ? kTerminalFrameMs : kPlainFrameMs;
    if (!options_.once && dirty_ &&
        (!since_frame_.isValid() || since_frame_.elapsed() >= frameMs)) {
        Draw(model);
    }
}

void WatchSession::Finish(int code) {
    exit_code_ = code;
    QCoreApplication::exit(0);
}

ScreenModel WatchSession::BuildModel() const {
    ScreenModel model;
    model.code = options_.code;
    if (const simmarket::SimStock* stock = simmarket::FindStock(options_.code)) {
        model.name = stock->name;
        model.listing =
            simmarket::ListingBoardName(stock->board) + QLatin1Char(' ') + stock->Exchange();
    }
    model.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    model.status = link_status_.Text();
    const std::optional<ScopeTreeNode> fast = tree_->FindNode(fast_quote_id_);
    FillBook(model, fast ? dynamic_cast<const ResponsePkgEntity_12989*>(fast->quote_data.data())
                         : nullptr);
    const std::optional<ScopeTreeNode> board = tree_->FindNode(board_id_);
    const QuoteData* boardData = board ? board->quote_data.data() : nullptr;
    FillFields(model, boardData != nullptr ? boardData->row : nscell::DataRow(), WatchBoardKeys(),
               WatchOptionalBoardKeys());
    return model;
}

void WatchSession::Draw(const ScreenModel& model) {
    const int width = terminal_ ? TerminalWidth(screen_) : 0;
    const QByteArray text = RenderScreen(model, width).toUtf8();
    if (terminal_) {
        std::fputs(kClearScreen, screen_);
    } else if (since_frame_.isValid()) {
        std::fputs("\n", screen_);
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), screen_);
    std::fflush(screen_);
    since_frame_.start();
    dirty_ = false;
}

QString WatchSession::Missing(const ScreenModel& model) const {
    QStringList missing;
    if (!model.has_book) {
        missing << QStringLiteral("order book");
    } else if (!model.converted || model.prev_close == QStringLiteral("--")) {
        missing << QStringLiteral("price precision and previous close");
    }
    missing << model.missing_fields;
    return missing.join(QStringLiteral(", "));
}

}  // namespace

QStringList WatchBoardKeys() {
    return {QStringLiteral("money_flow_today"),     QStringLiteral("money_flow_5d"),
            QStringLiteral("money_flow_10d"),       QStringLiteral("money_flow_20d"),
            QStringLiteral("float_ratio_day_0"),    QStringLiteral("float_ratio_day_5"),
            QStringLiteral("turnover_ratio_day_5"), QStringLiteral("big_order_ratio"),
            QStringLiteral("float_ratio_day_20"),   QStringLiteral("turnover_ratio_day_20")};
}

QStringList WatchOptionalBoardKeys() {
    return {QStringLiteral("gem_deal_volume_after_close"),
            QStringLiteral("gem_deal_capital_after_close")};
}

int RunWatch(const WatchOptions& options) {
    WatchSession session(options);
    return session.Run();
}

}  // namespace qzlv2
