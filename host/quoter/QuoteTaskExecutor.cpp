#include "host/quoter/QuoteTaskExecutor.h"

#include <QMutexLocker>

#include "host/quoter/QuoteContext.h"

QuoteTaskExecutor::QuoteTaskExecutor(QuoteContext& context, JoinMethodManager* joinMethods,
                                     QObject* parent)
    : QObject(parent),
      context_(context),
      join_methods_(joinMethods ? joinMethods : &context.OwnJoinMethodManager()) {}

QuoteTaskExecutor::~QuoteTaskExecutor() {
    Stop();
}

void QuoteTaskExecutor::Track(const QSharedPointer<ScopeTree>& tree) {
    QMutexLocker lock(&mutex_);
    if (tree && !trees_.contains(tree)) {
        trees_.append(tree);
    }
}

void QuoteTaskExecutor::Untrack(const QSharedPointer<ScopeTree>& tree) {
    QMutexLocker lock(&mutex_);
    trees_.removeAll(tree);
}

void QuoteTaskExecutor::SetObserver(Observer observer) {
    QMutexLocker lock(&mutex_);
    observer_ = std::move(observer);
}

int QuoteTaskExecutor::ProcessPending(int maxItems) {
    int taken = 0;
    QuoteTaskExecMidResult result;
    while ((maxItems < 0 || taken < maxItems) &&
           context_.GetQuoteTaskExecMidResultQueue().Pop(result, 0)) {
        ++taken;
        Process(result);
    }
    return taken;
}

void QuoteTaskExecutor::Start() {
    if (running_.exchange(true)) {
        return;
    }
    stop_requested_ = false;
    worker_ = std::thread([this] {
        QuoteTaskExecMidResult result;
        while (!stop_requested_.load()) {
            if (context_.GetQuoteTaskExecMidResultQueue().Pop(result, kPopTimeoutMs)) {
                Process(result);
            }
        }
    });
}

void QuoteTaskExecutor::Stop() {
    if (!running_.load()) {
        return;
    }
    stop_requested_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = false;
}

QSharedPointer<ScopeTree> QuoteTaskExecutor::TreeHolding(int scopeId) const {
    QMutexLocker lock(&mutex_);
    for (const QSharedPointer<ScopeTree>& tree : trees_) {
        if (tree->Contains(scopeId)) {
            return tree;
        }
    }
    return QSharedPointer<ScopeTree>();
}

void QuoteTaskExecutor::Process(const QuoteTaskExecMidResult& result) {
    const QSharedPointer<ScopeTree> tree = TreeHolding(result.scope_id);
    std::optional<ScopeTreeNode> child = tree ? tree->FindNode(result.scope_id) : std::nullopt;
    if (!child) {
        ++ignored_;
        return;
    }
    child->quote_data = result.data;
    // Only the data is written back: the tree may have been reset for a redispatch meanwhile.
    tree->SetQuoteData(child->scope_id, child->quote_data);
    JoinIntoParent(*tree, *child);
}

bool QuoteTaskExecutor::JoinIntoParent(ScopeTree& tree, const ScopeTreeNode& child) {
    std::optional<ScopeTreeNode> parent = tree.FindParent(child.scope_id);
    if (!parent) {
        return false;
    }
    const std::optional<JoinMethodValue> join =
        join_methods_->Find(parent->scope_type, parent->split_type, child.scope_type);
    if (!join || !join->Run(*parent, child).IsSuccess()) {
        return false;
    }
    if (!tree.SetQuoteData(parent->scope_id, parent->quote_data)) {
        return false;
    }
    ++joined_;
    Observer observer;
    {
        QMutexLocker lock(&mutex_);
        observer = observer_;
    }
    emit parentDataChanged(parent->scope_id);
    if (observer) {
        observer(parent->scope_id);
    }
    return true;
}
