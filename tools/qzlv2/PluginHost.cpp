#include "tools/qzlv2/PluginHost.h"

#include "host/quoter/IQuoteDataSourceController.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/ScopeTree.h"
#include "tools/qzlv2/PluginFile.h"
#include "tools/qzlv2/Screen.h"

namespace qzlv2 {

namespace {
constexpr int kTaskId = 1;
constexpr quint32 kServeFlags = 0x01;
const char kHandlerName[] = "qzlv2";
}  // namespace

PluginHost::PluginHost(Screen& screen) : screen_(screen) {}

PluginHost::~PluginHost() {
    executor_.reset();
    delete handler_;
    context_.reset();
}

bool PluginHost::Start(const QString& pluginFile, const QString& code, QString& error) {
    context_ = std::make_unique<QuoteContext>();
    handler_ =
        CreateChainedHandler(*context_, pluginFile, QString::fromLatin1(kHandlerName), error);
    if (handler_ == nullptr) {
        return false;
    }
    controller_ = context_->FindQuoteDataSourceController(QString::fromLatin1(kHandlerName));
    tree_ = QSharedPointer<ScopeTree>::create();
    for (const auto& panel : screen_.Panels()) {
        for (const ScopeTreeNode& root : panel->Request(code)) {
            tree_->AddRoot(root);
        }
    }
    executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
    executor_->Track(tree_);
    context_->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(kTaskId, kServeFlags, tree_));
    return true;
}

int PluginHost::Update() {
    const int processed = executor_ ? executor_->ProcessPending() : 0;
    UpdatePanels();
    return processed;
}

void PluginHost::UpdateAfterEveryJoin(std::function<void()> onJoin) {
    executor_->SetObserver([this, onJoin = std::move(onJoin)](int) {
        UpdatePanels();
        onJoin();
    });
}

void PluginHost::UpdatePanels() {
    for (const auto& panel : screen_.Panels()) {
        panel->Update(*tree_);
    }
}

}  // namespace qzlv2
