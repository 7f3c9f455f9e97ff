#include "tools/qzlv2/loading/PluginHost.h"

#include "host/quoter/IQuoteDataSourceController.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/ScopeTree.h"
#include "tools/qzlv2/loading/PluginFile.h"
#include "tools/qzlv2/panels/Screen.h"

namespace qzlv2 {

namespace {
constexpr int kFirstTaskId = 1;
constexpr quint32 kServeFlags = 0x01;
const char kHandlerName[] = "qzlv2";

std::vector<qzviews::View*> ViewsOf(const Screen& screen) {
    std::vector<qzviews::View*> views;
    for (const auto& panel : screen.Panels()) {
        views.push_back(panel.get());
    }
    return views;
}
}  // namespace

PluginHost::PluginHost(Screen& screen) : PluginHost(ViewsOf(screen)) {}

PluginHost::PluginHost(std::vector<qzviews::View*> views, std::vector<qzviews::View*> ownIntent) {
    tasks_.push_back(Task{kFirstTaskId, std::move(views), {}, {}});
    for (qzviews::View* view : ownIntent) {
        tasks_.push_back(Task{kFirstTaskId + int(tasks_.size()), {view}, {}, {}});
    }
}

PluginHost::~PluginHost() {
    executor_.reset();
    delete handler_;
    context_.reset();
}

bool PluginHost::Start(const QString& pluginFile, const QString& code, QString& error) {
    code_ = code;
    context_ = std::make_unique<QuoteContext>();
    handler_ =
        CreateChainedHandler(*context_, pluginFile, QString::fromLatin1(kHandlerName), error);
    if (handler_ == nullptr) {
        return false;
    }
    controller_ = context_->FindQuoteDataSourceController(QString::fromLatin1(kHandlerName));
    executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
    for (Task& task : tasks_) {
        Dispatch(task);
    }
    return true;
}

// A new tree of the task's views' roots, tracked in place of the old one, handed down as the
// task's intent: the plug-in detaches what the task attached before and attaches the new nodes.
void PluginHost::Dispatch(Task& task) {
    auto tree = QSharedPointer<ScopeTree>::create();
    for (qzviews::View* view : task.views) {
        for (const ScopeTreeNode& root : view->Request(code_)) {
            tree->AddRoot(root);
        }
    }
    if (task.tree) {
        executor_->Untrack(task.tree);
        context_->OwnIntentHolder().RemoveLive(task.intent);
    }
    task.tree = tree;
    task.intent = QSharedPointer<QuoteDataSourceIntent>::create(task.id, kServeFlags, tree);
    executor_->Track(tree);
    context_->OwnIntentHolder().Dispatch(task.intent);
}

void PluginHost::Renew(qzviews::View& view) {
    for (Task& task : tasks_) {
        if (task.id != kFirstTaskId && task.views.front() == &view) {
            Dispatch(task);
        }
    }
}

int PluginHost::Update() {
    const int processed = executor_ ? executor_->ProcessPending() : 0;
    UpdateViews();
    return processed;
}

void PluginHost::UpdateAfterEveryJoin(std::function<void()> onJoin) {
    executor_->SetObserver([this, onJoin = std::move(onJoin)](int) {
        UpdateViews();
        onJoin();
    });
}

void PluginHost::UpdateViews() {
    for (const Task& task : tasks_) {
        for (qzviews::View* view : task.views) {
            if (task.tree) {
                view->Update(*task.tree);
            }
        }
    }
}

}  // namespace qzlv2
