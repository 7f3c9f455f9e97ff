#pragma once

#include <QSharedPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class IQuoteDataSourceController;
class QuoteContext;
class QuoteDataSourceHandler;
class QuoteDataSourceIntent;
class QuoteTaskExecutor;
class ScopeTree;

namespace qzviews {
class View;
}

// What the client does around the plug-in, for a screen: a context, the plug-in's handler at the
// head of the chain with its joins registered, and one intent asking for every view's nodes of a
// stock. A view that changes what it asks for (a chart's cycle) gets an intent of its own, which
// Renew hands down again, as a client does when a view's parameters change. The quote server is
// whatever is installed in ServerBackendRegistry beforehand.
// Threads: main thread only; the plug-in runs its own threads.
namespace qzlv2 {

class Screen;

class PluginHost {
public:
    explicit PluginHost(Screen& screen);  // the screen's panels are its views
    // `views` share one intent; `ownIntent` views have one each.
    explicit PluginHost(std::vector<qzviews::View*> views,
                        std::vector<qzviews::View*> ownIntent = {});
    ~PluginHost();  // deletes the handler (joining the plug-in's threads), then the context

    // False with `error` when the plug-in cannot be loaded or makes no handler.
    bool Start(const QString& pluginFile, const QString& code, QString& error);
    // Joins what the plug-in delivered so far and updates the views; the number of results.
    int Update();
    // After Start: the views are also updated after every join (a page of minutes is replaced
    // by the next one at once), then `onJoin` is called.
    void UpdateAfterEveryJoin(std::function<void()> onJoin);
    // After Start: asks again for what `view` (one of the ownIntent views) asks for now; the
    // plug-in drops what its intent asked before.
    void Renew(qzviews::View& view);
    // After Start: the plug-in's controller, to pause and resume it.
    IQuoteDataSourceController& Controller() const { return *controller_; }

private:
    struct Task {
        int id = 0;
        std::vector<qzviews::View*> views;
        QSharedPointer<ScopeTree> tree;
        QSharedPointer<QuoteDataSourceIntent> intent;
    };

    void Dispatch(Task& task);
    void UpdateViews();

    QString code_;
    std::vector<Task> tasks_;  // the shared intent first
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandler* handler_ = nullptr;
    IQuoteDataSourceController* controller_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
};

}  // namespace qzlv2
