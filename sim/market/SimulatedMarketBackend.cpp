#include "sim/market/SimulatedMarketBackend.h"

#include <QDebug>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include "host/core/HostClock.h"
#include "sim/market/MarketAnswers.h"

using simmarket::EmptySnapshotBody;
using simmarket::FastQuoteBody;
using simmarket::SnapshotBody;
using simmarket::StockDataSetBody;
using simmarket::StockRelatedBody;

namespace {

const char kLogTag[] = "simmarket";
constexpr int kMaxLevels = 10;  // levels a side a 12989 answer carries at most

// Parameter positions of the requests the plug-in sends.
constexpr int kFastQuoteCodeParam = 0;
constexpr int kFastQuoteCountParam = 1;
constexpr int kCodesParam = 2;  // 10000, 10002, 10012: "Strings"
constexpr int kMask1Param = 3;  // 10000, 10002, 10012
constexpr int kRelatedLayoutParam = 0;
constexpr int kRelatedMask1Param = 1;
constexpr int kRelatedMask2Param = 2;
constexpr int kRelatedCodesParam = 4;

QVariant Param(const ServerRequest& request, int index) {
    return index < request.params.size() ? request.params.at(index).second : QVariant();
}

quint32 MaskParam(const ServerRequest& request, int index) {
    return quint32(Param(request, index).toLongLong());
}

void LogDebug(const QString& text) {
    qDebug().noquote() << kLogTag << "{:SEPARATOR}" << text;
}

}  // namespace

const char SimulatedMarketBackend::kFastQuoteService[] = "pcl2xtquote";
const char SimulatedMarketBackend::kMainService[] = "l2quote";

SimulatedMarketBackend::SimulatedMarketBackend() : SimulatedMarketBackend(Options()) {}

SimulatedMarketBackend::SimulatedMarketBackend(const Options& options)
    : options_(options),
      market_(options.seed, options.extra_stocks),
      minute_flows_(options.seed, options.history_today.isValid() ? options.history_today
                                                                  : HostClock::Now().date()) {
    WatchTrades();
    if (options_.timers) {
        StartTimers();
    }
}

SimulatedMarketBackend::~SimulatedMarketBackend() {
    StopTimers();
}

void SimulatedMarketBackend::InstallForBothServices(
    const std::shared_ptr<SimulatedMarketBackend>& backend) {
    ServerBackendRegistry::Install(QString::fromLatin1(kFastQuoteService), backend);
    ServerBackendRegistry::Install(QString::fromLatin1(kMainService), backend);
}

void SimulatedMarketBackend::StartTimers() {
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("simmarket"));
    ticker_ = new QObject;
    ticker_->moveToThread(thread_);
    thread_->start();
    const int tickMs = options_.tick_ms;
    QMetaObject::invokeMethod(
        ticker_,
        [this, tickMs] {
            auto* timer = new QTimer(ticker_);
            QObject::connect(timer, &QTimer::timeout, ticker_, [this] { Step(); });
            timer->start(tickMs);
        },
        Qt::QueuedConnection);
}

// The ticker and its timers are deleted on their own thread before the thread ends.
void SimulatedMarketBackend::StopTimers() {
    if (thread_ == nullptr) {
        return;
    }
    QObject* ticker = ticker_;
    QMetaObject::invokeMethod(
        ticker, [ticker] { delete ticker; }, Qt::BlockingQueuedConnection);
    ticker_ = nullptr;
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
}

void SimulatedMarketBackend::Attach(IServerLink* link) {
    QMutexLocker lock(&mutex_);
    if (!links_.contains(link)) {
        links_.append(link);
    }
    if (!link_up_) {
        link->ReportAccessState(eAccessState_Disconnected);
    } else if (ticker_ == nullptr) {
        link->ReportAccessState(eAccessState_Connected);
    } else {
        ReportConnectedLater(link);
    }
}

// "Connecting" takes a moment, as with a real server; the link may be gone by then.
void SimulatedMarketBackend::ReportConnectedLater(IServerLink* link) {
    const int delayMs = options_.connect_delay_ms;
    QObject* ticker = ticker_;
    QMetaObject::invokeMethod(
        ticker,
        [this, link, delayMs, ticker] {
            QTimer::singleShot(delayMs, ticker, [this, link] {
                QMutexLocker lock(&mutex_);
                if (link_up_ && links_.contains(link)) {
                    link->ReportAccessState(eAccessState_Connected);
                }
            });
        },
        Qt::QueuedConnection);
}

void SimulatedMarketBackend::Detach(IServerLink* link) {
    QMutexLocker lock(&mutex_);
    links_.removeAll(link);
    push_lists_.remove(link);
    for (auto it = fast_quotes_.begin(); it != fast_quotes_.end();) {
        it = it.key().first == link ? fast_quotes_.erase(it) : std::next(it);
    }
}

void SimulatedMarketBackend::OnRequest(IServerLink* link, const ServerRequest& request) {
    QMutexLocker lock(&mutex_);
    ++requests_[request.funcId];
    if (!link_up_) {
        LogDebug(QStringLiteral("link down; %1 request %2 not answered")
                     .arg(request.funcId)
                     .arg(request.taskId));
        return;
    }
    switch (request.funcId) {
        case kFastQuoteFunction:
            OnFastQuote(link, request);
            break;
        case kPushListFunction:
            OnPushList(link, request);
            break;
        case kSnapshotFunction:
            OnSnapshot(link, request);
            break;
        case kDataSetFunction:
            OnDataSet(link, request);
            break;
        case kStockRelatedFunction:
            OnStockRelated(link, request);
            break;
        case kStockFlowFunction:
        case kBoardFlowFunction:
        case kBoardAnalysisFunction:
        case kPriceDealsFunction:
        case kWillDealsFunction:
            OnFlowOrDeals(link, request);
            break;
        case kLargeDealFunction:
            OnLargeDeal(link, request);
            break;
        case kSignalTypeFunction:
            OnSignalTypes(link, request);
            break;
        case kSignalFunction:
            OnSignals(link, request);
            break;
        default:
            if (simmarket::MinuteFlowAnswers::Serves(request.funcId)) {
                OnMinuteFlow(link, request);
                break;
            }
            LogDebug(QStringLiteral("function %1 on %2 is not simulated; no answer")
                         .arg(request.funcId)
                         .arg(request.service));
            break;
    }
}

void SimulatedMarketBackend::AnswerLocked(IServerLink* link, const ServerRequest& request,
                                          const QByteArray& body) {
    link->Answer(request, body);
    ++answers_[request.funcId];
}

// The request is kept: repeating its answer is how the book stays up to date (see the header).
void SimulatedMarketBackend::OnFastQuote(IServerLink* link, const ServerRequest& request) {
    const QString code = Param(request, kFastQuoteCodeParam).toString();
    if (!market_.IsStock(code)) {
        LogDebug(QStringLiteral("12989 for unknown stock %1; no answer").arg(code));
        return;
    }
    fast_quotes_.insert(FastQuoteKey(link, code), request);
    const int levels = qBound(1, Param(request, kFastQuoteCountParam).toInt(), kMaxLevels);
    AnswerLocked(link, request, FastQuoteBody(market_.FastQuote(code, levels)));
}

// The answer to 10000 carries no record; what matters is the list it sets.
void SimulatedMarketBackend::OnPushList(IServerLink* link, const ServerRequest& request) {
    PushListEntry entry;
    for (const QString& code : Param(request, kCodesParam).toStringList()) {
        if (market_.Knows(code) && !entry.codes.contains(code)) {
            entry.codes << code;
        }
    }
    // A push never carries the snapshot-kind bit, or it would be filed as a snapshot.
    entry.mask1 = MaskParam(request, kMask1Param) & ~snapshot::kStockType;
    entry.mask2 = MaskParam(request, kMask1Param + 1);
    entry.mask3 = MaskParam(request, kMask1Param + 2);
    if (entry.codes.isEmpty()) {
        push_lists_.remove(link);
    } else {
        push_lists_.insert(link, entry);
    }
    AnswerLocked(link, request, EmptySnapshotBody());
}

// The plug-in asks for one code at a time and reads the first record only: the answer carries
// the first code the market knows, or no record.
void SimulatedMarketBackend::OnSnapshot(IServerLink* link, const ServerRequest& request) {
    for (const QString& code : Param(request, kCodesParam).toStringList()) {
        if (market_.Knows(code)) {
            AnswerLocked(link, request,
                         SnapshotBody(market_.Snapshot(code, MaskParam(request, kMask1Param),
                                                       MaskParam(request, kMask1Param + 1),
                                                       MaskParam(request, kMask1Param + 2))));
            return;
        }
        LogDebug(QStringLiteral("10002 for unknown code %1").arg(code));
    }
    AnswerLocked(link, request, EmptySnapshotBody());
}

void SimulatedMarketBackend::OnDataSet(IServerLink* link, const ServerRequest& request) {
    const QStringList codes = Param(request, kCodesParam).toStringList();
    const QString code = codes.value(0);
    if (!market_.IsStock(code)) {
        LogDebug(QStringLiteral("10012 for unknown stock %1; no answer").arg(code));
        return;
    }
    AnswerLocked(link, request,
                 StockDataSetBody(market_.StockDataSet(code, MaskParam(request, kMask1Param))));
}

void SimulatedMarketBackend::OnStockRelated(IServerLink* link, const ServerRequest& request) {
    const QString code = Param(request, kRelatedCodesParam).toStringList().value(0);
    if (!market_.IsStock(code)) {
        LogDebug(QStringLiteral("12755 for unknown stock %1; no answer").arg(code));
        return;
    }
    const quint16 layout = quint16(Param(request, kRelatedLayoutParam).toInt());
    AnswerLocked(
        link, request,
        StockRelatedBody(market_.StockRelated(code, layout, MaskParam(request, kRelatedMask1Param),
                                              MaskParam(request, kRelatedMask2Param))));
}

// One code a request: first, except for 12973, which leads with its group mask (as does 12932's
// second parameter).
void SimulatedMarketBackend::OnFlowOrDeals(IServerLink* link, const ServerRequest& request) {
    const bool maskFirst = request.funcId == kBoardAnalysisFunction;
    const QString code = Param(request, maskFirst ? 1 : 0).toString();
    const quint16 mask = quint16(Param(request, maskFirst ? 0 : 1).toInt());
    const QByteArray body = simmarket::FlowOrDealsBody(market_, request.funcId, code, mask);
    if (body.isNull()) {
        LogDebug(QStringLiteral("%1 for unknown code %2; no answer").arg(request.funcId).arg(code));
        return;
    }
    AnswerLocked(link, request, body);
}

void SimulatedMarketBackend::Step() {
    QMutexLocker lock(&mutex_);
    market_.Step();
    for (const QString& code : market_.StockCodes()) {
        signal_detector_.AfterStep(*market_.FindState(code), HostClock::NowMs());
    }
    if (!link_up_) {
        return;
    }
    PushBooksLocked();
    if (options_.snapshot_push_every > 0 &&
        market_.StepCount() % options_.snapshot_push_every == 0) {
        PushSnapshotsLocked();
    }
}

void SimulatedMarketBackend::PushBooksLocked() {
    for (auto it = fast_quotes_.cbegin(); it != fast_quotes_.cend(); ++it) {
        const int levels = qBound(1, Param(*it, kFastQuoteCountParam).toInt(), kMaxLevels);
        AnswerLocked(it.key().first, *it,
                     FastQuoteBody(market_.FastQuote(it.key().second, levels)));
    }
}

void SimulatedMarketBackend::PushSnapshotsLocked() {
    for (auto it = push_lists_.cbegin(); it != push_lists_.cend(); ++it) {
        for (const QString& code : it->codes) {
            const StockSnapshot record = market_.Snapshot(code, it->mask1, it->mask2, it->mask3);
            it.key()->Push(kPushedQuoteFunction, SnapshotBody(record));
            ++pushes_[kPushedQuoteFunction];
        }
    }
}

void SimulatedMarketBackend::DropLink() {
    QMutexLocker lock(&mutex_);
    link_up_ = false;
    fast_quotes_.clear();
    push_lists_.clear();
    for (IServerLink* link : qAsConst(links_)) {
        link->ReportAccessState(eAccessState_Disconnected);
    }
}

void SimulatedMarketBackend::RestoreLink() {
    QMutexLocker lock(&mutex_);
    link_up_ = true;
    for (IServerLink* link : qAsConst(links_)) {
        link->ReportAccessState(eAccessState_Connected);
    }
}

bool SimulatedMarketBackend::IsLinkUp() const {
    QMutexLocker lock(&mutex_);
    return link_up_;
}

int SimulatedMarketBackend::StepCount() const {
    QMutexLocker lock(&mutex_);
    return market_.StepCount();
}

int SimulatedMarketBackend::RequestCount(int funcId) const {
    QMutexLocker lock(&mutex_);
    return requests_.value(funcId);
}

int SimulatedMarketBackend::AnswerCount(int funcId) const {
    QMutexLocker lock(&mutex_);
    return answers_.value(funcId);
}

int SimulatedMarketBackend::PushCount(int funcId) const {
    QMutexLocker lock(&mutex_);
    return pushes_.value(funcId);
}

QStringList SimulatedMarketBackend::FastQuoteSubscriptions() const {
    QMutexLocker lock(&mutex_);
    QStringList codes;
    for (const FastQuoteKey& key : fast_quotes_.keys()) {
        codes << key.second;
    }
    return codes;
}

QStringList SimulatedMarketBackend::PushList() const {
    QMutexLocker lock(&mutex_);
    QStringList codes;
    for (const PushListEntry& entry : push_lists_) {
        codes << entry.codes;
    }
    return codes;
}

int SimulatedMarketBackend::LinkCount() const {
    QMutexLocker lock(&mutex_);
    return links_.size();
}

void SimulatedMarketBackend::ReadMarket(
    const std::function<void(const simmarket::SimulatedMarket&)>& read) const {
    QMutexLocker lock(&mutex_);
    read(market_);
}

void SimulatedMarketBackend::OnMinuteFlow(IServerLink* link, const ServerRequest& request) {
    const std::optional<QByteArray> body = minute_flows_.Answer(market_, request);
    if (!body) {
        LogDebug(QStringLiteral("%1 for an unknown stock; no answer").arg(request.funcId));
        return;
    }
    AnswerLocked(link, request, *body);
}
