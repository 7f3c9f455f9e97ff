// The whole road through the real plug-in file: the simulated market (stepped by hand) answers
// the plug-in's requests, the client's executor joins the answers into the request's parent
// nodes, and a dropped and restored link blocks and then brings back new requests without
// restarting anything.
#include <QPluginLoader>
#include <QtTest>

#include <memory>

#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "host/quoter/ScopeTree.h"
#include "sim/market/SimulatedMarketBackend.h"

namespace {

constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries
const QStringList kBoardKeys{"money_flow_today", "money_flow_5d",        "float_ratio_day_0",
                             "big_order_ratio",  "turnover_ratio_day_5", "float_ratio_day_20"};

struct Request {
    QSharedPointer<ScopeTree> tree;
    int fast_quote_id = -1;
    int board_id = -1;
};

Request MakeRequest(const QString& code) {
    ScopeTreeNode fast = ScopeTreeNode::NewRoot(ScopeTypeVariant("l2_fast_quote"));
    fast.stock_list = StockListExpression::FromStockCode(code);
    ScopeTreeNode board = ScopeTreeNode::NewRoot(ScopeTypeVariant(2));
    board.stock_list = StockListExpression::FromStockCode(code);
    board.key_list = KeyListExpression::FromKeyList(kBoardKeys);
    Request r;
    r.tree = QSharedPointer<ScopeTree>::create();
    r.tree->AddRoot(fast);
    r.tree->AddRoot(board);
    r.fast_quote_id = fast.scope_id;
    r.board_id = board.scope_id;
    return r;
}

const ResponsePkgEntity_12989* BookOf(const ScopeTreeNode& node) {
    return dynamic_cast<const ResponsePkgEntity_12989*>(node.quote_data.data());
}

}  // namespace

class TestSimEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void fastQuoteAndBoardFieldsReachTheParents();
    void laterBooksFollowTheMarket();
    void droppedLinkLeavesNewRequestsUnresolved();
    void restoredLinkBringsTheDataBack();

private:
    void Dispatch(int taskId, const Request& request);
    // The parent node's book, once converted with the stock's precision; null before.
    const ResponsePkgEntity_12989* ConvertedBook(const Request& request);
    bool HasBoardFields(const Request& request);
    qint32 MarketLast(const QString& code) const;

    std::shared_ptr<SimulatedMarketBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QPluginLoader loader_{QStringLiteral(QZLV2_PLUGIN_FILE)};
    QuoteDataSourceHandler* handler_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    Request first_;
    Request blocked_;
    std::optional<ScopeTreeNode> node_;  // keeps the node ConvertedBook points into
};

void TestSimEndToEnd::initTestCase() {
    SimulatedMarketBackend::Options options;
    options.timers = false;
    options.snapshot_push_every = 1;
    backend_ = std::make_shared<SimulatedMarketBackend>(options);
    SimulatedMarketBackend::InstallForBothServices(backend_);
    context_ = std::make_unique<QuoteContext>();
    auto* factory = qobject_cast<QuoterFactoryInterface*>(loader_.instance());
    QVERIFY2(factory != nullptr, qPrintable(loader_.errorString()));
    handler_ = factory->CreateHandler(*context_, "qzlv2");
    QVERIFY(handler_ != nullptr);
    context_->OwnIntentHolder().SetChainHead(handler_);
    IQuoteDataSourceController* controller = context_->FindQuoteDataSourceController("qzlv2");
    QVERIFY(controller != nullptr);
    controller->RegisterJoinMethods();
    executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
    QTRY_COMPARE_WITH_TIMEOUT(backend_->LinkCount(), 2, kWaitMs);
}

void TestSimEndToEnd::cleanupTestCase() {
    executor_.reset();
    delete handler_;
    ServerBackendRegistry::Clear();
    backend_.reset();
    context_.reset();
}

void TestSimEndToEnd::Dispatch(int taskId, const Request& request) {
    executor_->Track(request.tree);
    context_->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(taskId, 0x01, request.tree));
}

const ResponsePkgEntity_12989* TestSimEndToEnd::ConvertedBook(const Request& request) {
    executor_->ProcessPending();
    node_ = request.tree->FindNode(request.fast_quote_id);
    const ResponsePkgEntity_12989* book = node_ ? BookOf(*node_) : nullptr;
    if (book == nullptr || book->wills.buy_rows.empty() ||
        book->wills.buy_rows[0].Get("price").kind() != nscell::UnsharedDataCell::Kind::Price) {
        return nullptr;
    }
    return book;
}

bool TestSimEndToEnd::HasBoardFields(const Request& request) {
    executor_->ProcessPending();
    const std::optional<ScopeTreeNode> board = request.tree->FindNode(request.board_id);
    if (!board || board->quote_data.isNull()) {
        return false;
    }
    for (const QString& key : kBoardKeys) {
        if (board->quote_data->row.Get(key).IsEmpty()) {
            return false;
        }
    }
    return true;
}

qint32 TestSimEndToEnd::MarketLast(const QString& code) const {
    qint32 last = 0;
    backend_->ReadMarket(
        [&](const simmarket::SimulatedMarket& m) { last = m.FindState(code)->Last(); });
    return last;
}

void TestSimEndToEnd::fastQuoteAndBoardFieldsReachTheParents() {
    first_ = MakeRequest("SZ300750");
    Dispatch(1, first_);
    QTRY_VERIFY_WITH_TIMEOUT(ConvertedBook(first_) != nullptr, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(HasBoardFields(first_), kWaitMs);
    const ResponsePkgEntity_12989* book = ConvertedBook(first_);
    QVERIFY(book != nullptr);
    QCOMPARE(book->wills.summary.Get("prev_price_base").DisplayText(), QString("180.35"));
    QCOMPARE(int(book->wills.buy_rows.size()), 10);
    QCOMPARE(int(book->wills.sell_rows.size()), 10);
    // A full book: ten real levels a side, best bid at the market's last price, two decimals.
    for (const nscell::DataRow& row : book->wills.buy_rows) {
        QVERIFY(row.Get("vol").ToInt64() > 0);
    }
    const qint32 last = MarketLast("SZ300750");
    QCOMPARE(book->wills.buy_rows[0].Get("price").ToInt64(), qint64(last));
    QCOMPARE(book->wills.buy_rows[0].Get("price").DisplayText(),
             QString::number(last / 100.0, 'f', 2));
    QCOMPARE(book->gears.buy_queues.size(), 10);
}

void TestSimEndToEnd::laterBooksFollowTheMarket() {
    // Each tick answers the stock's request again; the parent ends up with the newest book.
    for (int i = 0; i < 5; ++i) {
        backend_->Step();
    }
    const qint32 last = MarketLast("SZ300750");
    qint64 bestBidVolume = 0;
    backend_->ReadMarket([&](const simmarket::SimulatedMarket& m) {
        bestBidVolume = m.FindState("SZ300750")->Book().Bids().first().Volume();
    });
    QTRY_VERIFY_WITH_TIMEOUT(
        ConvertedBook(first_) != nullptr &&
            ConvertedBook(first_)->wills.buy_rows[0].Get("price").ToInt64() == last &&
            ConvertedBook(first_)->wills.buy_rows[0].Get("vol").ToInt64() == bestBidVolume,
        kWaitMs);
    QVERIFY(backend_->AnswerCount(12989) >= 6);
}

void TestSimEndToEnd::droppedLinkLeavesNewRequestsUnresolved() {
    const int redispatches = context_->OwnIntentHolder().RedispatchCount();
    backend_->DropLink();
    // The plug-in hears the state on its accessor's thread and asks the client to redispatch.
    QTRY_COMPARE_WITH_TIMEOUT(context_->OwnIntentHolder().RedispatchCount(), redispatches + 1,
                              kWaitMs);
    const int fastQuoteRequests = backend_->RequestCount(12989);
    blocked_ = MakeRequest("SH688981");
    Dispatch(2, blocked_);
    QVERIFY(blocked_.tree->IsRemained(blocked_.fast_quote_id));
    QVERIFY(blocked_.tree->IsRemained(blocked_.board_id));
    QCOMPARE(blocked_.tree->Size(), 2);  // no child was made
    backend_->Step();
    QCOMPARE(ConvertedBook(blocked_), nullptr);
    QVERIFY(!HasBoardFields(blocked_));
    QCOMPARE(backend_->RequestCount(12989), fastQuoteRequests);
}

void TestSimEndToEnd::restoredLinkBringsTheDataBack() {
    const int redispatches = context_->OwnIntentHolder().RedispatchCount();
    backend_->RestoreLink();
    QTRY_COMPARE_WITH_TIMEOUT(context_->OwnIntentHolder().RedispatchCount(), redispatches + 1,
                              kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(ConvertedBook(blocked_) != nullptr, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(HasBoardFields(blocked_), kWaitMs);
    QVERIFY(!blocked_.tree->IsRemained(blocked_.fast_quote_id));
    const ResponsePkgEntity_12989* book = ConvertedBook(blocked_);
    QCOMPARE(book->wills.summary.Get("prev_price_base").DisplayText(), QString("51.80"));
    QCOMPARE(book->wills.buy_rows[0].Get("price").ToInt64(), qint64(MarketLast("SH688981")));
}

QTEST_GUILESS_MAIN(TestSimEndToEnd)
#include "tst_simendtoend.moc"
