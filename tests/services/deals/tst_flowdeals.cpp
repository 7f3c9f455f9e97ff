// Capital flows and deals: the 12930, 12932, 12973, 12915 and 12917 decoders on hand-laid bytes,
// the joins' rows, the resolvers, and the five polled calls' requests and answers on a scripted
// server (their timing: tests/services/tst_callschedules).
#include <QtTest>

#include <cmath>
#include <functional>
#include <optional>

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
Q_DECLARE_METATYPE(std::vector<qint32>)

namespace {

// 12930 (62 bytes): 4 + 4 bytes, then the fourteen fields at the offsets of the layout table.
// Every value is negative and distinct, so a field read unsigned, narrowed, widened without its
// sign or shown under another name tells.
struct StockFlowField {
    const char* name;
    int offset;
    int width;
    qint32 value;
};
const StockFlowField kStockFlowFields[] = {
    {"total_sell", 8, 4, -1000000000},
    {"average_sell", 12, 4, -1000000001},
    {"total_buy", 16, 4, -1000000002},
    {"average_buy", 20, 4, -1000000003},
    {"ddx", 24, 2, -321},
    {"volume_diff", 26, 4, -1000000005},
    {"extra_large_buy_volume", 30, 4, -1000000006},
    {"extra_large_sell_volume", 34, 4, -1000000007},
    {"large_buy_volume", 38, 4, -1000000008},
    {"large_sell_volume", 42, 4, -1000000009},
    {"medium_buy_volume", 46, 4, -1000000010},
    {"medium_sell_volume", 50, 4, -1000000011},
    {"little_buy_volume", 54, 4, -1000000012},
    {"little_sell_volume", 58, 4, -1000000013},
};

// The fields in table order; total_sell, the first, may be given.
QByteArray StockFlowBody(std::optional<qint32> totalSell = std::nullopt) {
    HandLaid b;
    b.u32(0xDEADBEEF).u32(0x01020304);
    for (const StockFlowField& f : kStockFlowFields) {
        const qint32 v = f.offset == 8 ? totalSell.value_or(f.value) : f.value;
        if (f.width == 2)
            b.i16(v);
        else
            b.i32(v);
    }
    return b.bytes();
}

// 12932: 4 + 4 bytes, echoed code, 4 bytes, u16 mask, then with bit 0 the eight amounts in wire
// order (buy little, medium, large, extra-large, then sell likewise); the k-th (from 1) is
// -(k x 10^10 + k).
QByteArray BoardFlowBody(quint16 mask) {
    HandLaid b;
    b.u32(1).u32(2).str("BK0475").u32(3).u16(mask);
    for (qint64 k = 1; (mask & 1) && k <= 8; ++k)
        b.i64(-(k * 10000000000LL + k));
    return b.bytes();
}

// 12973: 4 + 4 bytes, u16 mask, then the groups: 1 (u8, 4 x i32, u16), 2 (u16 count, entries
// of str, str, u8, i32, i32, u16, i32), 4 (i32 large-in, i32, i32, u16, u16, u8, u8), 8 (4 x i32).
QByteArray AnalysisBody(quint16 mask, int count, qint32 largeIn,
                        std::optional<int> entriesLaid = std::nullopt) {
    HandLaid b;
    b.u32(9).u32(8).u16(mask);
    if (mask & 1)
        b.u8(2).i32(1).i32(1).i32(0).i32(-15).u16(7);
    if (mask & 2) {
        b.u16(quint32(count));
        for (int i = 0; i < entriesLaid.value_or(count); ++i)
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

// 12915: 4 + 4 bytes, i32 day volume, i16 N (the records' number unless given), N x (5 x u32).
QByteArray PriceDealsBody(qint32 dayVolume, const QVector<Rec>& records,
                          std::optional<qint16> count = std::nullopt) {
    HandLaid b;
    b.u32(0x11111111).u32(0x22222222).i32(dayVolume).i16(count.value_or(records.size()));
    for (const Rec& r : records)
        b.u32(r.price).u32(r.total).u32(r.buy).u32(r.sell).u32(r.other);
    return b.bytes();
}

// 12917: 4 + 4 bytes, code, i32 -93000, u8 0x87, u8 0x88, bid i32 price -1052, i32 orders -3,
// u16 K1, K1 x i32, u8 0x89, ask i32 price -1053, i32 orders -4, u16 K2, K2 x i32; the counts
// are the volumes' numbers unless given.
QByteArray WillDealsBody(const QVector<qint32>& bids, const QVector<qint32>& asks,
                         std::optional<quint16> bidCount = std::nullopt,
                         std::optional<quint16> askCount = std::nullopt) {
    HandLaid b;
    b.u32(1).u32(2).str("SH600000").i32(-93000).u8(0x87).u8(0x88);
    b.i32(-1052).i32(-3).u16(bidCount.value_or(bids.size()));
    for (qint32 v : bids)
        b.i32(v);
    b.u8(0x89).i32(-1053).i32(-4).u16(askCount.value_or(asks.size()));
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
        QCOMPARE(body.size(), 62);
        QMap<QString, qint64> expected;
        int offset = 8;  // the fields follow one another from here, as laid
        for (const StockFlowField& f : kStockFlowFields) {
            QCOMPARE(f.offset, offset);
            offset += f.width;
            expected.insert(f.name, f.value);
        }
        QCOMPARE(offset, 62);
        const auto r = DecodeStockFlowBody(body);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(RowOf(Joined<ResponsePkgEntity_12930>(&JoinStockFlow, r.record->package)),
                 expected);
    }

    void boardFlowGroup_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("group");
        QTest::newRow("mask 1, as asked") << 1 << true;
        QTest::newRow("mask 0x8001") << 0x8001 << true;
        QTest::newRow("mask 0: amounts 0") << 0 << false;
        QTest::newRow("every bit but 0: amounts 0") << 0xFFFE << false;
    }

    // The wire gives buy then sell, each from little to extra-large; the row names each amount.
    void boardFlowGroup() {
        QFETCH(int, mask);
        QFETCH(bool, group);
        const auto r = DecodeBoardFlowBody(BoardFlowBody(quint16(mask)));
        QVERIFY2(r.ok, qPrintable(r.error));
        const QStringList onTheWire = {"little_buy_amount",  "medium_buy_amount",
                                       "large_buy_amount",   "extra_large_buy_amount",
                                       "little_sell_amount", "medium_sell_amount",
                                       "large_sell_amount",  "extra_large_sell_amount"};
        QMap<QString, qint64> expected;
        for (int k = 1; k <= 8; ++k)
            expected.insert(onTheWire[k - 1], group ? -(k * 10000000000LL + k) : 0);
        QCOMPARE(RowOf(Joined<ResponsePkgEntity_12932>(&JoinBoardFlow, r.record->package)),
                 expected);
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
        QTest::newRow("mask 0x8006: bit 15 as well") << AnalysisBody(0x8006, 3, -7) << 3 << -7;
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

    void willDealsFieldsAndAnnouncedCounts_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<int>>("counts");  // bid, ask, as the entity keeps them
        QTest::addColumn<std::vector<qint32>>("bids");
        QTest::addColumn<std::vector<qint32>>("asks");
        const std::vector<qint32> edges = {-7, 2147483647, -2147483647 - 1};
        QTest::newRow("volumes of both signs")
            << WillDealsBody({-7, 2147483647, -2147483647 - 1}, {400}) << QList<int>{3, 1} << edges
            << std::vector<qint32>{400};
        QTest::newRow("bid count 0x8001 is negative: no volumes")
            << WillDealsBody({}, {400}, 0x8001) << QList<int>{-32767, 1} << std::vector<qint32>{}
            << std::vector<qint32>{400};
        QTest::newRow("ask count 0xFFFF is -1: no volumes")
            << WillDealsBody({5}, {}, std::nullopt, 0xFFFF) << QList<int>{1, -1}
            << std::vector<qint32>{5} << std::vector<qint32>{};
        QTest::newRow("counts 0") << WillDealsBody({}, {}) << QList<int>{0, 0}
                                  << std::vector<qint32>{} << std::vector<qint32>{};
    }

    // A count below 1 announces no volumes and is kept as the wire gives it, read as signed.
    void willDealsFieldsAndAnnouncedCounts() {
        QFETCH(QByteArray, body);
        QFETCH(QList<int>, counts);
        QFETCH(std::vector<qint32>, bids);
        QFETCH(std::vector<qint32>, asks);
        const auto r = DecodeWillDealsBody(body);
        QVERIFY2(r.ok, qPrintable(r.error));
        const ResponsePkgEntity_12917& e = *r.record;
        QCOMPARE((QList<qint64>{e.header_value, e.flag1, e.flag2, e.bid_price, e.bid_order_count,
                                e.ask_flag, e.ask_price, e.ask_order_count}),
                 (QList<qint64>{-93000, 0x87, 0x88, -1052, -3, 0x89, -1053, -4}));
        QCOMPARE((QList<int>{e.bid_volume_count, e.ask_volume_count}), counts);
        QCOMPARE(e.bid_volumes, bids);
        QCOMPARE(e.ask_volumes, asks);
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
        QTest::newRow("12973 count 0x8000 is not negative")
            << DecodeBoardAnalysisBody(AnalysisBody(6, 0x8000, 1, 0)).error
            << "12973: entry count 32768 over 255";
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
    }

    // Every record value is unsigned: above 2^31 it stays positive, and the largest total is
    // found by unsigned comparison; the day volume is signed.
    void priceDealsValuesAboveTwoToThe31() {
        const QList<nscell::DataRow> rows = PriceRows(PriceDealsBody(
            -1000, {{3000000000u, 0xFFFFFFFFu, 0x80000001u, 0x90000000u, 0xA0000000u},
                    {1050, 5, 1, 2, 2}}));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].Get("deal_price").DisplayText(), QString("30000000.00"));
        QCOMPARE((QList<qint64>{rows[0].Get("total_deal_volume").ToInt64(),
                                rows[0].Get("buy_deal_volume").ToInt64(),
                                rows[0].Get("sell_deal_volume").ToInt64(),
                                rows[0].Get("other_deal_volume").ToInt64()}),
                 (QList<qint64>{0xFFFFFFFFLL, 0x80000001LL, 0x90000000LL, 0xA0000000LL}));
        QCOMPARE(rows[0].Get("deal_volume_ratio").ToDouble(), 4294967295.0 / -1000.0);
        QCOMPARE(rows[0].Get("relative_deal_volume_ratio").ToDouble(), 1.0);
        QCOMPARE(rows[1].Get("relative_deal_volume_ratio").ToDouble(), 5 / 4294967295.0);
    }

    void priceDealsCountsAtOrBelowZero_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("0") << 0;
        QTest::newRow("-1 (0xFFFF)") << -1;
        QTest::newRow("-32768 (0x8000)") << -32768;
    }

    // No records are read, whatever bytes follow.
    void priceDealsCountsAtOrBelowZero() {
        QFETCH(int, count);
        const auto none = DecodePriceDealsBody(PriceDealsBody(10, kThree, qint16(count)));
        QVERIFY2(none.ok, qPrintable(none.error));
        QVERIFY(none.record->records.empty());
        QCOMPARE(none.record->max_total_volume, 0u);
        QCOMPARE(none.record->day_volume, 10);
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
            ScopeResolveResult untouched;
            QVERIFY(other == parent || !resolver->Resolve(untouched, NodeOf(other, "BK0475")));
            QVERIFY(untouched.replacement_nodes.isEmpty() && untouched.fetch_nodes.isEmpty());
        }
        ScopeResolveResult result;
        const ScopeTreeNode node = NodeOf(parent, "BK0475");
        QVERIFY(resolver->Resolve(result, node));
        QCOMPARE((QList<int>{result.replacement_nodes.size(), result.fetch_nodes.size(),
                             result.unhandled_nodes.size()}),
                 (QList<int>{1, 1, 0}));
        const ScopeTreeNode split = result.replacement_nodes[0];
        const ScopeTreeNode fetched = result.fetch_nodes[0];
        QVERIFY(split.scope_id == node.scope_id && split.split_type == ScopeSplitTypeVariant(8));
        QCOMPARE(split.children.size(), 1);
        QCOMPARE(split.children[0].scope_id, fetched.scope_id);
        QVERIFY(fetched.scope_type == ScopeTypeVariant(child));
        QVERIFY(fetched.api_type == ScopeTypeVariant(api));
        QCOMPARE(fetched.stock_list.GetStockCode(), QString("BK0475"));
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
};

QTEST_GUILESS_MAIN(TestFlowDeals)
#include "tst_flowdeals.moc"
