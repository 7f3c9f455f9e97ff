// A minimal host of the Level-2 quote plug-in: everything a client must do to load it, ask it
// for one stock's order book, merge the answers and take it down again, with every check a client
// needs on the way. The README quotes it. It builds against the installed packages
// (CMakeLists.txt).
//
//   qzlv2-minimal-host [PLUGIN_DIR [CODE]]
//
// PLUGIN_DIR defaults to ../lib/qzlv2/plugins beside this program (the installed layout).
// Prints "CODE prev close P buy 1 P x N shares". Exit status: 0 the book arrived, 1 failed (the
// plug-in did not load or is not a quoter factory, it made no handler, no book in time),
// 2 usage. A real client brings its own quote server connection; here a simulated quote server
// answers both of the plug-in's services.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPluginLoader>

#include <cstdio>
#include <memory>

#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "host/quoter/ScopeTree.h"
#include "sim/server/SimulatedQuoteServer.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kTimeoutMs = 20000;  // ms to wait for a converted book
constexpr int kSliceMs = 50;       // ms of event processing between drains of the result queue

int Fail(const QString& message) {
    std::fprintf(stderr, "minimal-host: %s\n", qPrintable(message));
    return kExitFailed;
}

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
    if (argc > 3) {
        std::fprintf(stderr, "usage: qzlv2-minimal-host [PLUGIN_DIR [CODE]]\n");
        return kExitUsage;
    }
    const QString pluginDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/qzlv2/plugins");
    const QString code = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("SH600000");

    auto server = std::make_unique<SimulatedQuoteServer>();
    auto context = std::make_unique<QuoteContext>();

    // 1. Load the plug-in from its directory (Qt adds "lib" and ".so"), and check what loaded.
    QPluginLoader loader(QDir(pluginDir).absoluteFilePath(QStringLiteral("QzLv2Quoter")));
    QObject* instance = loader.instance();
    if (instance == nullptr) {
        return Fail(QStringLiteral("cannot load the plug-in QzLv2Quoter from %1: %2")
                        .arg(pluginDir, loader.errorString()));
    }
    auto* factory = qobject_cast<QuoterFactoryInterface*>(instance);
    if (factory == nullptr) {
        return Fail(QStringLiteral("%1 is a Qt plug-in of another kind (IID %2), not a %3")
                        .arg(loader.fileName(), loader.metaData().value("IID").toString(),
                             QStringLiteral(QuoterFactoryInterface_iid)));
    }
    // 2. One handler, owned by the host, put into the handler chain; then its joins.
    std::unique_ptr<QuoteDataSourceHandler> handler(factory->CreateHandler(*context, "qzlv2"));
    if (handler == nullptr) {
        return Fail(QStringLiteral("the plug-in's factory made no handler"));
    }
    IQuoteDataSourceController* controller = context->FindQuoteDataSourceController("qzlv2");
    if (controller == nullptr) {
        return Fail(QStringLiteral("the handler registered no data source controller"));
    }
    context->OwnIntentHolder().SetChainHead(handler.get());  // or chainTail->SetSuccessor(...)
    controller->RegisterJoinMethods();

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
    int exitCode = kExitFailed;
    if (const auto* book = dynamic_cast<const ResponsePkgEntity_12989*>(joined.data())) {
        const nscell::DataRow& buy1 = book->wills.buy_rows.front();
        std::printf("%s prev close %s buy 1 %s x %lld shares\n", qPrintable(code),
                    qPrintable(book->wills.summary.Get("prev_price_base").DisplayText()),
                    qPrintable(buy1.Get("price").DisplayText()), buy1.Get("vol").ToInt64());
        exitCode = 0;
    } else {
        Fail(QStringLiteral("no book for %1 within %2 ms").arg(code).arg(kTimeoutMs));
    }

    // 4. Teardown, in this order: stop taking results, delete the handler (it stops its threads
    // and unregisters its controller), then the quote server and the context.
    executor.reset();
    handler.reset();
    server.reset();
    context.reset();
    return exitCode;
}
