#include <QtTest>

#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/ScopeResolveResult.h"
#include "services/stockboard/QzLv2StockBoardScopeResolver.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "tests/services/HandLaid.h"

namespace {

ScopeTreeNode BoardNode(const QString& code, const QStringList& keys) {
    ScopeTreeNode node(2);
    node.stock_list = StockListExpression::FromStockCode(code);
    node.key_list = KeyListExpression::FromKeyList(keys);
    node.shared_block = {{11, 22}};
    return node;
}

// A snapshot-kind answer carrying the mask-2 fields the board keys read, plus board numbers.
QSharedPointer<QuoteData> SnapshotData(const QString& code) {
    const quint32 mask2 = 0x40 | 0x800 | 0x1000 | 0x2000 | 0x4000 | 0x20000 | 0x40000 | 0x80000 |
                          0x100000 | 0x20000000;
    HandLaid b;
    b.header14().u16(1).u32(0x1 | 0x20).u32(mask2).u32(0).str(code).u16(1);
    b.i32(12345).i16(-321).i32(54321);      // 0x40, 0x800, 0x1000: float and turnover ratios
    b.i32(-12345).u8(9).u8(3);              // 0x2000 money flow; 0x4000 listing board, transfer
    b.i32(214748).i32(-7).i32(2147483647);  // money flows 5/10/20d (x 10000 needs 64 bits)
    b.i16(4321).u8(1).u8(26).u8(0);         // 0x100000 big order ratio; 0x20000000 category 26
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
    return r.ok ? QSharedPointer<QuoteData>(new ResponsePkgEntity_10002(*r.record))
                : QSharedPointer<QuoteData>();
}

QSharedPointer<QuoteData> StockRelatedData(const QString& code, int category) {
    HandLaid b;
    b.u32(0).u32(0).u16(105).u32(0x40000400).u32(0x20).u32(0).u16(0).i16(1);
    b.str(code).str("").u8(0).u8(0).zeros(24).u16(0);
    b.i32(1).i32(2).i32(12345).i32(-20001);
    b.i32(-150).i32(3210).i32(0);
    b.u8(0).u8(quint8(category)).u8(0);
    const auto r = DecodeStockRelatedBody(b.bytes());
    return r.ok ? QSharedPointer<QuoteData>(new ResponsePkgEntity_12755(*r.record))
                : QSharedPointer<QuoteData>();
}

double Single(qint32 v) {
    return double(float(v) / 10000.0f);
}

}  // namespace

class TestStockBoardResolver : public QObject {
    Q_OBJECT
private slots:
    void init();

    void resolveSplitsByCall_data();
    void resolveSplitsByCall();
    void joinMethodKeysAndScopeType();
    void snapshotTranscodersJoinOntoEarlierSources();
    void stockRelatedTranscoders_data();
    void stockRelatedTranscoders();

private:
    JoinMethodResult Join(const QString& childType, ScopeTreeNode& parent,
                          QSharedPointer<QuoteData> data);

    QuoteDataSourceHandlerConfiguration configuration_;
    std::unique_ptr<QzLv2StockBoardScopeResolver> resolver_;
};

void TestStockBoardResolver::init() {
    configuration_.lv2_feature = PatternFeatureStatement(1, "LV2", "(SH|SZ)\\d{6}");
    configuration_.SetExcludedCodeSet({"SH600666"});
    resolver_ = std::make_unique<QzLv2StockBoardScopeResolver>(&configuration_);
    resolver_->Init();
}

JoinMethodResult TestStockBoardResolver::Join(const QString& childType, ScopeTreeNode& parent,
                                              QSharedPointer<QuoteData> data) {
    ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);
    child.scope_type = childType;
    child.quote_data = data;
    for (const JoinMethodValue& method : resolver_->GetJoinMethodList()) {
        if (method.Key() == JoinMethodKey(2, ScopeSplitTypeVariant(8), childType)) {
            return method.Run(parent, child);
        }
    }
    return JoinMethodResult(false);
}

void TestStockBoardResolver::resolveSplitsByCall_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("children");  // "scope type:key,key"; none: refused
    QTest::addColumn<QStringList>("leftover");
    const QStringList none;
    QTest::newRow("two calls and leftovers")
        << "SZ000001"
        << QStringList{"money_flow_today", "float_ratio_day_20", "name", "big_order_ratio", "price"}
        << QStringList{"qz_Lv2_quoter_10002:money_flow_today,big_order_ratio",
                       "qz_Lv2_quoter_12755_stock_related:float_ratio_day_20"}
        << QStringList{"name", "price"};
    QTest::newRow("call-name order, not key order")
        << "SZ000001" << QStringList{"gem_deal_volume_after_close", "float_ratio_day_0"}
        << QStringList{"qz_Lv2_quoter_10002:float_ratio_day_0",
                       "qz_Lv2_quoter_12755_stock_related:gem_deal_volume_after_close"}
        << none;
    QTest::newRow("one call") << "SZ000001" << QStringList{"money_flow_5d", "money_flow_20d"}
                              << QStringList{"qz_Lv2_quoter_10002:money_flow_5d,money_flow_20d"}
                              << none;
    QTest::newRow("no known key") << "SZ000001" << QStringList{"name", "price"} << none << none;
    QTest::newRow("excluded code") << "SH600666" << QStringList{"money_flow_5d"} << none << none;
    QTest::newRow("no Level-2 data") << "HK00700" << QStringList{"money_flow_5d"} << none << none;
}

void TestStockBoardResolver::resolveSplitsByCall() {
    QFETCH(QString, code);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, children);
    QFETCH(QStringList, leftover);
    const ScopeTreeNode node = BoardNode(code, keys);
    ScopeResolveResult result;
    QCOMPARE(resolver_->Resolve(result, node), !children.isEmpty());
    QCOMPARE(result.IsEmpty(), children.isEmpty());
    if (children.isEmpty()) {
        return;
    }
    QCOMPARE(result.replacement_nodes.size(), 1);
    QCOMPARE(result.replacement_nodes.at(0).scope_id, node.scope_id);
    QCOMPARE(result.replacement_nodes.at(0).split_type, ScopeSplitTypeVariant(8));
    QStringList got;
    for (const ScopeTreeNode& child : result.fetch_nodes) {
        QCOMPARE(child.scope_type, ScopeTypeVariant("qz_Lv2_quoter_" + child.api_type.ToQString()));
        QCOMPARE(child.stock_list.GetStockCode(), code);
        QCOMPARE(child.shared_block, node.shared_block);
        QVERIFY(child.scope_id != node.scope_id);
        got << child.scope_type.ToQString() + ":" + child.key_list.ToText();
    }
    QCOMPARE(got, children);
    QCOMPARE(result.unhandled_nodes.size(), leftover.isEmpty() ? 0 : 1);
    for (const ScopeTreeNode& rest : result.unhandled_nodes) {
        QCOMPARE(rest.scope_type, ScopeTypeVariant(2));
        QCOMPARE(rest.key_list.GetKeyList(), leftover);
    }
}

void TestStockBoardResolver::joinMethodKeysAndScopeType() {
    QList<JoinMethodKey> keys;
    for (const JoinMethodValue& method : resolver_->GetJoinMethodList()) {
        keys << method.Key();
    }
    QList<JoinMethodKey> expected;
    for (const char* call : {"10001", "10002", "10012", "12755_stock_related"}) {
        expected << JoinMethodKey(2, ScopeSplitTypeVariant(8), QString("qz_Lv2_quoter_") + call);
    }
    QCOMPARE(keys, expected);
    QCOMPARE(resolver_->GetSupportedTypeSet(), (std::set<ScopeTypeVariant>{2}));
    ScopeTreeNode other = BoardNode("SZ000001", {"money_flow_today"});
    other.scope_type = 3;
    ScopeResolveResult result;
    QVERIFY(!resolver_->Resolve(result, other));
}

void TestStockBoardResolver::snapshotTranscodersJoinOntoEarlierSources() {
    ScopeTreeNode parent = BoardNode("SZ300750", {"money_flow_today"});
    QVERIFY(Join("qz_Lv2_quoter_12755_stock_related", parent, StockRelatedData("SZ300750", 25))
                .IsSuccess());
    QVERIFY(Join("qz_Lv2_quoter_10002", parent, SnapshotData("SZ300750")).IsSuccess());
    QVERIFY(!Join("qz_Lv2_quoter_10001", parent, nullptr).IsSuccess());
    const auto* data = dynamic_cast<const BaseQuoteData*>(parent.quote_data.data());
    QVERIFY(data != nullptr);
    QCOMPARE(data->sources.keys(), (QList<QString>{"10002", "12755_stock_related"}));
    const nscell::DataRow& row = data->row;
    QVERIFY(row.Contains("float_ratio_day_20"));  // joined before, kept
    using Kind = nscell::UnsharedDataCell::Kind;
    QCOMPARE(row.Get("float_ratio_day_0").kind(), Kind::PercentFloatRatio);
    QCOMPARE(row.Get("float_ratio_day_0").ToDouble(), Single(12345));
    QVERIFY(row.Get("float_ratio_day_0").ToDouble() != 1.2345);  // single precision shows
    QCOMPARE(row.Get("turnover_ratio_day_5").ToDouble(), Single(-321));
    QCOMPARE(row.Get("float_ratio_day_5").ToDouble(), Single(54321));
    QCOMPARE(row.Get("money_flow_today").kind(), Kind::BigInteger);
    QList<qint64> flows;  // x 10000, 64 bits wide
    for (const char* key :
         {"money_flow_today", "money_flow_5d", "money_flow_10d", "money_flow_20d"}) {
        flows << row.Get(key).ToInt64();
    }
    QCOMPARE(flows, (QList<qint64>{-123450000, 2147480000, -70000, 21474836470000}));
    QCOMPARE(row.Get("big_order_ratio").kind(), Kind::RealPrice);
    QCOMPARE(row.Get("big_order_ratio").Decimals(), 2);
    QCOMPARE(row.Get("big_order_ratio").ToDouble(), Single(4321));
    QCOMPARE(row.Get("listing_board_code").ToString(), QString("kcb"));
    QCOMPARE(row.Get("transfer_type_code").ToString(), QString("jhjj+lxjjzr"));
    QCOMPARE(row.Get("board_category_code").ToString(), QString("nymex+bz"));
}

void TestStockBoardResolver::stockRelatedTranscoders_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("category");
    QTest::addColumn<bool>("afterClose");
    QTest::newRow("SZ growth board") << "SZ300750" << 25 << true;
    QTest::newRow("SZ other category") << "SZ000001" << 24 << false;
    QTest::newRow("SH category 25") << "SH688001" << 25 << false;
}

void TestStockBoardResolver::stockRelatedTranscoders() {
    QFETCH(QString, code);
    QFETCH(int, category);
    QFETCH(bool, afterClose);
    ScopeTreeNode parent = BoardNode(code, {"gem_deal_volume_after_close"});
    QSharedPointer<BaseQuoteData> before(new BaseQuoteData());
    before->row.Set("gem_deal_volume_after_close", nscell::UnsharedDataCell("earlier"));
    parent.quote_data = before;
    QVERIFY(Join("qz_Lv2_quoter_12755_stock_related", parent, StockRelatedData(code, category))
                .IsSuccess());
    const nscell::DataRow& row = parent.quote_data->row;
    QCOMPARE(row.Get("float_ratio_day_20").ToDouble(), Single(12345));
    QCOMPARE(row.Get("turnover_ratio_day_20").ToDouble(), Single(-20001));
    if (afterClose) {
        QCOMPARE(row.Get("gem_deal_volume_after_close").ToInt64(), qint64(-150));
        QCOMPARE(row.Get("gem_deal_capital_after_close").ToInt64(), qint64(32100000));
    } else {
        QCOMPARE(row.Get("gem_deal_volume_after_close").ToString(), QString("earlier"));
        QVERIFY(!row.Contains("gem_deal_capital_after_close"));
    }
    QCOMPARE(before->row.Get("gem_deal_volume_after_close").ToString(), QString("earlier"));
}

QTEST_GUILESS_MAIN(TestStockBoardResolver)
#include "tst_stockboardresolver.moc"
