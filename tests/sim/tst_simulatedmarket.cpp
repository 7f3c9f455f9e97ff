// The simulated market and its quote server, stepped by hand: a seed gives the same market, books
// stay plausible, and the server pushes, forgets and keeps quiet as a real one does. Then the
// whole road through the real plug-in file: the market answers the plug-in's requests, the
// client's executor joins the answers into the parent nodes, and a dropped and restored link
// blocks and then serves new requests.
#include <QPluginLoader>
#include <QtTest>

#include <memory>
#include <numeric>
#include <tuple>
#include <utility>

#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "host/quoter/ScopeTree.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/SimulatedMarketBackend.h"

using simmarket::BookLevel;
using simmarket::OrderBook;
using simmarket::SimulatedMarket;

namespace {

constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries
const QStringList kBoardKeys{"money_flow_today", "money_flow_5d",        "float_ratio_day_0",
                             "big_order_ratio",  "turnover_ratio_day_5", "float_ratio_day_20"};

// The accessor's side of the seam, without its thread: (function, task id or -1, body) sent.
class RecordingLink : public IServerLink {
public:
    using Sent = std::tuple<int, int, QByteArray>;
    void Answer(const ServerRequest& r, const QByteArray& b) override {
        sent << Sent{r.funcId, r.taskId, b};
    }
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int funcId, const QByteArray& b) override { sent << Sent{funcId, -1, b}; }
    void ReportAccessState(_enAccessState state) override { states << state; }
    QList<Sent> Take() { return std::exchange(sent, {}); }

    QList<Sent> sent;
    QList<_enAccessState> states;
};

// A request as the accessor hands it to a backend: 12989, or 10000/10002 with mask 1.
ServerRequest Raw(int funcId, const QStringList& codes, int taskId, quint32 mask1 = 0) {
    ServerRequest r;
    r.funcId = funcId;
    r.taskId = taskId;
    r.params = {{"Int16U", 0},     {"Int16U", 0},           {"Strings", codes},
                {"Int32U", mask1}, {"Int32U", 0x60400415u}, {"Int32U", 0}};
    if (funcId == 12989) {
        r.params = {{"String", codes.value(0)}, {"Int16U", 10}};
    }
    return r;
}

// What a client asks of one stock: its order book and its board fields, as two roots.
struct ClientRequest {
    explicit ClientRequest(const QString& code) : tree(QSharedPointer<ScopeTree>::create()) {
        ScopeTreeNode fast = ScopeTreeNode::NewRoot(ScopeTypeVariant("l2_fast_quote"));
        ScopeTreeNode board = ScopeTreeNode::NewRoot(ScopeTypeVariant(2));
        board.key_list = KeyListExpression::FromKeyList(kBoardKeys);
        for (ScopeTreeNode* node : {&fast, &board}) {
            node->stock_list = StockListExpression::FromStockCode(code);
            tree->AddRoot(*node);
        }
        fast_id = fast.scope_id;
        board_id = board.scope_id;
    }
    QSharedPointer<ScopeTree> tree;
    int fast_id;
    int board_id;
};

}  // namespace

class TestSimulatedMarket : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() {
        executor_.reset();
        delete handler_;
        ServerBackendRegistry::Clear();
        backend_.reset();
        context_.reset();
    }

    void limitsAndSeed() {
        // 10.52 main board: +-10 %, rounded to the cent; 180.35 growth, 51.80 star board: +-20 %.
        QCOMPARE(simmarket::FindStock("SH600000")->LimitUp(), 1157);
        QCOMPARE(simmarket::FindStock("SH600000")->LimitDown(), 947);
        QCOMPARE(simmarket::FindStock("SZ300750")->LimitUp(), 21642);
        QCOMPARE(simmarket::FindStock("SH688981")->LimitDown(), 4144);
        // The same seed gives the same market, another seed another one.
        const auto queuesAfter50Ticks = [](quint32 seed) {
            SimulatedMarket market(seed);
            QList<QVector<qint32>> queues;
            for (int i = 0; i < 50; ++i) {
                market.Step();
                queues << market.FastQuote("SZ300750", 10).buy.first().queued;
            }
            return queues;
        };
        QCOMPARE(queuesAfter50Ticks(7), queuesAfter50Ticks(7));
        QVERIFY(queuesAfter50Ticks(8) != queuesAfter50Ticks(7));
    }

    void booksStayPlausibleForManyTicks() {
        SimulatedMarket market;
        for (int tick = 0; tick < 2000; ++tick) {
            market.Step();
            for (const QString& code : market.StockCodes()) {
                const simmarket::StockState* s = market.FindState(code);
                const qint32 last = s->Last();
                QVERIFY(last >= s->Stock().LimitDown() && last <= s->Stock().LimitUp());
                QVERIFY(s->Low() <= last && last <= s->High());
                const QVector<BookLevel> bids = s->Book().Bids();
                const QVector<BookLevel> asks = s->Book().Asks();
                // Ten levels a side unless a daily limit cuts the side short.
                QVERIFY(bids.size() == OrderBook::kLevels ||
                        bids.last().price - s->Spacing() < s->Stock().LimitDown());
                QVERIFY(asks.size() == OrderBook::kLevels || asks.isEmpty() ||
                        asks.last().price + s->Spacing() > s->Stock().LimitUp());
                QVERIFY(bids.isEmpty() || bids.first().price == last);
                QVERIFY(asks.isEmpty() || asks.first().price > last);
                for (int i = 1; i < bids.size(); ++i) {
                    QCOMPARE(bids[i - 1].price - bids[i].price, s->Spacing());
                }
                for (const BookLevel& level : bids + asks) {
                    QVERIFY(!level.orders.isEmpty() && level.orders.size() <= OrderBook::kMaxQueue);
                    for (qint32 v : level.orders) {
                        QVERIFY(v > 0 && v % OrderBook::kLot == 0);
                    }
                }
            }
            // What the 12989 answer carries adds up.
            const simwire::FastQuoteBook book = market.FastQuote("SH600000", 10);
            for (const simwire::FastQuoteLevel& level : book.buy + book.sell) {
                QCOMPARE(level.volume,
                         std::accumulate(level.queued.begin(), level.queued.end(), 0));
                QCOMPARE(level.order_count, level.queued.size());
            }
        }
    }

    void serverPushesItsListAndForgetsOnDrop() {
        SimulatedMarketBackend::Options manual;
        manual.timers = false;
        manual.snapshot_push_every = 1;
        SimulatedMarketBackend backend(manual);
        RecordingLink link, gone;
        backend.Attach(&link);
        backend.Attach(&gone);
        QCOMPARE(link.states, QList<_enAccessState>{eAccessState_Connected});
        backend.OnRequest(&link, Raw(19999, {"SH600000"}, 1));  // not simulated: no answer
        backend.OnRequest(&link, Raw(12989, {"SH999999"}, 2));  // unknown stock: no answer
        // A push list request's snapshot-kind bit is dropped, so the pushes are filed as pushes.
        backend.OnRequest(&link, Raw(10000, {"SH600000", "SH999999", "SZ000001"}, 3,
                                     0x19600FDF | snapshot::kStockType));
        QCOMPARE(link.Take().size(), 1);  // the answer to the 10000 request only
        backend.OnRequest(&gone, Raw(12989, {"SH600000"}, 4));
        backend.Detach(&gone);
        backend.Step();
        QStringList pushed;
        for (const RecordingLink::Sent& sent : link.Take()) {
            const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(std::get<2>(sent));
            QVERIFY2(std::get<0>(sent) == 10001 && std::get<1>(sent) == -1 && r.ok && r.record &&
                         !r.record->Has1(snapshot::kStockType),
                     qPrintable(r.error));
            pushed << r.record->code;
        }
        QCOMPARE(pushed, (QStringList{"SH600000", "SZ000001"}));
        backend.OnRequest(&link, Raw(10000, {}, 5));  // an empty list stops the pushes
        backend.Step();
        QCOMPARE(link.Take().size(), 1);  // its answer only
        backend.OnRequest(&link, Raw(12989, {"SH600000"}, 6));
        backend.DropLink();
        QCOMPARE(link.states.last(), eAccessState_Disconnected);
        backend.OnRequest(&link, Raw(12989, {"SZ000001"}, 7));  // not answered while down
        backend.RestoreLink();
        QCOMPARE(link.states.last(), eAccessState_Connected);
        QCOMPARE(link.Take().size(), 1);  // the answer to 6, before the drop
        backend.Step();                   // the server forgot what the dropped connection asked for
        QVERIFY(link.sent.isEmpty());
        backend.OnRequest(&link, Raw(12989, {"SZ000001"}, 8));
        backend.Step();  // answered, then answered again on the tick
        QCOMPARE(link.sent.size(), 2);
        QCOMPARE(std::get<1>(link.sent[1]), 8);
        QCOMPARE(gone.sent.size(), 1);  // its answer before it was detached, nothing after
        QCOMPARE(gone.states, QList<_enAccessState>{eAccessState_Connected});
    }

    void throughThePlugInAndBackAfterADrop() {
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
        context_->FindQuoteDataSourceController("qzlv2")->RegisterJoinMethods();
        executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
        QTRY_COMPARE_WITH_TIMEOUT(backend_->LinkCount(), 2, kWaitMs);

        const ClientRequest request("SZ300750");
        Dispatch(1, request);
        QTRY_VERIFY_WITH_TIMEOUT(Complete(request) != nullptr, kWaitMs);
        QCOMPARE(Complete(request)->wills.summary.Get("prev_price_base").DisplayText(),
                 QString("180.35"));
        // Each tick answers the stock's request again; the parent ends up with the newest book.
        for (int i = 0; i < 5; ++i) {
            backend_->Step();
        }
        QPair<qint64, qint64> best;  // (price, volume) of the market's best bid
        backend_->ReadMarket([&](const SimulatedMarket& m) {
            const BookLevel level = m.FindState("SZ300750")->Book().Bids().first();
            best = qMakePair(qint64(level.price), level.Volume());
        });
        const auto newest = [&] {
            const ResponsePkgEntity_12989* b = Complete(request);
            return b && qMakePair(b->wills.buy_rows[0].Get("price").ToInt64(),
                                  b->wills.buy_rows[0].Get("vol").ToInt64()) == best;
        };
        QTRY_VERIFY_WITH_TIMEOUT(newest(), kWaitMs);

        // The plug-in hears a drop on its accessor's thread and asks the client to redispatch; new
        // requests stay unresolved and reach no server until the link is back.
        IntentHolder& intents = context_->OwnIntentHolder();
        const int redispatches = intents.RedispatchCount();
        backend_->DropLink();
        QTRY_COMPARE_WITH_TIMEOUT(intents.RedispatchCount(), redispatches + 1, kWaitMs);
        const int fastQuoteRequests = backend_->RequestCount(12989);
        const ClientRequest blocked("SH688981");
        Dispatch(2, blocked);
        QVERIFY(blocked.tree->IsRemained(blocked.fast_id));
        backend_->Step();
        QCOMPARE(Complete(blocked), nullptr);
        QCOMPARE(backend_->RequestCount(12989), fastQuoteRequests);
        backend_->RestoreLink();
        QTRY_COMPARE_WITH_TIMEOUT(intents.RedispatchCount(), redispatches + 2, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(Complete(blocked) != nullptr, kWaitMs);
        QCOMPARE(Complete(blocked)->wills.summary.Get("prev_price_base").DisplayText(),
                 QString("51.80"));
    }

private:
    void Dispatch(int taskId, const ClientRequest& request);
    // The parent's book, once converted and every board field is there too (else null).
    const ResponsePkgEntity_12989* Complete(const ClientRequest& request);

    std::shared_ptr<SimulatedMarketBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QPluginLoader loader_{QStringLiteral(QZLV2_PLUGIN_FILE)};
    QuoteDataSourceHandler* handler_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    std::optional<ScopeTreeNode> node_;  // keeps the node Complete points into
};

void TestSimulatedMarket::Dispatch(int taskId, const ClientRequest& request) {
    executor_->Track(request.tree);
    context_->OwnIntentHolder().Dispatch(
        QSharedPointer<QuoteDataSourceIntent>::create(taskId, 0x01, request.tree));
}

const ResponsePkgEntity_12989* TestSimulatedMarket::Complete(const ClientRequest& request) {
    executor_->ProcessPending();
    const std::optional<ScopeTreeNode> board = request.tree->FindNode(request.board_id);
    for (const QString& key : kBoardKeys) {
        if (!board || board->quote_data.isNull() || board->quote_data->row.Get(key).IsEmpty()) {
            return nullptr;
        }
    }
    node_ = request.tree->FindNode(request.fast_id);
    const auto* book =
        node_ ? dynamic_cast<const ResponsePkgEntity_12989*>(node_->quote_data.data()) : nullptr;
    const bool converted =
        book != nullptr && !book->wills.buy_rows.empty() &&
        book->wills.buy_rows[0].Get("price").kind() == nscell::UnsharedDataCell::Kind::Price;
    return converted ? book : nullptr;
}

QTEST_GUILESS_MAIN(TestSimulatedMarket)
#include "tst_simulatedmarket.moc"
