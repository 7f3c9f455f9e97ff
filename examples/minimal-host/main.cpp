// A minimal host of the Level-2 quote plug-in: everything a client must do to load it, ask it
// for one stock's order book, merge the answers and take it down again. The README quotes it.
//
//   qzlv2-minimal-host [PLUGIN_DIR [CODE]]
//
// PLUGIN_DIR defaults to ../lib/qzlv2/plugins beside this program (the installed layout).
// A real client brings its own quote server connection; here the demo's simulated market
// answers both of the plug-in's services.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPluginLoader>

#include <cstdio>
#include <memory>

#include "host/access/ServerBackend.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "host/quoter/ScopeTree.h"
#include "sim/market/SimulatedMarketBackend.h"

namespace {

constexpr int kTimeoutMs = 20000;  // ms to wait for a converted book
constexpr int kSliceMs = 50;       // ms of event processing between drains of the result queue

// The node's joined data once the book has arrived and the basic quote has given the previous
// close (and the precision that converts the book's prices); null before.
QSharedPointer<QuoteData> ConvertedBook(const ScopeTree& tree, int scopeId) {
    const std::optional<ScopeTreeNode> node = tree.FindNode(scopeId);
    const auto* book =
        node ? dynamic_cast<const ResponsePkgEntity_12989*>(node->quote_data.data()) : nullptr;
    if (book == nullptr || book->wills.buy_rows.empty() ||
        book->wills.summary.Get("prev_price_base").IsEmpty()) {
        return {};
    }
    return node->quote_data;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString pluginDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/qzlv2/plugins");
    const QString code = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("SH600000");

    auto market = std::make_shared<SimulatedMarketBackend>();
    SimulatedMarketBackend::InstallForBothServices(market);
    auto context = std::make_unique<QuoteContext>();

    // 1. Load the plug-in: its directory on the library path, then the file by its base name.
    QCoreApplication::addLibraryPath(QDir(pluginDir).absolutePath());
    QPluginLoader loader(QStringLiteral("QzLv2Quoter"));
    auto* factory = qobject_cast<QuoterFactoryInterface*>(loader.instance());
    if (factory == nullptr) {
        std::fprintf(stderr, "minimal-host: cannot load QzLv2Quoter from %s: %s\n",
                     qPrintable(pluginDir), qPrintable(loader.errorString()));
        return 1;
    }
    // 2. One handler, owned by the host, put into the handler chain; then its joins.
    QuoteDataSourceHandler* handler = factory->CreateHandler(*context, "qzlv2");
    context->OwnIntentHolder().SetChainHead(handler);  // or chainTail->SetSuccessor(handler)
    context->FindQuoteDataSourceController("qzlv2")->RegisterJoinMethods();

    // 3. Ask: one "l2_fast_quote" node; the executor drains the mid-result queue and joins.
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant("l2_fast_quote"));
    node.stock_list = StockListExpression::FromStockCode(code);
    auto tree = QSharedPointer<ScopeTree>::create();
    tree->AddRoot(node);
    auto executor = std::make_unique<QuoteTaskExecutor>(*context);
    executor->Track(tree);
    context->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(1, 0x01, tree));

    QSharedPointer<QuoteData> joined;
    QElapsedTimer waited;
    waited.start();
    while (joined.isNull() && waited.elapsed() < kTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kSliceMs);
        executor->ProcessPending();
        joined = ConvertedBook(*tree, node.scope_id);
    }
    int exitCode = 1;
    if (const auto* book = dynamic_cast<const ResponsePkgEntity_12989*>(joined.data())) {
        const nscell::DataRow& buy1 = book->wills.buy_rows.front();
        std::printf("%s prev close %s buy 1 %s x %lld shares\n", qPrintable(code),
                    qPrintable(book->wills.summary.Get("prev_price_base").DisplayText()),
                    qPrintable(buy1.Get("price").DisplayText()), buy1.Get("vol").ToInt64());
        exitCode = 0;
    } else {
        std::fprintf(stderr, "minimal-host: no book for %s within %d ms\n", qPrintable(code),
                     kTimeoutMs);
    }

    // 4. Teardown, in this order: stop taking results, delete the handler (it stops its threads
    // and unregisters its controller), then the server connection and the context.
    executor.reset();
    delete handler;
    ServerBackendRegistry::Clear();
    market.reset();
    context.reset();
    return exitCode;
}
