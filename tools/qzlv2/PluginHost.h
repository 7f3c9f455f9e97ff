#pragma once

#include <QSharedPointer>
#include <QString>

#include <functional>
#include <memory>

class IQuoteDataSourceController;
class QuoteContext;
class QuoteDataSourceHandler;
class QuoteTaskExecutor;
class ScopeTree;

// What the client does around the plug-in, for a screen: a context, the plug-in's handler at the
// head of the chain with its joins registered, and one intent asking for every panel's nodes of
// a stock. The quote server is whatever is installed in ServerBackendRegistry beforehand.
// Threads: main thread only; the plug-in runs its own threads.
namespace qzlv2 {

class Screen;

class PluginHost {
public:
    explicit PluginHost(Screen& screen);
    ~PluginHost();  // deletes the handler (joining the plug-in's threads), then the context

    // False with `error` when the plug-in cannot be loaded or makes no handler.
    bool Start(const QString& pluginFile, const QString& code, QString& error);
    // Joins what the plug-in delivered so far and updates the panels; the number of results.
    int Update();
    // After Start: the panels are also updated after every join (a page of minutes is replaced
    // by the next one at once), then `onJoin` is called.
    void UpdateAfterEveryJoin(std::function<void()> onJoin);
    // After Start: the plug-in's controller, to pause and resume it.
    IQuoteDataSourceController& Controller() const { return *controller_; }

private:
    void UpdatePanels();

    Screen& screen_;
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandler* handler_ = nullptr;
    IQuoteDataSourceController* controller_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    QSharedPointer<ScopeTree> tree_;
};

}  // namespace qzlv2
