// Capital flows and deals: the 12930, 12932, 12973, 12915 and 12917 decoders on hand-laid bytes,
// the joins' rows, the resolvers, and the five polled calls on a scripted server.
#include <QtTest>

#include <cmath>
#include <functional>

#include "host/core/HostClock.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/ScopeResolveResult.h"
#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/capitalflow/CapitalFlowJoins.h"
#include "services/capitalflow/QzLv2CapitalFlowScopeResolver.h"
#include "services/capitalflow/QzLv2CapitalTrendScopeResolver.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12930.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12932.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12973.h"
#include "services/capitalflow/QzLv2StkanalysisScopeResolver.h"
#include "services/deals/DealsDecoders.h"
#include "services/deals/PriceDealsJoin.h"
#include "services/deals/QzLv2PriceBaseDealsScopeResolver.h"
#include "services/deals/QzLv2RemoteApiCall_12915.h"
#include "services/deals/QzLv2RemoteApiCall_12917.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using namespace capitalflow;
using namespace deals;

Q_DECLARE_METATYPE(ScopeTypeVariant)

namespace {

// 12930 (62 bytes): 4 + 4 bytes, then the fourteen fields at the offsets of the table; field i
// holds 1000 + i, except total_sell (the first), ddx (offset 24), which is -321, and volume_diff,
// -1005.
QByteArray StockFlowBody(qint32 totalSell = 1000) {
    HandLaid b;
    b.u32(0xDEADBEEF).u32(0x01020304);
    b.i32(totalSell).i32(1001).i32(1002).i32(1003).i16(-321).i32(-1005);
    for (int i = 6; i < 14; ++i)
        b.i32(1000 + i);
    return b.bytes();
}

// 12932: 4 + 4 bytes, echoed code, 4 bytes, u16 mask, then with bit 0 the amounts 1..8 on the
// wire (buy little..extra-large, sell little..extra-large), each times 10^10.
QByteArray BoardFlowBody(quint16 mask) {
    HandLaid b;
    b.u32(1).u32(2).str("BK0475").u32(3).u16(mask);
    for (qint64 v = 1; (mask & 1) && v <= 8; ++v)
        b.i64(v * 10000000000LL);
    return b.bytes();
}

// 12973: 4 + 4 bytes, u16 mask, then the groups: 1 (u8, 4 x i32, u16), 2 (u16 count, entries
// of str, str, u8, i32, i32, u16, i32), 4 (i32 large-in, i32, i32, u16, u16, u8, u8), 8 (4 x i32).
QByteArray AnalysisBody(quint16 mask, int count, qint32 largeIn, int entriesLaid = -1) {
    HandLaid b;
    b.u32(9).u32(8).u16(mask);
    if (mask & 1)
        b.u8(2).i32(1).i32(1).i32(0).i32(-15).u16(7);
    if (mask & 2) {
        b.u16(quint32(count));
        for (int i = 0; i < (entriesLaid < 0 ? count : entriesLaid); ++i)
            b.str("SH600000").str(QString::fromUtf8("浦发银行")).u8(1).i32(-2).i32(3).u16(4).i32(5);
    }
    if (mask & 4)
        b.i32(largeIn).i32(77).i32(-77).u16(1).u16(2).u8(3).u8(4);
    if (mask & 8)
        b.i32(11).i32(12).i32(13).i32(14);
    return b.bytes();
}

struct Rec {
    quint32 price, total, buy, sell, other;
};

// 12915: 4 + 4 bytes, i32 day volume, i16 N, N x (5 x u32).
QByteArray PriceDealsBody(qint32 dayVolume, const QVector<Rec>& records, int count = -1) {
    HandLaid b;
    b.u32(0x11111111).u32(0x22222222).i32(dayVolume).i16(count < 0 ? records.size() : count);
    for (const Rec& r : records)
        b.u32(r.price).u32(r.total).u32(r.buy).u32(r.sell).u32(r.other);
    return b.bytes();
}

// 12917: 4 + 4 bytes, code, i32, u8, u8, bid i32 price, i32 orders, u16 K1, K1 x i32, u8,
// ask i32 price, i32 orders, u16 K2, K2 x i32.
QByteArray WillDealsBody(const QVector<qint32>& bids, const QVector<qint32>& asks,
                         int bidCount = -1) {
    HandLaid b;
    b.u32(1).u32(2).str("SH600000").i32(93000).u8(7).u8(8);
    b.i32(1052).i32(bids.size()).u16(quint32(bidCount < 0 ? bids.size() : bidCount));
    for (qint32 v : bids)
        b.i32(v);
    b.u8(9).i32(1053).i32(asks.size()).u16(quint32(asks.size()));
    for (qint32 v : asks)
        b.i32(v);
    return b.bytes();
}

const QVector<Rec> kThree = {
    {1050, 500, 300, 150, 50}, {1051, 2000, 1000, 900, 100}, {1049, 1200, 0, 1200, 0}};

ScopeTreeNode NodeOf(const ScopeTypeVariant& type, const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(type);
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

template <typename Entity, typename Arg>
QList<nscell::DataRow> Joined(JoinMethodResult (*join)(ScopeTreeNode&, const ScopeTreeNode&),
                              const Arg& arg) {
    ScopeTreeNode target = ScopeTreeNode::NewRoot(ScopeTypeVariant(17));
    ScopeTreeNode source = ScopeTreeNode::NewRoot(ScopeTypeVariant("child"));
    source.quote_data = QSharedPointer<Entity>::create(arg);
    if (!join(target, source))
        return {};
    return dynamic_cast<const DealsQuoteData&>(*target.quote_data).rows;
}

QMap<QString, qint64> RowOf(const QList<nscell::DataRow>& rows) {
    QMap<QString, qint64> cells;
    for (const QString& name : rows.size() == 1 ? rows[0].Names() : QStringList())
        cells.insert(name, rows[0].Get(name).ToInt64());
    return cells;
}

QList<nscell::DataRow> PriceRows(const QByteArray& body) {
    return Joined<ResponsePkgEntity_12915>(&JoinPriceDeals, *DecodePriceDealsBody(body).record);
}

struct AnyCall {
    std::unique_ptr<RemoteApiCall> call;
    std::function<void()> poll;
    std::function<bool(const QString&)> isAttached;
};

template <typename C>
AnyCall Hold(Harness& h) {
    std::unique_ptr<C> call = h.Make<C>();
    C* c = call.get();
    return {std::move(call), [c] { c->PollTick(); },
            [c](const QString& code) { return c->IsAttached(code); }};
}

AnyCall Make(Harness& h, int function) {
    const QMap<int, AnyCall (*)(Harness&)> makers{{12915, &Hold<QzLv2RemoteApiCall_12915>},
                                                  {12917, &Hold<QzLv2RemoteApiCall_12917>},
                                                  {12930, &Hold<QzLv2RemoteApiCall_12930>},
                                                  {12932, &Hold<QzLv2RemoteApiCall_12932>},
                                                  {12973, &Hold<QzLv2RemoteApiCall_12973>}};
    return makers.value(function)(h);
}

void Functions(std::initializer_list<int> functions) {
    QTest::addColumn<int>("function");
    for (int function : functions)
        QTest::newRow(qPrintable(QString::number(function))) << function;
}

qint32 TotalSell(const QuoteTaskExecMidResult& result) {
    const auto* e = dynamic_cast<const ResponsePkgEntity_12930*>(result.data.data());
    return e ? e->package.total_sell : -1;
}

}  // namespace

class TestFlowDeals : public CallTest {
    Q_OBJECT

private slots:
    void stockFlowFieldsAtTheirOffsetsBecomeOneRow() {
        const QByteArray body = StockFlowBody();
        QCOMPARE(body.size(), kBody12930Bytes);
        const auto r = DecodeStockFlowBody(body);
        QVERIFY2(r.ok, qPrintable(r.error));
        const ResponsePkg_12930& p = r.record->package;
        const QMap<QString, qint64> row = RowOf(Joined<ResponsePkgEntity_12930>(&JoinStockFlow, p));
        QCOMPARE(row.keys(),
                 (QStringList{"average_buy", "average_sell", "ddx", "extra_large_buy_volume",
                              "extra_large_sell_volume", "large_buy_volume", "large_sell_volume",
                              "little_buy_volume", "little_sell_volume", "medium_buy_volume",
                              "medium_sell_volume", "total_buy", "total_sell", "volume_diff"}));
        QCOMPARE(row["total_sell"], qint64(1000));
        QCOMPARE(row["ddx"], qint64(-321));
        QCOMPARE(row["volume_diff"], qint64(-1005));
        QCOMPARE(row["extra_large_buy_volume"], qint64(1006));
        QCOMPARE(row["little_sell_volume"], qint64(1013));
    }

    void boardFlowRowAndAbsentGroup() {
        const auto r = DecodeBoardFlowBody(BoardFlowBody(1));
        QVERIFY2(r.ok, qPrintable(r.error));
        const ResponsePkg_12932& p = r.record->package;
        const qint64 unit = 10000000000LL;
        const QMap<QString, qint64> row = RowOf(Joined<ResponsePkgEntity_12932>(&JoinBoardFlow, p));
        QCOMPARE(row.size(), 8);
        QCOMPARE(row["extra_large_buy_amount"], 4 * unit);
        QCOMPARE(row["little_sell_amount"], 5 * unit);
        const auto none = DecodeBoardFlowBody(BoardFlowBody(0));  // without the group: 0
        QVERIFY(none.ok);
        QCOMPARE(none.record->package.extra_large_buy_amount, qint64(0));
        QCOMPARE(none.record->package.little_sell_amount, qint64(0));
    }

    void boardAnalysis_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("largeIn");
        QTest::newRow("mask 6, no entries") << AnalysisBody(6, 0, -4321) << 0 << -4321;
        QTest::newRow("mask 15, two entries") << AnalysisBody(15, 2, 98765) << 2 << 98765;
        QTest::newRow("255 entries, then group 4") << AnalysisBody(6, 255, 31337) << 255 << 31337;
        QTest::newRow("mask 2 only: inflow 0") << AnalysisBody(2, 1, 555) << 1 << 0;
        QTest::newRow("mask 4 only") << AnalysisBody(4, 0, 12) << 0 << 12;
        QTest::newRow("mask 0") << AnalysisBody(0, 0, 12) << 0 << 0;
    }

    void boardAnalysis() {
        QFETCH(QByteArray, body);
        QFETCH(int, count);
        QFETCH(int, largeIn);
        const auto r = DecodeBoardAnalysisBody(body);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(int(r.record->package.entry_count), count);
        QCOMPARE(r.record->package.CurrentDayLargeInCapital, largeIn);
        QCOMPARE(RowOf(Joined<ResponsePkgEntity_12973>(&JoinBoardAnalysis, r.record->package)),
                 (QMap<QString, qint64>{{"CurrentDayLargeInCapital", largeIn}}));
    }

    void willDealsNegativeBidCount() {
        const auto negative = DecodeWillDealsBody(WillDealsBody({}, {400}, 0x8001));
        QVERIFY(negative.ok && negative.record->bid_volumes.empty());
        QCOMPARE(negative.record->ask_volumes, std::vector<qint32>{400});
    }

    void badBodiesAreRejectedWhole_data() {
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("error");
        QTest::newRow("12932 code longer than the body")
            << DecodeBoardFlowBody(HandLaid().u32(1).u32(2).u16(40).u32(0).bytes()).error
            << "12932: read of 40 bytes at offset 10";
        QTest::newRow("12973 count 256 drops the answer")
            << DecodeBoardAnalysisBody(AnalysisBody(6, 256, 1, 0)).error
            << "12973: entry count 256 over 255";
        QTest::newRow("12973 count that lies")
            << DecodeBoardAnalysisBody(AnalysisBody(2, 200, 1, 1)).error << "12973: read of";
        QTest::newRow("12915 count that lies")
            << DecodePriceDealsBody(PriceDealsBody(3700, kThree, 4)).error
            << "12915: read of 80 bytes at offset 14";
        QTest::newRow("12917 bid count that lies")
            << DecodeWillDealsBody(WillDealsBody({100}, {}, 300)).error
            << "12917: read of 1200 bytes at offset 34";
    }

    void badBodiesAreRejectedWhole() {
        QFETCH(QString, why);
        QFETCH(QString, error);
        QVERIFY2(why.startsWith(error), qPrintable(why));
    }

    void joinWithoutDataLeavesTheParent() {
        ScopeTreeNode target = NodeOf(ScopeTypeVariant(17), "SH600000");
        const QSharedPointer<QuoteData> earlier = QSharedPointer<DealsQuoteData>::create();
        target.quote_data = earlier;
        ScopeTreeNode source = NodeOf(ScopeTypeVariant("Lv2_capital_flow"), "SH600000");
        QVERIFY(!JoinStockFlow(target, source));
        source.quote_data =
            QSharedPointer<ResponsePkgEntity_12932>::create();  // another function's
        QVERIFY(!JoinStockFlow(target, source));
        QCOMPARE(target.quote_data, earlier);
    }

    // Totals 500, 2000 and 1200 of a day of 3700: maximum 2000, relative ratios 0.25, 1.0, 0.6.
    void priceDealsRows() {
        const QList<nscell::DataRow> rows = PriceRows(PriceDealsBody(3700, kThree));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].Names(),
                 (QStringList{"buy_deal_volume", "deal_price", "deal_volume_ratio",
                              "other_deal_volume", "prev_price_base", "relative_deal_volume_ratio",
                              "sell_deal_volume", "total_deal_volume", "volume_unit"}));
        QCOMPARE(rows[0].Get("deal_price").DisplayText(), QString("10.50"));
        QCOMPARE(rows[2].Get("deal_price").DisplayText(), QString("10.49"));
        QCOMPARE(rows[0].Get("prev_price_base").DisplayText(), QString("0.00"));
        QCOMPARE(rows[1].Get("buy_deal_volume").ToInt64(), qint64(1000));
        QCOMPARE(rows[1].Get("sell_deal_volume").ToInt64(), qint64(900));
        QCOMPARE(rows[1].Get("other_deal_volume").ToInt64(), qint64(100));
        QCOMPARE(rows[1].Get("total_deal_volume").ToInt64(), qint64(2000));
        QCOMPARE(rows[0].Get("volume_unit"),
                 nscell::UnsharedDataCell::FromMagnitudeUnit(100, "手"));
        const double relative[] = {0.25, 1.0, 0.6};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(rows[i].Get("relative_deal_volume_ratio").ToDouble(), relative[i]);
            QCOMPARE(rows[i].Get("deal_volume_ratio").ToDouble(), kThree[i].total / 3700.0);
        }
        // Totals above 2^31 are unsigned; a count of 0 or below has no records.
        const auto big = DecodePriceDealsBody(PriceDealsBody(-1, {{1, 3000000000u, 0, 0, 0}}));
        QCOMPARE(big.record->max_total_volume, 3000000000u);
        for (int n : {0, -5}) {
            const auto none = DecodePriceDealsBody(PriceDealsBody(10, {}, n));
            QVERIFY(none.ok && none.record->records.empty());
            QCOMPARE(none.record->max_total_volume, 0u);
        }
    }

    void zeroVolumesGiveDivisionRatios() {
        const QList<nscell::DataRow> rows =
            PriceRows(PriceDealsBody(0, {{1000, 0, 0, 0, 0}, {1001, 5, 5, 0, 0}}));
        QCOMPARE(rows.size(), 2);
        QVERIFY(std::isnan(rows[0].Get("deal_volume_ratio").ToDouble()));  // 0 / 0
        QVERIFY(std::isinf(rows[1].Get("deal_volume_ratio").ToDouble()));  // 5 / 0
        QCOMPARE(rows[1].Get("relative_deal_volume_ratio").ToDouble(), 1.0);
    }

    void resolvers_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<ScopeTypeVariant>("parent");
        QTest::addColumn<QString>("child");
        QTest::addColumn<QString>("api");
        const auto row = [](const char* name, int which, const ScopeTypeVariant& parent,
                            const char* child, const char* api) {
            QTest::newRow(name) << which << parent << QString(child) << QString(api);
        };
        row("stock flow", 0, ScopeTypeVariant(17), "Lv2_capital_flow", "12930");
        row("board flow", 1, ScopeTypeVariant("board_capitalflow_12932"), "board_capitalflow",
            "12932");
        row("board analysis", 2, ScopeTypeVariant("board_stkanalysis_12973"), "board_stkanalysis",
            "12973");
        row("price deals", 3, ScopeTypeVariant(10), "price_deals", "12915");
    }

    void resolvers() {
        QFETCH(int, which);
        QFETCH(ScopeTypeVariant, parent);
        QFETCH(QString, child);
        QFETCH(QString, api);
        QzLv2CapitalFlowScopeResolver stockFlow(nullptr);
        QzLv2CapitalTrendScopeResolver boardFlow(nullptr);
        QzLv2StkanalysisScopeResolver boardAnalysis(nullptr);
        QzLv2PriceBaseDealsScopeResolver priceDeals(nullptr);
        ScopeResolver* const resolver =
            QList<ScopeResolver*>{&stockFlow, &boardFlow, &boardAnalysis, &priceDeals}[which];
        resolver->Init();
        const QList<JoinMethodValue> joins = resolver->GetJoinMethodList();
        QCOMPARE(joins.size(), 1);
        QVERIFY(joins[0].Key() ==
                JoinMethodKey(parent, ScopeSplitTypeVariant(8), ScopeTypeVariant(child)));
        for (const ScopeTypeVariant& other :
             {ScopeTypeVariant(10), ScopeTypeVariant(2), ScopeTypeVariant("board_capitalflow"),
              ScopeTypeVariant("10")}) {
            if (other == parent)
                continue;
            ScopeResolveResult untouched;
            QVERIFY(!resolver->Resolve(untouched, NodeOf(other, "BK0475")));
            QVERIFY(untouched.replacement_nodes.isEmpty() && untouched.fetch_nodes.isEmpty());
        }
        ScopeResolveResult result;
        const ScopeTreeNode node = NodeOf(parent, "BK0475");
        QVERIFY(resolver->Resolve(result, node));
        QCOMPARE(result.replacement_nodes.size(), 1);
        QCOMPARE(result.fetch_nodes.size(), 1);
        QVERIFY(result.unhandled_nodes.isEmpty());
        const ScopeTreeNode split = result.replacement_nodes[0];
        const ScopeTreeNode fetched = result.fetch_nodes[0];
        QCOMPARE(split.scope_id, node.scope_id);
        QVERIFY(split.split_type == ScopeSplitTypeVariant(8));
        QCOMPARE(split.children.size(), 1);
        QCOMPARE(split.children[0].scope_id, fetched.scope_id);
        QVERIFY(fetched.scope_type == ScopeTypeVariant(child));
        QVERIFY(fetched.api_type == ScopeTypeVariant(api));
        QCOMPARE(fetched.stock_list.GetStockCode(), QString("BK0475"));
    }

    void requests_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("params");
        QTest::newRow("12915") << 12915 << "SH600000" << QStringList{"String=SH600000"};
        QTest::newRow("12917") << 12917 << "SH600000" << QStringList{"String=SH600000", "Int32=0"};
        QTest::newRow("12930") << 12930 << "SZ300750" << QStringList{"String=SZ300750"};
        QTest::newRow("12932") << 12932 << "BK0475" << QStringList{"String=BK0475", "Int16=1"};
        QTest::newRow("12973") << 12973 << "BK0475" << QStringList{"Int16=15", "String=BK0475"};
    }

    void requests() {
        QFETCH(int, function);
        QFETCH(QString, code);
        QFETCH(QStringList, params);
        const AnyCall c = Make(h_, function);
        const QString id = QString::number(function);
        QCOMPARE(c.call->GetSupportedTypeSet(), std::set<ScopeTypeVariant>{ScopeTypeVariant(id)});
        c.call->AttachNode(NodeFor(code, id));
        const ServerRequest request = h_.RequestsOf(function).value(0);
        QCOMPARE(int(request.flags), 0);
        QCOMPARE(Flatten(request.params), params);
        QCOMPARE(ContextKeys(request),
                 (QStringList{"seccode=" + code, "timestamp=" + QString::number(kStartMs)}));
        QCOMPARE(request.context->keyGroup.Value("timestamp").ToDataCell(),
                 nscell::UnsharedDataCell::FromInteger(kStartMs));
    }

    void dealsLingerAndHoldBackRepeats_data() { Functions({12915, 12917}); }

    void dealsLingerAndHoldBackRepeats() {
        QFETCH(int, function);
        const AnyCall c = Make(h_, function);
        const ScopeTreeNode node = NodeFor("SH600000", QString::number(function));
        Run(c, function, {node},
            {{0, '+', 0, 1, true},
             {3500, '-', 0, 1, true},
             {4000, '+', 0, 1, true},
             {4000, 'p', 0, 2, true},
             {7000, 'p', 0, 2, true},
             {7001, 'p', 0, 3, true},
             {9000, '-', 0, 3, true},
             {10002, 'p', 0, 4, true},
             {11000, 'p', 0, 4, false},
             {11001, '+', 0, 4, true},
             {13003, 'p', 0, 5, true}});
        QCOMPARE(h_.RequestsOf(function)[2].context->keyGroup.Value("timestamp").ToInt64(),
                 kStartMs + 7001);
    }

    void flowsPollWhileAttached_data() { Functions({12930, 12932, 12973}); }

    // A poll asks every attached topic in code order; a topic asks nothing more for a second node.
    void flowsPollWhileAttached() {
        QFETCH(int, function);
        const AnyCall c = Make(h_, function);
        const QString id = QString::number(function);
        Run(c, function, {NodeFor("BK0475", id), NodeFor("BK0475", id), NodeFor("BK0473", id)},
            {{0, '+', 0, 1, true},
             {0, '+', 1, 1, true},
             {0, '+', 2, 2, true},
             {0, 'p', 0, 4, true},
             {0, '-', 0, 4, true},
             {0, 'p', 0, 6, true},
             {0, '-', 1, 6, false},
             {0, 'p', 0, 7, false},
             {0, '+', 1, 8, true}});
        QStringList codes;
        for (const ServerRequest& request : h_.RequestsOf(function))
            codes << request.context->keyGroup.Value("seccode").ToString().right(2);
        QCOMPARE(codes, (QStringList{"75", "73", "73", "75", "73", "75", "73", "75"}));
    }

    void answersAreCachedPublishedAndReplayedBadOnesDropped() {
        const auto call = h_.Make<QzLv2RemoteApiCall_12930>();
        const ScopeTreeNode node = NodeFor("SH600000", "12930");
        call->AttachNode(node);
        call->AttachNode(NodeFor("SZ000001", "12930"));
        QVERIFY(h_.backend->Answer(h_.WaitForRequestOf(12930, 1), StockFlowBody(4242)));
        const QuoteTaskExecMidResult delivered = h_.Next();
        QCOMPARE(delivered.scope_id, node.scope_id);
        QCOMPARE(TotalSell(delivered), 4242);
        ExpectWarning("lv2-12930", "12930: read of 4 bytes at offset 58 exceeds body length 61$");
        QVERIFY(!call->HandleBody("SH600000", StockFlowBody(2).left(61)));
        QCOMPARE(h_.Queued(), 0);
        const ScopeTreeNode late = NodeFor("SH600000", "12930");
        call->AttachNode(late);
        QCOMPARE(h_.Queued(), 1);
        const QuoteTaskExecMidResult replayed = h_.Next();
        QCOMPARE(replayed.scope_id, late.scope_id);
        QCOMPARE(TotalSell(replayed), 4242);
        QVERIFY(call->HandleBody("SZ000001", StockFlowBody(3)));  // another topic is still served
        QCOMPARE(TotalSell(h_.Next()), 3);
    }

private:
    struct Step {
        qint64 at;  // ms after the start
        char act;   // '+' attach, '-' detach, 'p' poll
        int node;
        int sent;       // requests of the function so far
        bool attached;  // whether the node's code is still attached
    };
    void Run(const AnyCall& c, int function, const QList<ScopeTreeNode>& nodes,
             const QList<Step>& steps) {
        for (int i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            At(s.at);
            if (s.act == 'p')
                c.poll();
            else if (s.act == '+')
                c.call->AttachNode(nodes[s.node]);
            else
                c.call->DetachNode(nodes[s.node]);
            QCOMPARE(qMakePair(i, Sent(function)), qMakePair(i, s.sent));
            const QString code = nodes[s.node].stock_list.GetStockCode();
            QCOMPARE(qMakePair(i, c.isAttached(code)), qMakePair(i, s.attached));
        }
    }
    int Sent(int function) const { return h_.RequestsOf(function).size(); }
    void At(qint64 ms) { HostClock::SetForTest(kStartMs + ms); }
};

QTEST_GUILESS_MAIN(TestFlowDeals)
#include "tst_flowdeals.moc"
