// The capital-flow bodies and what the resolvers make of them: the 12930, 12932 and 12973
// decoders on bytes laid out by hand from their tables (bad bodies rejected whole, the 12973
// count rule), the one-row tables the joins build, and the three resolvers' children and keys.
#include <QtTest>

#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/ScopeResolveResult.h"
#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/capitalflow/CapitalFlowJoins.h"
#include "services/capitalflow/QzLv2CapitalFlowScopeResolver.h"
#include "services/capitalflow/QzLv2CapitalTrendScopeResolver.h"
#include "services/capitalflow/QzLv2StkanalysisScopeResolver.h"
#include "tests/services/HandLaid.h"

using namespace capitalflow;

Q_DECLARE_METATYPE(ScopeTypeVariant)

namespace {

// 12930: 4 + 4 bytes, then the fourteen fields at the offsets of the table; field i holds
// 1000 + i, except ddx (offset 24), which is -321.
QByteArray StockFlowBody() {
    HandLaid b;
    b.u32(0xDEADBEEF).u32(0x01020304);
    b.i32(1000).i32(1001).i32(1002).i32(1003).i16(-321).i32(-1005);
    for (int i = 6; i < 14; ++i)
        b.i32(1000 + i);
    return b.bytes();
}

// 12932: 4 + 4 bytes, echoed code, 4 bytes, u16 mask, then with bit 0 the amounts 1..8 on the
// wire (buy little..extra-large, sell little..extra-large), each times 10^10.
QByteArray BoardFlowBody(quint16 mask) {
    HandLaid b;
    b.u32(1).u32(2).str("BK0475").u32(3).u16(mask);
    if (mask & 1) {
        for (qint64 v = 1; v <= 8; ++v)
            b.i64(v * 10000000000LL);
    }
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

QByteArray Cut(const QByteArray& body, int bytes) {
    return body.left(body.size() - bytes);
}

ScopeTreeNode NodeOf(const ScopeTypeVariant& type, const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot(type);
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

// The one row a join left on the target, column -> integer.
QMap<QString, qint64> RowOf(const ScopeTreeNode& target) {
    QMap<QString, qint64> cells;
    const auto* table = dynamic_cast<const DealsQuoteData*>(target.quote_data.data());
    if (table == nullptr || table->rows.size() != 1)
        return cells;
    for (const QString& name : table->rows[0].Names())
        cells.insert(name, table->rows[0].Get(name).ToInt64());
    return cells;
}

}  // namespace

class TestCapitalFlowData : public QObject {
    Q_OBJECT

private slots:
    void stockFlowFieldsAtTheirOffsets();
    void boardFlowWireOrderBecomesPackageOrder();
    void boardAnalysis_data();
    void boardAnalysis();
    void badBodiesAreRejectedWhole_data();
    void badBodiesAreRejectedWhole();
    void joinsBuildOneRowSignExtended();
    void joinWithoutDataLeavesTheParent();
    void resolvers_data();
    void resolvers();
};

void TestCapitalFlowData::stockFlowFieldsAtTheirOffsets() {
    const QByteArray body = StockFlowBody();
    QCOMPARE(body.size(), kBody12930Bytes);
    const auto r = DecodeStockFlowBody(body);
    QVERIFY2(r.ok, qPrintable(r.error));
    const ResponsePkg_12930& p = r.record->package;
    QCOMPARE(p.total_sell, 1000);
    QCOMPARE(p.average_buy, 1003);
    QCOMPARE(p.ddx, qint16(-321));
    QCOMPARE(p.volume_diff, -1005);
    QCOMPARE(p.extra_large_buy_volume, 1006);
    QCOMPARE(p.extra_large_sell_volume, 1007);
    QCOMPARE(p.medium_buy_volume, 1010);
    QCOMPARE(p.little_sell_volume, 1013);
}

void TestCapitalFlowData::boardFlowWireOrderBecomesPackageOrder() {
    const auto r = DecodeBoardFlowBody(BoardFlowBody(1));
    QVERIFY2(r.ok, qPrintable(r.error));
    const ResponsePkg_12932& p = r.record->package;
    const qint64 unit = 10000000000LL;
    QCOMPARE(p.little_buy_amount, 1 * unit);
    QCOMPARE(p.medium_buy_amount, 2 * unit);
    QCOMPARE(p.large_buy_amount, 3 * unit);
    QCOMPARE(p.extra_large_buy_amount, 4 * unit);
    QCOMPARE(p.little_sell_amount, 5 * unit);
    QCOMPARE(p.medium_sell_amount, 6 * unit);
    QCOMPARE(p.large_sell_amount, 7 * unit);
    QCOMPARE(p.extra_large_sell_amount, 8 * unit);
    // Without the group the amounts are 0.
    const auto none = DecodeBoardFlowBody(BoardFlowBody(0));
    QVERIFY(none.ok);
    QCOMPARE(none.record->package.extra_large_buy_amount, qint64(0));
    QCOMPARE(none.record->package.little_sell_amount, qint64(0));
}

void TestCapitalFlowData::boardAnalysis_data() {
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

void TestCapitalFlowData::boardAnalysis() {
    QFETCH(QByteArray, body);
    QFETCH(int, count);
    QFETCH(int, largeIn);
    const auto r = DecodeBoardAnalysisBody(body);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(int(r.record->package.entry_count), count);
    QCOMPARE(r.record->package.CurrentDayLargeInCapital, largeIn);
}

void TestCapitalFlowData::badBodiesAreRejectedWhole_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    QTest::newRow("12930 one byte short")
        << 12930 << Cut(StockFlowBody(), 1)
        << "12930: read of 4 bytes at offset 58 exceeds body length 61";
    QTest::newRow("12930 empty") << 12930 << QByteArray() << "12930: read of 4 bytes at offset 0";
    QTest::newRow("12932 amounts cut")
        << 12932 << Cut(BoardFlowBody(1), 3) << "12932: read of 8 bytes at offset";
    QTest::newRow("12932 code longer than the body")
        << 12932 << HandLaid().u32(1).u32(2).u16(40).u32(0).bytes()
        << "12932: read of 40 bytes at offset 10";
    QTest::newRow("12973 count 256 drops the answer")
        << 12973 << AnalysisBody(6, 256, 1, 0) << "12973: entry count 256 over 255";
    QTest::newRow("12973 count that lies")
        << 12973 << AnalysisBody(2, 200, 1, 1) << "12973: read of";
    QTest::newRow("12973 group 8 cut")
        << 12973 << Cut(AnalysisBody(15, 1, 1), 1) << "12973: read of 16 bytes at offset 88 exceeds body length 103";
}

void TestCapitalFlowData::badBodiesAreRejectedWhole() {
    QFETCH(int, function);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    QString why;
    if (function == 12930)
        why = DecodeStockFlowBody(body).error;
    else if (function == 12932)
        why = DecodeBoardFlowBody(body).error;
    else
        why = DecodeBoardAnalysisBody(body).error;
    QVERIFY2(why.startsWith(error), qPrintable(why));
}

void TestCapitalFlowData::joinsBuildOneRowSignExtended() {
    ScopeTreeNode target = NodeOf(ScopeTypeVariant(17), "SH600000");
    ScopeTreeNode source = NodeOf(ScopeTypeVariant("Lv2_capital_flow"), "SH600000");
    source.quote_data = QSharedPointer<ResponsePkgEntity_12930>::create(
        DecodeStockFlowBody(StockFlowBody()).record->package);
    QVERIFY(JoinStockFlow(target, source));
    const QMap<QString, qint64> row = RowOf(target);
    QCOMPARE(row.keys(),
             (QStringList{"average_buy", "average_sell", "ddx", "extra_large_buy_volume",
                          "extra_large_sell_volume", "large_buy_volume", "large_sell_volume",
                          "little_buy_volume", "little_sell_volume", "medium_buy_volume",
                          "medium_sell_volume", "total_buy", "total_sell", "volume_diff"}));
    QCOMPARE(row["ddx"], qint64(-321));
    QCOMPARE(row["volume_diff"], qint64(-1005));
    QCOMPARE(row["little_buy_volume"], qint64(1012));

    source.quote_data = QSharedPointer<ResponsePkgEntity_12932>::create(
        DecodeBoardFlowBody(BoardFlowBody(1)).record->package);
    QVERIFY(JoinBoardFlow(target, source));
    QCOMPARE(RowOf(target).size(), 8);
    QCOMPARE(RowOf(target)["extra_large_buy_amount"], 40000000000LL);
    QCOMPARE(RowOf(target)["little_sell_amount"], 50000000000LL);

    source.quote_data = QSharedPointer<ResponsePkgEntity_12973>::create(
        DecodeBoardAnalysisBody(AnalysisBody(6, 0, -7)).record->package);
    QVERIFY(JoinBoardAnalysis(target, source));
    QCOMPARE(RowOf(target), (QMap<QString, qint64>{{"CurrentDayLargeInCapital", -7}}));
}

void TestCapitalFlowData::joinWithoutDataLeavesTheParent() {
    ScopeTreeNode target = NodeOf(ScopeTypeVariant(17), "SH600000");
    const QSharedPointer<QuoteData> earlier = QSharedPointer<DealsQuoteData>::create();
    target.quote_data = earlier;
    ScopeTreeNode source = NodeOf(ScopeTypeVariant("Lv2_capital_flow"), "SH600000");
    QVERIFY(!JoinStockFlow(target, source));
    source.quote_data = QSharedPointer<ResponsePkgEntity_12932>::create();  // another function's
    QVERIFY(!JoinStockFlow(target, source));
    QCOMPARE(target.quote_data, earlier);
}

void TestCapitalFlowData::resolvers_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<ScopeTypeVariant>("parent");
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("api");
    QTest::newRow("stock flow") << 0 << ScopeTypeVariant(17) << "Lv2_capital_flow"
                                << "12930";
    QTest::newRow("board flow") << 1 << ScopeTypeVariant("board_capitalflow_12932")
                                << "board_capitalflow"
                                << "12932";
    QTest::newRow("board analysis")
        << 2 << ScopeTypeVariant("board_stkanalysis_12973") << "board_stkanalysis"
        << "12973";
}

void TestCapitalFlowData::resolvers() {
    QFETCH(int, which);
    QFETCH(ScopeTypeVariant, parent);
    QFETCH(QString, child);
    QFETCH(QString, api);
    std::unique_ptr<ScopeResolver> resolver;
    if (which == 0)
        resolver = std::make_unique<QzLv2CapitalFlowScopeResolver>(nullptr);
    else if (which == 1)
        resolver = std::make_unique<QzLv2CapitalTrendScopeResolver>(nullptr);
    else
        resolver = std::make_unique<QzLv2StkanalysisScopeResolver>(nullptr);
    resolver->Init();
    QCOMPARE(resolver->GetSupportedTypeSet(), std::set<ScopeTypeVariant>{parent});
    const QList<JoinMethodValue> joins = resolver->GetJoinMethodList();
    QCOMPARE(joins.size(), 1);
    QVERIFY(joins[0].Key() ==
            JoinMethodKey(parent, ScopeSplitTypeVariant(8), ScopeTypeVariant(child)));

    // Any other scope type: false, result untouched.
    for (const ScopeTypeVariant& other :
         {ScopeTypeVariant(10), ScopeTypeVariant(2), ScopeTypeVariant("board_capitalflow")}) {
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

QTEST_GUILESS_MAIN(TestCapitalFlowData)
#include "tst_capitalflowdata.moc"
