#include "tests/stress/QuoterRig.h"

#include <QMetaObject>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ServerBackend.h"
#include "host/quoter/CompositeRemoteApiCall.h"
#include "plugin/QzLv2Quoter.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"

namespace {
const char* const kHandlerName = "lv2";
}

QuoterRig::QuoterRig(int midResultCapacity)
    : main_backend_(std::make_shared<ScriptedServerBackend>()),
      fast_backend_(std::make_shared<ScriptedServerBackend>()) {
    ServerBackendRegistry::Install("l2quote", main_backend_);
    ServerBackendRegistry::Install("pcl2xtquote", fast_backend_);
    context_ = std::make_unique<QuoteContext>(midResultCapacity);
    quoter_ = std::make_unique<QzLv2Quoter>(*context_, kHandlerName);
    context_->OwnIntentHolder().SetChainHead(quoter_.get());
    CompositeRemoteApiCall* calls = quoter_->Calls();
    for (int i = 0; i < calls->Count(); ++i) {
        if (auto* board = dynamic_cast<QzLv2RemoteApiCall_10002*>(calls->At(i))) {
            board_ = board;
        }
        if (auto* fast = dynamic_cast<QzLv2RemoteApiCall_12989*>(calls->At(i))) {
            fast_quote_ = fast;
        }
    }
}

QuoterRig::~QuoterRig() {
    DeleteQuoter();
    context_.reset();
    ServerBackendRegistry::Clear();
}

IQuoteDataSourceController* QuoterRig::Controller() const {
    return context_->FindQuoteDataSourceController(kHandlerName);
}

void QuoterRig::DeleteQuoter() {
    if (!quoter_) {
        return;
    }
    context_->OwnIntentHolder().SetChainHead(nullptr);
    board_ = nullptr;
    fast_quote_ = nullptr;
    quoter_.reset();
}

void QuoterRig::FlushAccessors() {
    if (!quoter_) {
        return;
    }
    for (CHQOWNServerAccesser* accessor : {quoter_->MainAccessor(), quoter_->FastQuoteAccessor()}) {
        QMetaObject::invokeMethod(
            accessor, [] {}, Qt::BlockingQueuedConnection);
    }
}

QString QuoterRig::CheckCaches() const {
    if (board_ != nullptr && board_->Cache().Size() > board_->Cache().Capacity()) {
        return QStringLiteral("10002 cache holds %1 > %2")
            .arg(board_->Cache().Size())
            .arg(board_->Cache().Capacity());
    }
    if (fast_quote_ != nullptr && fast_quote_->Cache().Size() > fast_quote_->Cache().Capacity()) {
        return QStringLiteral("12989 cache holds %1 > %2")
            .arg(fast_quote_->Cache().Size())
            .arg(fast_quote_->Cache().Capacity());
    }
    return QString();
}
