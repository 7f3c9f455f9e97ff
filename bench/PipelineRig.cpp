#include "bench/PipelineRig.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>

#include "host/quoter/ScopeTreeNode.h"

namespace {

constexpr int kWaitMs = 5000;  // ms: the longest a request or a result may take here
const QString kFastService = QStringLiteral("pcl2xtquote");
const QString kMainService = QStringLiteral("l2quote");

// CPU clock and kernel id of the thread `accessor` delivers on.
DeliveryThreadIds DeliveryThread(CHQOWNServerAccesser* accessor) {
    DeliveryThreadIds ids;
    QMetaObject::invokeMethod(
        accessor,
        [&ids] {
            pthread_getcpuclockid(pthread_self(), &ids.clock);
            ids.tid = static_cast<long>(syscall(SYS_gettid));
        },
        Qt::BlockingQueuedConnection);
    return ids;
}

// Times the thread `tid` of this process went to sleep waiting (its voluntary context switches).
long Sleeps(long tid) {
    QFile status(QStringLiteral("/proc/self/task/%1/status").arg(tid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray key = "voluntary_ctxt_switches:";
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(key.size()).trimmed().toLong();
        }
    }
    return 0;
}

ScopeTreeNode NodeFor(int scopeId, const QString& code, const QString& apiType) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot("qz_lv2_quoter_" + apiType);
    node.scope_id = scopeId;
    node.api_type = apiType;
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

}  // namespace

double CpuMicros(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

PipelineRig::PipelineRig(int stocks)
    : fastBackend_(std::make_shared<ScriptedServerBackend>()),
      mainBackend_(std::make_shared<ScriptedServerBackend>()) {
    ServerBackendRegistry::Install(kFastService, fastBackend_);
    ServerBackendRegistry::Install(kMainService, mainBackend_);
    configuration_.context = &context_;
    fastAccessor_ = new CHQOWNServerAccesser(kFastService, nullptr, 0);
    fastAccessor_->RegisterFuncAsSerial(QzLv2RemoteApiCall_12989::kFunctionId);
    fastAccessor_->RegisterFuncAsPush(QzLv2RemoteApiCall_12989::kFunctionId);
    mainAccessor_ = new CHQOWNServerAccesser(kMainService, nullptr, 0);
    bookCall_ = std::make_unique<QzLv2RemoteApiCall_12989>(&configuration_, fastAccessor_);
    bookCall_->Init();
    snapshotCall_ = std::make_unique<QzLv2RemoteApiCall_10002>(&configuration_, mainAccessor_);
    snapshotCall_->Init();
    for (CHQOWNServerAccesser* accessor : {fastAccessor_, mainAccessor_}) {
        accessorThreads_.push_back(DeliveryThread(accessor));
    }
    for (int i = 0; i < stocks; ++i) {
        codes_.push_back(QStringLiteral("SH%1").arg(600000 + i));
        bookCall_->AttachNode(NodeFor(kBookScopeBase + i, codes_.back(), "12989"));
        snapshotCall_->AttachNode(NodeFor(kPushScopeBase + i, codes_.back(), "10001"));
    }
    if (!fastBackend_->WaitForRequests(stocks, kWaitMs)) {
        return;
    }
    const QList<ServerRequest> requests = fastBackend_->Requests();
    for (const QString& code : codes_) {
        for (const ServerRequest& request : requests) {
            if (request.params.value(0).second.toString() == code) {
                bookRequests_.push_back(request);
                break;
            }
        }
    }
    ready_ = bookRequests_.size() == codes_.size();
}

PipelineRig::~PipelineRig() {
    // Calls first (they unregister from the accessors), then the accessors' threads.
    bookCall_.reset();
    snapshotCall_.reset();
    delete fastAccessor_;
    delete mainAccessor_;
    ServerBackendRegistry::Clear();
}

void PipelineRig::SendBook(int stock, const QByteArray& body) {
    sent_[kBookScopeBase + stock].push_back(Clock::now());
    fastBackend_->Answer(bookRequests_[static_cast<size_t>(stock)], body);
}

void PipelineRig::SendPush(const QByteArray& body, int stock) {
    sent_[kPushScopeBase + stock].push_back(Clock::now());
    mainBackend_->Push(QzLv2RemoteApiCall_10002::kPushFunction, body);
}

bool PipelineRig::Collect(int count, std::vector<double>& latenciesUs) {
    for (int i = 0; i < count; ++i) {
        QuoteTaskExecMidResult result;
        if (!context_.GetQuoteTaskExecMidResultQueue().Pop(result, kWaitMs)) {
            return false;
        }
        const Clock::time_point now = Clock::now();
        auto found = sent_.find(result.scope_id);
        if (found == sent_.end() || found->empty()) {
            --i;  // a replay at attach time, not a message of ours
            continue;
        }
        const std::chrono::duration<double, std::micro> latency = now - found->front();
        found->pop_front();
        latenciesUs.push_back(latency.count());
    }
    return true;
}

double PipelineRig::AccessorCpuMicros() const {
    double micros = 0;
    for (const DeliveryThreadIds& thread : accessorThreads_) {
        micros += CpuMicros(thread.clock);
    }
    return micros;
}

long PipelineRig::AccessorSleeps() const {
    long sleeps = 0;
    for (const DeliveryThreadIds& thread : accessorThreads_) {
        sleeps += Sleeps(thread.tid);
    }
    return sleeps;
}

HandOffRig::HandOffRig() : backend_(std::make_shared<ScriptedServerBackend>()) {
    ServerBackendRegistry::Install(kMainService, backend_);
    accessor_ = new CHQOWNServerAccesser(kMainService, nullptr, 0);
    const int push = QzLv2RemoteApiCall_10002::kPushFunction;
    accessor_->RegisterFuncAsPush(push);
    accessor_->RegisterReceiver(
        ReceiverKey(push, this),
        [this](const Resp_s&) {
            QuoteTaskExecMidResult result;
            result.scope_id = PipelineRig::kPushScopeBase;
            context_.GetQuoteTaskExecMidResultQueue().Push(result, kWaitMs);
        },
        [](int, int, const QString&) {});
    accessorThread_ = DeliveryThread(accessor_);
}

HandOffRig::~HandOffRig() {
    accessor_->UnregisterReceiver(ReceiverKey(QzLv2RemoteApiCall_10002::kPushFunction, this));
    delete accessor_;
    ServerBackendRegistry::Clear();
}

void HandOffRig::SendPush(const QByteArray& body) {
    sent_.push_back(PipelineRig::Clock::now());
    backend_->Push(QzLv2RemoteApiCall_10002::kPushFunction, body);
}

bool HandOffRig::Collect(int count, std::vector<double>& latenciesUs) {
    for (int i = 0; i < count; ++i) {
        QuoteTaskExecMidResult result;
        if (!context_.GetQuoteTaskExecMidResultQueue().Pop(result, kWaitMs) || sent_.empty()) {
            return false;
        }
        const std::chrono::duration<double, std::micro> latency =
            PipelineRig::Clock::now() - sent_.front();
        sent_.pop_front();
        latenciesUs.push_back(latency.count());
    }
    return true;
}

double HandOffRig::AccessorCpuMicros() const {
    return CpuMicros(accessorThread_.clock);
}

long HandOffRig::AccessorSleeps() const {
    return Sleeps(accessorThread_.tid);
}
