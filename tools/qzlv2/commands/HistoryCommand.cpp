#include "tools/qzlv2/commands/HistoryCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMap>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <unistd.h>

#include "framework/HistoryFilePath.h"
#include "framework/Log.h"
#include "host/quoter/KlineSegment.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "services/minuteflow/FlowCycles.h"
#include "services/minuteflow/FlowFields.h"
#include "sim/market/SimStock.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tools/qzlv2/cache/CacheDir.h"
#include "tools/qzlv2/loading/PluginFile.h"
#include "tools/qzlv2/output/Interrupt.h"
#include "tools/qzlv2/output/Output.h"

#ifndef QZLV2_PLUGIN_FILE
#define QZLV2_PLUGIN_FILE ""
#endif

namespace qzlv2 {

namespace {

constexpr int kKlineFunction = 12844;
constexpr int kKlineScopeType = 7;
constexpr int kPollMs = 20;    // ms between drains of the result queue
// ms without a new page after which the paging has ended: the embedded market answers at once,
// and the plug-in asks for the next page within milliseconds of the last.
constexpr int kQuietMs = 400;
constexpr int kTaskId = 1;
constexpr quint32 kServeFlags = 0x01;
const char kHandlerName[] = "qzlv2";
// The plug-in's own lines stay quiet but for its warnings about the history file on disk.
const char kLogRules[] = "qzlv2.*=false\nqzlv2.dataset.warning=true\nsim.*=false\n*.debug=false";
const char kQuietRules[] = "qzlv2.*=false\nsim.*=false\n*.debug=false";
const char kDatasetCategory[] = "qzlv2.dataset";

struct HistoryOptions {
    QString code;
    QString cycle;
    QString cache_dir;
    QString plugin_file;
    qint64 timeout_s = 60;
    bool json = false;
    bool quiet = false;
};

using Series = QMap<qint32, QJsonObject>;  // date -> the record's fields

// A joined "supl" segment's rows back into records (field names -> values), by the field ids.
void ReadSegment(const KlineSegment& segment, Series& series) {
    for (int row = 0; row < segment.RowCount(); ++row) {
        const qint32 date = segment.Cell(row, minuteflow::kKlineDateColumn).ToString().toInt();
        QJsonObject record{{"time", date}};
        for (const minuteflow::FlowField& field : minuteflow::kFlowFields) {
            const int id = minuteflow::KlineColumnId(field.name);
            record.insert(QLatin1String(field.name), double(segment.Cell(row, id).ToInt64()));
        }
        series.insert(date, record);
    }
}

qint64 Value(const QJsonObject& record, const char* field) {
    return qint64(record.value(QLatin1String(field)).toDouble());
}

QByteArray Table(const Series& series) {
    QByteArray text = "date      super_net  big_net    mid_net    small_net  net_capital_flow\n";
    for (const QJsonObject& r : series) {
        auto net = [&](const char* in, const char* out) { return Value(r, in) - Value(r, out); };
        text += QStringLiteral("%1  %2 %3 %4 %5 %6\n")
                    .arg(r.value("time").toInt())
                    .arg(net("superincap", "superoutcap"), -10)
                    .arg(net("bigincap", "bigoutcap"), -10)
                    .arg(net("midincap", "midoutcap"), -10)
                    .arg(net("smallincap", "smalloutcap"), -10)
                    .arg(Value(r, "net_capital_flow"))
                    .toUtf8();
    }
    return text;
}

// While a session runs, the plug-in's warning about the history file it refused becomes a line of
// this command's naming the file; every other message goes to the handler there was before.
QtMessageHandler g_previous_handler = nullptr;
QString g_history_path;

void ShowRefusedFile(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && qstrcmp(context.category, kDatasetCategory) == 0) {
        std::fprintf(stderr, "qzlv2 history: the cached %s was refused: %s\n",
                     qPrintable(g_history_path), qPrintable(qzlog::MessageOf(text)));
        return;
    }
    g_previous_handler(type, context, text);
}

class HistorySession {
public:
    explicit HistorySession(const HistoryOptions& options) : options_(options) {}
    ~HistorySession();
    int Run();

private:
    bool Start();
    void OnJoined(int parentId);
    void Poll();
    void Finish(int code);
    void Progress(bool last);
    int Report();

    HistoryOptions options_;
    std::shared_ptr<SimulatedMarketBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandler* handler_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    QSharedPointer<ScopeTree> tree_;
    int root_id_ = -1;
    Series series_;
    int pages_ = 0;
    QElapsedTimer since_start_;
    QElapsedTimer since_page_;
    int exit_code_ = kExitOk;
};

HistorySession::~HistorySession() {
    qInstallMessageHandler(g_previous_handler);
    executor_.reset();
    delete handler_;  // waits for the history file's pending saves
    ServerBackendRegistry::Clear();
    backend_.reset();
    context_.reset();
}

int HistorySession::Run() {
    QLoggingCategory::setFilterRules(QString::fromLatin1(options_.quiet ? kQuietRules : kLogRules));
    g_history_path = historyfile::FilePath(options_.code, options_.cycle);
    g_previous_handler = qInstallMessageHandler(ShowRefusedFile);
    if (!Start()) {
        return kExitFailed;
    }
    DeferInterrupts();
    since_start_.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] { Poll(); });
    poll.start(kPollMs);
    QCoreApplication::exec();
    if (exit_code_ != kExitOk) {
        return exit_code_;
    }
    delete handler_;  // the last saves land before the summary names the file
    handler_ = nullptr;
    const QByteArray out = options_.json
                               ? QJsonDocument(QJsonObject{{"code", options_.code},
                                                           {"cycle", options_.cycle},
                                                           {"records",
                                                            [&] {
                                                                QJsonArray a;
                                                                for (const auto& r : series_)
                                                                    a.append(r);
                                                                return a;
                                                            }()}})
                                     .toJson(QJsonDocument::Indented)
                               : Table(series_);
    if (!Output::Results().Write(out)) {
        std::fprintf(stderr, "qzlv2 history: %s\n", qPrintable(Output::Results().ErrorText()));
        return kExitFailed;
    }
    return Report();
}

// Whether the plug-in kept the series, as it tells its host: "kept in" only for a file whose
// latest save was written whole and renamed into place.
int HistorySession::Report() {
    const QString counts = QStringLiteral("%1 records, %2 pages, %3 requests to the server")
                               .arg(series_.size())
                               .arg(pages_)
                               .arg(backend_->RequestCount(kKlineFunction));
    const QVariant notKept = PluginProperty(options_.plugin_file, "historyFilesNotKept");
    if (!notKept.isValid()) {
        std::fprintf(stderr, "qzlv2 history: %s; the plug-in does not tell whether it kept %s\n",
                     qPrintable(counts), qPrintable(g_history_path));
        return kExitFailed;
    }
    const QString error = notKept.toMap().value(g_history_path).toString();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "qzlv2 history: %s; not kept: %s: %s\n", qPrintable(counts),
                     qPrintable(g_history_path), qPrintable(error));
        return kExitFailed;
    }
    if (!options_.quiet) {
        std::fprintf(stderr, "qzlv2 history: %s; kept in %s\n", qPrintable(counts),
                     qPrintable(g_history_path));
    }
    return kExitOk;
}

bool HistorySession::Start() {
    SimulatedMarketBackend::Options market;
    market.timers = false;
    backend_ = std::make_shared<SimulatedMarketBackend>(market);
    SimulatedMarketBackend::InstallForBothServices(backend_);
    context_ = std::make_unique<QuoteContext>();
    QString error;
    handler_ = CreateChainedHandler(*context_, options_.plugin_file,
                                    QString::fromLatin1(kHandlerName), error);
    if (handler_ == nullptr) {
        std::fprintf(stderr, "qzlv2 history: %s\n", qPrintable(error));
        return false;
    }

    ScopeTreeNode root = ScopeTreeNode::NewRoot(ScopeTypeVariant(kKlineScopeType));
    root.stock_list = StockListExpression::FromStockCode(options_.code);
    root.key_list = KeyListExpression::FromKeyList("supl");
    root.cycle = options_.cycle;
    root_id_ = root.scope_id;
    tree_ = QSharedPointer<ScopeTree>::create();
    tree_->AddRoot(root);
    executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
    executor_->Track(tree_);
    executor_->SetObserver([this](int parentId) { OnJoined(parentId); });
    context_->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(kTaskId, kServeFlags, tree_));
    return true;
}

void HistorySession::OnJoined(int parentId) {
    const std::optional<ScopeTreeNode> root = tree_->FindNode(parentId);
    const auto* segment =
        root ? dynamic_cast<const KlineSegment*>(root->quote_data.data()) : nullptr;
    if (parentId != root_id_ || segment == nullptr) {
        return;
    }
    ReadSegment(*segment, series_);
    ++pages_;
    since_page_.start();
    Progress(false);
}

void HistorySession::Progress(bool last) {
    if (series_.isEmpty() || options_.quiet) {
        return;
    }
    const bool terminal = ::isatty(STDERR_FILENO);
    std::fprintf(stderr, "%s%s %s: %d records back to %d, %d pages%s", terminal ? "\r" : "",
                 qPrintable(options_.code), qPrintable(options_.cycle), int(series_.size()),
                 series_.firstKey(), pages_, terminal && !last ? "" : "\n");
}

void HistorySession::Poll() {
    if (const int interrupted = InterruptExitCode()) {
        Finish(interrupted);
        return;
    }
    executor_->ProcessPending();
    if (pages_ > 0 && since_page_.elapsed() >= kQuietMs) {
        Progress(true);
        Finish(kExitOk);
    } else if (since_start_.elapsed() >= options_.timeout_s * 1000) {
        std::fprintf(stderr, "qzlv2 history: no %s history of %s arrived within %lld s\n",
                     qPrintable(options_.cycle), qPrintable(options_.code), options_.timeout_s);
        Finish(kExitFailed);
    }
}

void HistorySession::Finish(int code) {
    exit_code_ = code;
    QCoreApplication::exit(0);
}

void DefineHistory(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Asks the plug-in, as the client does, for the capital-flow indicator (\"supl\") of "
        "CODE's K-line of CYCLE against the embedded simulated market. The plug-in pages the "
        "history back to its start (progress on stderr); the series is printed as a table of "
        "net capital by order size (--json: every field of every record) and stays in the disk "
        "cache, from which the next run starts and asks the server only for the newest page. "
        "A cached file the plug-in refuses (damaged, of another version) is named on stderr and "
        "fetched again in full. Exit 1 when nothing arrived in time, the plug-in cannot be "
        "loaded, or the series could not be kept on disk (the file and the reason on stderr).");
    p.addPositionalArgument("CODE", "Stock code with its market prefix, e.g. SH600000.", "CODE");
    p.addOptions({
        {"cycle",
         "The K-line cycle, one of " + minuteflow::CycleCodes(kKlineFunction).join(", ") + ".",
         "CYCLE"},
        CacheDirOption(),
        {"json", "Print the series as JSON instead of a table."},
        {"quiet", "No progress, no summary, no warnings about the cached file; errors only."},
        {"timeout", "Exit 1 when no page arrived within N seconds, 1 to 2147483647 (default 60).",
         "N", "60"},
        {"plugin", "The plug-in file to load (default: " + QString(QZLV2_PLUGIN_FILE) + ").",
         "PATH", QZLV2_PLUGIN_FILE},
    });
}

int History(const Invocation& in) {
    HistoryOptions o;
    o.code = in.Argument(0).toUpper();
    if (simmarket::FindStock(o.code) == nullptr) {
        throw UsageError(
            QStringLiteral("the simulated market has no stock %1; see 'qzlv2 list'").arg(o.code));
    }
    o.cycle = in.Value("cycle");
    const QStringList cycles = minuteflow::CycleCodes(kKlineFunction);
    if (!cycles.contains(o.cycle)) {
        throw UsageError(QStringLiteral("--cycle must be one of %1, not '%2'")
                             .arg(cycles.join(QStringLiteral(", ")), o.cycle));
    }
    o.cache_dir = UseCacheDir(in.Value("cache-dir"));
    const QString problem = CacheDirProblem(o.cache_dir, false);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "qzlv2 history: cannot use %s as the cache directory: %s\n",
                     qPrintable(o.cache_dir), qPrintable(problem));
        return kExitFailed;
    }
    o.timeout_s = in.Number("timeout", 1, 2147483647);
    o.plugin_file = in.Value("plugin");
    o.json = in.IsSet("json");
    o.quiet = in.IsSet("quiet");
    HistorySession session(o);
    return session.Run();
}

}  // namespace

Command HistoryCommand() {
    return Command{"history",
                   "history CODE --cycle CYCLE [--json] [--quiet] [--cache-dir DIR]",
                   "page a stock's K-line capital-flow history into the disk cache and print it",
                   1,
                   1,
                   DefineHistory,
                   History};
}

}  // namespace qzlv2
